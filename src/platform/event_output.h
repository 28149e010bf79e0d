#pragma once

#include "platform/input_event.h"

#include <cstdint>
#include <span>

namespace norvane {

// One half of a media-key press. `nxKey` is the media key type: 16 play/pause,
// 17 next, 18 previous, 0 volume up, 1 volume down, 7 mute.
struct MediaKeyEvent {
    std::int32_t nxKey = 0;
    bool down = true;

    // The packed form: key type in bits 16 and up, state 0x0A (down) or 0x0B
    // (up) in bits 8-15, no repeat flag.
    [[nodiscard]] constexpr std::int64_t data1() const noexcept
    {
        return (static_cast<std::int64_t>(nxKey) << 16) | (down ? 0xA00 : 0xB00);
    }
    friend constexpr bool operator==(const MediaKeyEvent&, const MediaKeyEvent&) = default;
};

// Where synthetic output goes. Called on the main thread; implementations
// hand the events to the input thread and return at once. Nothing here
// reports errors: an event that cannot be produced is skipped.
class EventOutput {
public:
    virtual ~EventOutput() = default;
    // Posts tagged key events system-wide, in order. Each event's flags are
    // exactly the modifiers to be held for it.
    virtual void postKeyEvents(std::span<const InputEvent> events) = 0;
    // Delivers tagged key events to one process only (on Linux: activate its
    // window, emit, give focus back).
    virtual void postKeyEventsToProcess(int pid, std::span<const InputEvent> events) = 0;
    // Posts one half of a media-key press.
    virtual void postMediaKeyEvent(MediaKeyEvent event) = 0;
};

} // namespace norvane
