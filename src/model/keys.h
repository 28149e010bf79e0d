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

// The four modifiers in display and text order; the first name is written,
// the label is what a keycap shows.
struct ModifierRow {
    std::array<std::string_view, 3> names; // unused slots are empty
    std::uint64_t bit;
    std::string_view label;
};
extern const std::array<ModifierRow, 4> modifierOrder;

// Display label of a key code whose label is not its upper-cased name
// (Enter, Backspace, arrows, Caps Lock...).
std::optional<std::string_view> keyDisplay(std::int64_t code) noexcept;

} // namespace norvane
