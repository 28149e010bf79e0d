#pragma once

#include "platform/input_event.h"

#include <functional>
#include <vector>

namespace norvane::linux_workspace {

// What keys-to-one-application needs from the input layer's output queue.
class KeyEmitter {
public:
    virtual ~KeyEmitter() = default;
    // Emits tagged key events in order, each with exactly the modifiers in
    // its flags held: modifiers the user is holding are released first (and
    // brought back to the physical state afterwards, as for any rewrite).
    // Returns at once; calls `done` on any thread once the events have been
    // written out. `done` is called exactly once, also when nothing could be
    // written.
    virtual void emitKeys(std::vector<InputEvent> events, std::function<void()> done) = 0;
};

} // namespace norvane::linux_workspace
