#include "engine/flat_index.h"
#include "engine/int_table.h"

#include <gtest/gtest.h>
#include <map>
#include <random>
#include <unordered_map>

namespace norvane {
namespace {

// Random insert/overwrite/remove sequences over a small key range exercise
// collisions, wrap-around at the table's end, deletion inside probe chains
// and growth; the table must agree with a reference map at every step.
TEST(IntTable, AgreesWithAReferenceMapUnderRandomUse)
{
    std::mt19937_64 rng(7);
    for (const std::int64_t range : {8, 40, 300}) {
        IntTable<int> table(8);
        std::unordered_map<std::int64_t, int> reference;
        for (int step = 0; step < 20000; ++step) {
            const std::int64_t key = static_cast<std::int64_t>(rng() % static_cast<std::uint64_t>(range)) - range / 2;
            if (rng() % 2 == 0) {
                table.set(key, step);
                reference[key] = step;
            } else {
                const auto taken = table.take(key);
                const auto it = reference.find(key);
                ASSERT_EQ(taken.has_value(), it != reference.end()) << "key " << key << " step " << step;
                if (it != reference.end()) {
                    EXPECT_EQ(*taken, it->second);
                    reference.erase(it);
                }
            }
            ASSERT_EQ(table.size(), reference.size());
        }
        for (const auto& [key, value] : reference) {
            ASSERT_NE(table.find(key), nullptr);
            EXPECT_EQ(*table.find(key), value);
        }
    }
}

TEST(FlatIndex, ListsEveryValueOfAKeyInEntryOrder)
{
    std::mt19937_64 rng(11);
    std::vector<std::pair<std::int64_t, int>> entries;
    std::map<std::int64_t, std::vector<int>> reference;
    for (int i = 0; i < 5000; ++i) {
        const auto key = static_cast<std::int64_t>(rng() % 700) * 4096; // many keys sharing low bits
        entries.emplace_back(key, i);
        reference[key].push_back(i);
    }
    FlatIndex<std::int64_t, int, IntHash> index;
    index.build(entries);
    EXPECT_EQ(index.size(), reference.size());
    for (const auto& [key, values] : reference) {
        const auto found = index.find(key);
        EXPECT_EQ(std::vector<int>(found.begin(), found.end()), values);
    }
    EXPECT_TRUE(index.find(1).empty());

    index.build({});
    EXPECT_TRUE(index.find(0).empty());
}

} // namespace
} // namespace norvane
