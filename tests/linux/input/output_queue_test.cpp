#include "model/combo.h"
#include "platform/linux/input/output_queue.h"

#include <gtest/gtest.h>
#include <linux/input.h>
#include <thread>
#include <vector>

namespace norvane::linux_input {
namespace {

OutputRequest keyRequest(std::uint16_t code, bool down)
{
    OutputRequest r;
    r.code = code;
    r.down = down;
    return r;
}

TEST(OutputQueue, KeepsOrderAndRefusesWhatDoesNotFitWhole)
{
    OutputQueue queue;
    std::vector<OutputRequest> batch(OutputQueue::capacity - 1, keyRequest(1, true));
    ASSERT_TRUE(queue.push(batch));
    const OutputRequest pair[] = {keyRequest(2, true), keyRequest(2, false)};
    EXPECT_FALSE(queue.push(pair)); // one slot left: the pair is refused, not split
    std::size_t seen = 0;
    EXPECT_EQ(queue.drain([&](const OutputRequest&) { ++seen; }), OutputQueue::capacity - 1);
    EXPECT_EQ(seen, OutputQueue::capacity - 1);

    // Wrapping around the ring keeps the order.
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(queue.push(pair));
        std::vector<bool> downs;
        queue.drain([&](const OutputRequest& r) { downs.push_back(r.down); });
        EXPECT_EQ(downs, (std::vector<bool>{true, false}));
    }
}

// A long burst of synthetic keys (a sendKeys combination, a script) goes out
// whole, completion last; one that cannot fit is refused whole, so no press
// is left without its release.
TEST(OutputQueue, KeyBurstsGoWholeOrNotAtAll)
{
    OutputQueue queue;
    std::vector<InputEvent> burst;
    for (int i = 0; i < 150; ++i) {
        burst.push_back(InputEvent::key(true, 0, mod::shift)); // a
        burst.push_back(InputEvent::mouse(true, 3));           // not a key: skipped
        burst.push_back(InputEvent::key(false, 0, mod::shift));
    }
    ASSERT_TRUE(queue.pushKeys(burst, 7));
    std::vector<OutputRequest> got;
    queue.drain([&](const OutputRequest& r) { got.push_back(r); });
    ASSERT_EQ(got.size(), 301U);
    for (std::size_t i = 0; i < 300; ++i) {
        EXPECT_EQ(got[i].kind, OutputRequest::Kind::key);
        EXPECT_EQ(got[i].code, KEY_A);
        EXPECT_EQ(got[i].down, i % 2 == 0) << i;
        EXPECT_EQ(got[i].flags, mod::shift);
    }
    EXPECT_EQ(got.back().kind, OutputRequest::Kind::done);
    EXPECT_EQ(got.back().doneId, 7U);

    std::vector<InputEvent> huge(OutputQueue::capacity + 2, InputEvent::key(true, 0));
    EXPECT_FALSE(queue.pushKeys(huge, 0));
    EXPECT_EQ(queue.drain([](const OutputRequest&) {}), 0U);
}

TEST(OutputQueue, ProducersOnSeveralThreadsLoseNothing)
{
    OutputQueue queue;
    constexpr int perThread = 20000;
    std::atomic<int> producing{2};
    auto produce = [&](std::uint16_t code) {
        for (int i = 0; i < perThread; ++i) {
            const OutputRequest pair[] = {keyRequest(code, true), keyRequest(code, false)};
            while (!queue.push(pair)) {
                std::this_thread::yield();
            }
        }
        producing.fetch_sub(1);
    };
    std::thread a(produce, std::uint16_t{1});
    std::thread b(produce, std::uint16_t{2});
    int received[3] = {};
    bool pairsIntact = true;
    std::uint16_t lastDown = 0;
    while (producing.load() > 0 || received[1] + received[2] < 4 * perThread) {
        queue.drain([&](const OutputRequest& r) {
            ++received[r.code];
            if (r.down) {
                lastDown = r.code;
            } else {
                pairsIntact = pairsIntact && lastDown == r.code;
            }
        });
    }
    a.join();
    b.join();
    EXPECT_EQ(received[1], 2 * perThread);
    EXPECT_EQ(received[2], 2 * perThread);
    EXPECT_TRUE(pairsIntact);
}

} // namespace
} // namespace norvane::linux_input
