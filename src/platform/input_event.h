#pragma once

#include <cstdint>

namespace norvane {

// The four kinds of input the engine sees: key presses and releases, and
// presses and releases of the extra mouse buttons (never left or right).
enum class EventType : std::uint8_t { keyDown, keyUp, otherMouseDown, otherMouseUp };

// Marks every event this system synthesises (the four characters NVNE). An
// event carrying it in `userData` is never remapped.
inline constexpr std::int64_t syntheticTag = 0x4E564E45;

// One keyboard or extra-mouse-button event as the input layer hands it to the
// engine. The engine may change `keyCode` and `flags` in place; whatever the
// handler leaves in the event is what the input layer delivers.
struct InputEvent {
    EventType type = EventType::keyDown;
    std::int64_t keyCode = 0;    // key events: the virtual key code
    std::int64_t autorepeat = 0; // key events: non-zero for a kernel/OS autorepeat
    std::int64_t button = 0;     // mouse events: 2 middle, 3 back, 4 forward, ...
    std::int64_t userData = 0;   // syntheticTag on the system's own events
    std::uint64_t flags = 0;     // full flag mask; modifier bits 0x1E0000, caps lock 0x10000

    [[nodiscard]] constexpr bool isSynthetic() const noexcept { return userData == syntheticTag; }
    [[nodiscard]] constexpr bool isKey() const noexcept
    {
        return type == EventType::keyDown || type == EventType::keyUp;
    }
    [[nodiscard]] constexpr bool isDown() const noexcept
    {
        return type == EventType::keyDown || type == EventType::otherMouseDown;
    }

    static constexpr InputEvent key(bool down, std::int64_t code, std::uint64_t flags = 0) noexcept
    {
        InputEvent e;
        e.type = down ? EventType::keyDown : EventType::keyUp;
        e.keyCode = code;
        e.flags = flags;
        return e;
    }
    static constexpr InputEvent mouse(bool down, std::int64_t button) noexcept
    {
        InputEvent e;
        e.type = down ? EventType::otherMouseDown : EventType::otherMouseUp;
        e.button = button;
        return e;
    }
};

} // namespace norvane
