#include "platform/linux/input/key_translation.h"

#include <array>
#include <linux/input-event-codes.h>

namespace norvane::linux_input {

namespace {

// Keys of a PC keyboard and the virtual key codes of the keys in the same
// place. Keys whose nearest equivalent is already taken (Print, Scroll Lock,
// Pause, Help, Clear...) stay unmapped so that the table is one-to-one.
constexpr KeyPair table[] = {
    // letters
    {KEY_A, 0},
    {KEY_S, 1},
    {KEY_D, 2},
    {KEY_F, 3},
    {KEY_H, 4},
    {KEY_G, 5},
    {KEY_Z, 6},
    {KEY_X, 7},
    {KEY_C, 8},
    {KEY_V, 9},
    {KEY_B, 11},
    {KEY_Q, 12},
    {KEY_W, 13},
    {KEY_E, 14},
    {KEY_R, 15},
    {KEY_Y, 16},
    {KEY_T, 17},
    {KEY_O, 31},
    {KEY_U, 32},
    {KEY_I, 34},
    {KEY_P, 35},
    {KEY_L, 37},
    {KEY_J, 38},
    {KEY_K, 40},
    {KEY_N, 45},
    {KEY_M, 46},
    // digits
    {KEY_1, 18},
    {KEY_2, 19},
    {KEY_3, 20},
    {KEY_4, 21},
    {KEY_6, 22},
    {KEY_5, 23},
    {KEY_9, 25},
    {KEY_7, 26},
    {KEY_8, 28},
    {KEY_0, 29},
    // punctuation
    {KEY_EQUAL, 24},
    {KEY_MINUS, 27},
    {KEY_RIGHTBRACE, 30},
    {KEY_LEFTBRACE, 33},
    {KEY_APOSTROPHE, 39},
    {KEY_SEMICOLON, 41},
    {KEY_BACKSLASH, 42},
    {KEY_COMMA, 43},
    {KEY_SLASH, 44},
    {KEY_DOT, 47},
    {KEY_GRAVE, 50},
    {KEY_102ND, 10},
    // named keys
    {KEY_ENTER, 36},
    {KEY_TAB, 48},
    {KEY_SPACE, 49},
    {KEY_BACKSPACE, 51},
    {KEY_ESC, 53},
    {KEY_DELETE, 117},
    {KEY_INSERT, 114},
    {KEY_HOME, 115},
    {KEY_END, 119},
    {KEY_PAGEUP, 116},
    {KEY_PAGEDOWN, 121},
    {KEY_COMPOSE, 110},
    // arrows
    {KEY_LEFT, 123},
    {KEY_RIGHT, 124},
    {KEY_DOWN, 125},
    {KEY_UP, 126},
    // function keys
    {KEY_F1, 122},
    {KEY_F2, 120},
    {KEY_F3, 99},
    {KEY_F4, 118},
    {KEY_F5, 96},
    {KEY_F6, 97},
    {KEY_F7, 98},
    {KEY_F8, 100},
    {KEY_F9, 101},
    {KEY_F10, 109},
    {KEY_F11, 103},
    {KEY_F12, 111},
    {KEY_F13, 105},
    {KEY_F14, 107},
    {KEY_F15, 113},
    {KEY_F16, 106},
    {KEY_F17, 64},
    {KEY_F18, 79},
    {KEY_F19, 80},
    {KEY_F20, 90},
    // keypad
    {KEY_KP0, 82},
    {KEY_KP1, 83},
    {KEY_KP2, 84},
    {KEY_KP3, 85},
    {KEY_KP4, 86},
    {KEY_KP5, 87},
    {KEY_KP6, 88},
    {KEY_KP7, 89},
    {KEY_KP8, 91},
    {KEY_KP9, 92},
    {KEY_KPDOT, 65},
    {KEY_KPASTERISK, 67},
    {KEY_KPPLUS, 69},
    {KEY_NUMLOCK, 71},
    {KEY_KPSLASH, 75},
    {KEY_KPENTER, 76},
    {KEY_KPMINUS, 78},
    {KEY_KPEQUAL, 81},
    {KEY_KPCOMMA, 95},
    // modifiers
    {KEY_LEFTMETA, 55},
    {KEY_RIGHTMETA, 54},
    {KEY_LEFTSHIFT, 56},
    {KEY_RIGHTSHIFT, 60},
    {KEY_LEFTALT, 58},
    {KEY_RIGHTALT, 61},
    {KEY_LEFTCTRL, 59},
    {KEY_RIGHTCTRL, 62},
    {KEY_CAPSLOCK, 57},
    {KEY_FN, 63},
    // media
    {KEY_VOLUMEUP, 72},
    {KEY_VOLUMEDOWN, 73},
    {KEY_MUTE, 74},
    // Japanese and Korean input keys (HID International 1 and 3, Lang 1 and 2)
    {KEY_RO, 94},
    {KEY_YEN, 93},
    {KEY_HANGEUL, 104},
    {KEY_HANJA, 102},
};

constexpr bool isOneToOne()
{
    for (std::size_t i = 0; i < std::size(table); ++i) {
        for (std::size_t j = i + 1; j < std::size(table); ++j) {
            if (table[i].evdev == table[j].evdev || table[i].virtualKey == table[j].virtualKey) {
                return false;
            }
        }
    }
    return true;
}
static_assert(isOneToOne(), "each key appears once in each direction");

constexpr std::int64_t noKey = -1;

// Both directions as flat arrays, built at compile time: a lookup on the
// event path is one index.
struct Lookup {
    std::array<std::int64_t, KEY_CNT> toVirtual{};
    std::array<std::int32_t, 128> toEvdev{};

