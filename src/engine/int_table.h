#pragma once

#include "engine/flat_index.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace norvane {

// A small mutable map from a signed 64-bit code to V, for the input thread's
// bookkeeping of keys and buttons that are down. Open addressing with
// backward-shift deletion over a preallocated power-of-two table: set and
// take do not allocate unless more than half of the initial capacity is in
// use at once (then the table doubles).
template <typename V> class IntTable {
public:
    explicit IntTable(std::size_t capacity = 128) : slots_(std::bit_ceil(std::max<std::size_t>(capacity, 8))) {}

    // Inserts or overwrites.
    void set(std::int64_t key, V value)
    {
        std::size_t s = home(key);
        while (slots_[s].used) {
            if (slots_[s].key == key) {
                slots_[s].value = value;
                return;
            }
            s = next(s);
        }
        slots_[s] = Slot{key, value, true};
        if (++size_ * 2 > slots_.size()) {
            grow();
        }
    }

    // Removes the entry for `key` and returns what it held.
    std::optional<V> take(std::int64_t key) noexcept
    {
        std::size_t s = home(key);
        while (slots_[s].used) {
            if (slots_[s].key == key) {
                V value = slots_[s].value;
                erase(s);
                return value;
            }
            s = next(s);
        }
        return std::nullopt;
    }

    [[nodiscard]] const V* find(std::int64_t key) const noexcept
    {
        std::size_t s = home(key);
        while (slots_[s].used) {
            if (slots_[s].key == key) {
                return &slots_[s].value;
            }
            s = next(s);
        }
        return nullptr;
    }

    [[nodiscard]] std::size_t size() const noexcept { return size_; }

private:
    struct Slot {
        std::int64_t key = 0;
        V value{};
        bool used = false;
    };

    [[nodiscard]] std::size_t home(std::int64_t key) const noexcept { return IntHash{}(key) & (slots_.size() - 1); }
    [[nodiscard]] std::size_t next(std::size_t s) const noexcept { return (s + 1) & (slots_.size() - 1); }

    // Backward-shift deletion keeps every probe chain unbroken without tombstones.
    void erase(std::size_t hole) noexcept
    {
        --size_;
        std::size_t s = next(hole);
        while (slots_[s].used) {
            const std::size_t h = home(slots_[s].key);
            // Move the entry into the hole unless its home lies cyclically in (hole, s].
            const bool stays = hole <= s ? (hole < h && h <= s) : (hole < h || h <= s);
            if (!stays) {
                slots_[hole] = slots_[s];
                hole = s;
            }
            s = next(s);
        }
        slots_[hole] = Slot{};
    }

    void grow()
    {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        size_ = 0;
        for (const auto& slot : old) {
            if (slot.used) {
                set(slot.key, slot.value);
            }
        }
    }

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
};

} // namespace norvane
