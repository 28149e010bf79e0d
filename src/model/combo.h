#pragma once

#include "model/hash.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace norvane {

// Modifier bits of the event-flag mask. Only these four take part in matching.
namespace mod {
inline constexpr std::uint64_t control = 0x40000;
inline constexpr std::uint64_t option = 0x80000;
inline constexpr std::uint64_t shift = 0x20000;
inline constexpr std::uint64_t command = 0x100000;
inline constexpr std::uint64_t capsLock = 0x10000;
} // namespace mod

inline constexpr std::uint64_t relevantMask = mod::control | mod::option | mod::shift | mod::command;

// One key with the modifiers held with it. A hash key on the engine's hot
// path, so it stays a small trivially copyable value.
struct Combo {
    std::int64_t keyCode = 0;
    std::uint64_t modifiers = 0; // never outside relevantMask

    constexpr Combo() = default;
    // Takes a full event-flag mask and keeps only the four modifier bits.
    constexpr Combo(std::int64_t code, std::uint64_t flags) noexcept : keyCode(code), modifiers(flags & relevantMask) {}

    [[nodiscard]] constexpr bool hasModifiers() const noexcept { return modifiers != 0; }

    // Text form (ctrl+opt+k, cmd+#200) and its parser; see keys.cpp.
    [[nodiscard]] std::string string() const;
    static std::optional<Combo> parse(std::string_view text);

    // Display: the key alone (K, Space, 键200), one keycap per element
    // (Ctrl, Alt, K), and the keycaps joined with "+" (Ctrl+Alt+K).
    [[nodiscard]] std::string keyLabel() const;
    [[nodiscard]] std::vector<std::string> symbols() const;
    [[nodiscard]] std::string label() const;

    friend constexpr bool operator==(const Combo& a, const Combo& b) noexcept
    {
        return a.keyCode == b.keyCode && a.modifiers == b.modifiers;
    }
    friend constexpr bool operator!=(const Combo& a, const Combo& b) noexcept { return !(a == b); }

    void hashInto(Hasher& h) const noexcept
    {
        h.add(keyCode);
        h.add(modifiers);
    }
};

static_assert(std::is_trivially_copyable_v<Combo>);
static_assert(sizeof(Combo) == 16);

} // namespace norvane

template <> struct std::hash<norvane::Combo> {
    std::size_t operator()(const norvane::Combo& c) const noexcept
    {
        // Hot path: one multiply-xorshift over both fields, consistent with ==.
        return static_cast<std::size_t>(
            norvane::Hasher::mix(static_cast<std::uint64_t>(c.keyCode) * 0x9E3779B97F4A7C15ULL ^ c.modifiers));
    }
};
