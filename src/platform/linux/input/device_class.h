#pragma once

#include <bitset>
#include <charconv>
#include <cstdint>
#include <linux/input.h>
#include <string>
#include <string_view>

namespace norvane::linux_input {

// What an input device can report, as the kernel describes it (sysfs
// capabilities of the input device, or the evdev ioctls).
struct DeviceCaps {
    std::string name;
    std::uint16_t bustype = 0;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::bitset<EV_CNT> ev;
    std::bitset<KEY_CNT> key;
    std::bitset<REL_CNT> rel;
    std::bitset<ABS_CNT> abs;
    std::bitset<INPUT_PROP_CNT> props;
};

// Parses a sysfs capability bitmap: hexadecimal words of `wordBits` bits,
// most significant word first, separated by spaces ("120013",
// "10000 0 0 e080ffdf01cfffff fffffffffffffffe"). Bits beyond N are ignored.
// False, with `bits` cleared, when the text is no bitmap.
template <std::size_t N>
bool parseCapabilityBitmap(std::string_view text, std::bitset<N>& bits, unsigned wordBits = 8 * sizeof(long));

// How Norvane treats a device.
enum class DeviceClass : std::uint8_t {
    keyboard,   // a full keyboard: grabbed while the engine runs
    mouse,      // a mouse with extra buttons: grabbed while a mouse-button rule exists, read otherwise
    plainMouse, // a mouse with left and right only: nothing to see, left alone
    touchpad,   // never taken
    tablet,     // pen tablets and touch screens: never taken
    ownOutput,  // Norvane's own output device: never taken
    other,      // switches, power buttons, media-key-only devices, joysticks...
};

[[nodiscard]] DeviceClass classify(const DeviceCaps& caps) noexcept;
// Whether the input layer opens and reads the device.
[[nodiscard]] constexpr bool isTaken(DeviceClass c) noexcept
{
    return c == DeviceClass::keyboard || c == DeviceClass::mouse;
}
[[nodiscard]] std::string_view className(DeviceClass c) noexcept;

// The identity of the output device: other devices never carry both.
inline constexpr std::uint16_t outputVendor = 0x4E56; // "NV"
inline constexpr std::uint16_t outputProduct = 0x0001;
inline constexpr std::string_view outputName = "Norvane virtual input";

template <std::size_t N> bool parseCapabilityBitmap(std::string_view text, std::bitset<N>& bits, unsigned wordBits)
{
    bits.reset();
    // Words from the end of the text: the last one holds bits 0..wordBits-1.
    std::size_t word = 0;
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == ' ')) {
        --end;
    }
    if (end == 0) {
        return false;
    }
    while (end > 0) {
        std::size_t begin = end;
        while (begin > 0 && text[begin - 1] != ' ') {
            --begin;
        }
        const std::string_view digits = text.substr(begin, end - begin);
        unsigned long long value = 0;
        const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (digits.empty() || ec != std::errc{} || ptr != digits.data() + digits.size() || wordBits > 64) {
            bits.reset();
            return false;
        }
        for (unsigned b = 0; b < wordBits; ++b) {
            const std::size_t index = word * wordBits + b;
            if (index < N && ((value >> b) & 1ULL)) {
                bits.set(index);
            }
        }
        ++word;
        end = begin;
        while (end > 0 && text[end - 1] == ' ') {
            --end;
        }
    }
    return true;
}

} // namespace norvane::linux_input