    constexpr Lookup()
    {
        for (std::size_t code = 0; code < KEY_CNT; ++code) {
            toVirtual[code] = unmappedKeyBase + static_cast<std::int64_t>(code);
        }
        for (auto& e : toEvdev) {
            e = noKey;
        }
        for (const auto& pair : table) {
            toVirtual[pair.evdev] = pair.virtualKey;
            toEvdev[static_cast<std::size_t>(pair.virtualKey)] = pair.evdev;
        }
    }
};
constexpr Lookup lookup;

constexpr std::uint16_t firstExtraButton = BTN_MIDDLE;
constexpr std::uint16_t lastExtraButton = BTN_MOUSE + 15; // the mouse button range ends at BTN_JOYSTICK

} // namespace

std::span<const KeyPair> keyTable() noexcept
{
    return table;
}

std::int64_t virtualKeyFor(std::uint16_t evdevCode) noexcept
{
    if (evdevCode >= KEY_CNT) {
        return unmappedKeyBase + evdevCode;
    }
    return lookup.toVirtual[evdevCode];
}

std::optional<std::uint16_t> evdevKeyFor(std::int64_t virtualKey) noexcept
{
    if (virtualKey >= 0 && virtualKey < static_cast<std::int64_t>(lookup.toEvdev.size())) {
        const auto code = lookup.toEvdev[static_cast<std::size_t>(virtualKey)];
        if (code == noKey) {
            return std::nullopt;
        }
        return static_cast<std::uint16_t>(code);
    }
    if (virtualKey >= unmappedKeyBase && virtualKey < unmappedKeyBase + KEY_CNT) {
        const auto code = static_cast<std::uint16_t>(virtualKey - unmappedKeyBase);
        // A code that has a table entry is written with its virtual key code.
        if (lookup.toVirtual[code] != virtualKey) {
            return std::nullopt;
        }
        return code;
    }
    return std::nullopt;
}

std::optional<std::int64_t> buttonNumberFor(std::uint16_t evdevCode) noexcept
{
    if (evdevCode < firstExtraButton || evdevCode > lastExtraButton) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(evdevCode - BTN_LEFT);
}

std::optional<unsigned> modifierIndex(std::uint16_t evdevCode) noexcept
{
    switch (evdevCode) {
    case KEY_LEFTCTRL:
        return 0;
    case KEY_RIGHTCTRL:
        return 1;
    case KEY_LEFTALT:
        return 2;
    case KEY_RIGHTALT:
        return 3;
    case KEY_LEFTSHIFT:
        return 4;
    case KEY_RIGHTSHIFT:
        return 5;
    case KEY_LEFTMETA:
        return 6;
    case KEY_RIGHTMETA:
        return 7;
    default:
        return std::nullopt;
    }
}

std::optional<std::uint16_t> evdevMediaKeyFor(MediaKey key) noexcept
{
    switch (key) {
    case MediaKey::playPause:
        return KEY_PLAYPAUSE;
    case MediaKey::next:
        return KEY_NEXTSONG;
    case MediaKey::previous:
        return KEY_PREVIOUSSONG;
    case MediaKey::volumeUp:
        return KEY_VOLUMEUP;
    case MediaKey::volumeDown:
        return KEY_VOLUMEDOWN;
    case MediaKey::mute:
        return KEY_MUTE;
    }
    return std::nullopt;
}

KeyKind keyKind(std::uint16_t evdevCode) noexcept
{
    if (modifierIndex(evdevCode)) {
        return KeyKind::modifier;
    }
    if (evdevCode == KEY_CAPSLOCK) {
        return KeyKind::lock;
    }
    if (evdevCode >= firstExtraButton && evdevCode <= lastExtraButton) {
        return KeyKind::extraButton;
    }
    // BTN_MISC up to the end of the button block (joystick, gamepad, pen)
    // and the trigger-happy buttons.
    if ((evdevCode >= BTN_MISC && evdevCode < KEY_OK) ||
        (evdevCode >= BTN_TRIGGER_HAPPY && evdevCode <= BTN_TRIGGER_HAPPY40)) {
        return KeyKind::button;
    }
    return KeyKind::key;
}

} // namespace norvane::linux_input
