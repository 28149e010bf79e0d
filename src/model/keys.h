#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace norvane {

// Key names of the text form and their virtual key codes (81 entries, lower
// case, no code twice). Keys without a name are written #CODE.
struct KeyName {
    std::string_view name;
    std::int64_t code;
};
extern const std::array<KeyName, 81> keyCodes;

std::optional<std::int64_t> keyCodeForName(std::string_view name) noexcept;
std::optional<std::string_view> keyNameForCode(std::int64_t code) noexcept;

// The four modifiers in display and text order; the first name is written.
struct ModifierRow {
    std::array<std::string_view, 3> names; // unused slots are empty
    std::uint64_t bit;
    std::string_view symbol;
};
extern const std::array<ModifierRow, 4> modifierOrder;

// Display label that replaces the upper-cased name for 14 named keys.
std::optional<std::string_view> keyDisplay(std::string_view name) noexcept;

} // namespace norvane
