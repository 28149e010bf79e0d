#pragma once

#include "model/hash.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace norvane {

struct IntHash {
    std::size_t operator()(std::int64_t v) const noexcept
    {
        return static_cast<std::size_t>(Hasher::mix(static_cast<std::uint64_t>(v)));
    }
};

// A read-only multimap from Key to an ordered list of Values, built once.
// Open addressing with linear probing over a power-of-two table at most half
// full, and every list stored contiguously: a lookup is one hash, a short
// probe and no allocation, whatever the number of keys.
template <typename Key, typename Value, typename Hash> class FlatIndex {
public:
    // Builds the index from entries in order; the values of one key keep
    // their relative order.
    void build(std::span<const std::pair<Key, Value>> entries)
    {
        slots_.clear();
        values_.clear();
        keyCount_ = 0;
        if (entries.empty()) {
            mask_ = 0;
            return;
        }
        const std::size_t capacity = std::bit_ceil(std::max<std::size_t>(8, entries.size() * 2));
        slots_.assign(capacity, Slot{});
        mask_ = capacity - 1;

        // Pass 1: one slot per distinct key, counting its values.
        std::vector<std::uint32_t> slotOf(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            std::size_t s = Hash{}(entries[i].first) & mask_;
            while (slots_[s].count != 0 && !(slots_[s].key == entries[i].first)) {
                s = (s + 1) & mask_;
            }
            if (slots_[s].count == 0) {
                slots_[s].key = entries[i].first;
                ++keyCount_;
            }
            ++slots_[s].count;
            slotOf[i] = static_cast<std::uint32_t>(s);
        }
        // Pass 2: lay the lists out back to back.
        std::uint32_t next = 0;
        for (auto& slot : slots_) {
            slot.begin = next;
            next += slot.count;
        }
        // Pass 3: place the values in entry order, using `count` as a cursor.
        values_.resize(entries.size());
        std::vector<std::uint32_t> filled(capacity, 0);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::uint32_t s = slotOf[i];
            values_[slots_[s].begin + filled[s]++] = entries[i].second;
        }
    }

    [[nodiscard]] std::span<const Value> find(const Key& key) const noexcept
    {
        if (slots_.empty()) {
            return {};
        }
        std::size_t s = Hash{}(key)&mask_;
        for (;;) {
            const Slot& slot = slots_[s];
            if (slot.count == 0) {
                return {};
            }
            if (slot.key == key) {
                return {values_.data() + slot.begin, slot.count};
            }
            s = (s + 1) & mask_;
        }
    }

    [[nodiscard]] std::size_t size() const noexcept { return keyCount_; }

private:
    struct Slot {
        Key key{};
        std::uint32_t begin = 0;
        std::uint32_t count = 0; // 0: empty slot
    };
    std::vector<Slot> slots_;
    std::vector<Value> values_;
    std::size_t mask_ = 0;
    std::size_t keyCount_ = 0;
};

} // namespace norvane
