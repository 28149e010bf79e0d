#pragma once

#include "platform/input_event.h"

namespace norvane {

// Receives every tapped event on the input thread. Returns true to deliver
// the event (with any in-place changes), false to drop it. Must not block.
class InputHandler {
public:
    virtual ~InputHandler() = default;
    virtual bool handle(InputEvent& event) = 0;
    // An event of a device that is read without being held (a mouse that is
    // not grabbed): it reaches the desktop whatever the handler says, so it
    // may be shown (the live probe) but never acted on. Must not block.
    virtual void observe(const InputEvent& /*event*/) {}
};

// The system-wide event tap. start() installs the handler (called on the main
// thread); it returns true when events now flow to the handler, false when the
// tap cannot be installed (for example: no access to the input devices). The
// caller retries later; a started tap is never removed.
class EventTap {
public:
    virtual ~EventTap() = default;
    virtual bool start(InputHandler& handler) = 0;
};

} // namespace norvane
