#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace norvane {

// Order-sensitive hash accumulator used by every rule value type, so that
// equal values hash equally and fields are combined in declaration order.
class Hasher {
public:
    void add(std::uint64_t v) noexcept
    {
        // splitmix64 finaliser over the running state
        state_ ^= v + 0x9E3779B97F4A7C15ULL + (state_ << 6U) + (state_ >> 2U);
        state_ = mix(state_);
    }
    void add(std::int64_t v) noexcept { add(static_cast<std::uint64_t>(v)); }
    void add(bool v) noexcept { add(static_cast<std::uint64_t>(v ? 1 : 0)); }
    void add(const std::string& s) noexcept { add(static_cast<std::uint64_t>(std::hash<std::string>{}(s))); }
    void add(const std::vector<std::string>& list) noexcept
    {
        add(static_cast<std::uint64_t>(list.size()));
        for (const auto& s : list) {
            add(s);
        }
    }
    [[nodiscard]] std::size_t value() const noexcept { return static_cast<std::size_t>(state_); }

    static std::uint64_t mix(std::uint64_t z) noexcept
    {
        z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27U)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31U);
    }

private:
    std::uint64_t state_ = 0;
};

} // namespace norvane
