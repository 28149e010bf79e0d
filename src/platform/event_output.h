#pragma once

#include "model/action.h"
#include "platform/input_event.h"

#include <cstdint>
#include <span>

namespace norvane {

// One half of a media-key press.
struct MediaKeyEvent {
    MediaKey key = MediaKey::playPause;
    bool down = true;
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
