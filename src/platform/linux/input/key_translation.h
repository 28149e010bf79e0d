#pragma once

#include "model/action.h"

#include <cstdint>
#include <optional>
#include <span>

namespace norvane::linux_input {

// evdev key codes ↔ the model's virtual key codes, the ones configuration
// files use on every platform. One table serves both directions, so a key
// translated in and out again is the same key.
struct KeyPair {
    std::uint16_t evdev;
    std::int64_t virtualKey;
};
std::span<const KeyPair> keyTable() noexcept;

// evdev keys without an equivalent get 4096 + their evdev code.
inline constexpr std::int64_t unmappedKeyBase = 4096;

// The virtual key code of an evdev key code (below KEY_CNT).
[[nodiscard]] std::int64_t virtualKeyFor(std::uint16_t evdevCode) noexcept;
// The evdev key code of a virtual key code, or nothing when no evdev key
// produces it.
[[nodiscard]] std::optional<std::uint16_t> evdevKeyFor(std::int64_t virtualKey) noexcept;

// Extra mouse buttons: BTN_MIDDLE = 2, BTN_SIDE = 3, BTN_EXTRA = 4,
// BTN_FORWARD = 5, BTN_BACK = 6, BTN_TASK = 7 and the further mouse buttons
// upward. Left and right are no triggers and have no number here.
[[nodiscard]] std::optional<std::int64_t> buttonNumberFor(std::uint16_t evdevCode) noexcept;

// What an EV_KEY code is to the dispatcher.
enum class KeyKind : std::uint8_t {
    key,         // a keyboard key: the engine sees it
    modifier,    // ctrl, alt, shift, meta (left and right): passes straight through
    lock,        // caps lock: passes straight through, its state comes from the LED
    extraButton, // middle and further mouse buttons: the engine sees them
    button,      // left and right button and everything else: passes straight through
};
[[nodiscard]] KeyKind keyKind(std::uint16_t evdevCode) noexcept;

// The eight modifier keys, indexed 0..7; see modifier_state.h.
[[nodiscard]] std::optional<unsigned> modifierIndex(std::uint16_t evdevCode) noexcept;

// The evdev key of a media key type (16 play/pause, 17 next, 18 previous,
// 0 volume up, 1 volume down, 7 mute).
[[nodiscard]] std::optional<std::uint16_t> evdevMediaKeyFor(MediaKey key) noexcept;

} // namespace norvane::linux_input
