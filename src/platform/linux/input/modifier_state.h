#pragma once

#include "model/combo.h"

#include <array>
#include <cstdint>
#include <linux/input-event-codes.h>

namespace norvane::linux_input {

// The eight modifier keys. Keys 2g and 2g+1 (left, right) form group g, whose
// flag bit is modifierGroupFlags[g].
inline constexpr std::array<std::uint16_t, 8> modifierKeys = {
    KEY_LEFTCTRL, KEY_RIGHTCTRL, KEY_LEFTALT, KEY_RIGHTALT, KEY_LEFTSHIFT, KEY_RIGHTSHIFT, KEY_LEFTMETA, KEY_RIGHTMETA,
};
inline constexpr std::array<std::uint64_t, 4> modifierGroupFlags = {mod::control, mod::option, mod::shift,
                                                                    mod::command};

// Bit i set: modifierKeys[i] is down.
using ModifierMask = std::uint8_t;

// The flag bits (0x1E0000 part) of a set of held modifier keys.
[[nodiscard]] constexpr std::uint64_t flagsOf(ModifierMask keys) noexcept
{
    std::uint64_t flags = 0;
    for (unsigned g = 0; g < modifierGroupFlags.size(); ++g) {
        if ((keys >> (2 * g)) & 0b11U) {
            flags |= modifierGroupFlags[g];
        }
    }
    return flags;
}

// The modifier keys to hold on the output for a key whose flags are `flags`.
// A group already held on the output keeps its keys; a group to be added uses
// the key the user physically holds, else the left one; a group not in the
// flags is released entirely.
[[nodiscard]] constexpr ModifierMask modifiersFor(std::uint64_t flags, ModifierMask emitted,
                                                  ModifierMask physical) noexcept
{
    ModifierMask target = 0;
    for (unsigned g = 0; g < modifierGroupFlags.size(); ++g) {
        if ((flags & modifierGroupFlags[g]) == 0) {
            continue;
        }
        const auto group = static_cast<ModifierMask>(0b11U << (2 * g));
        if (emitted & group) {
            target |= emitted & group;
        } else if (physical & group) {
            target |= physical & group;
        } else {
            target |= static_cast<ModifierMask>(1U << (2 * g));
        }
    }
    return target;
}

} // namespace norvane::linux_input
