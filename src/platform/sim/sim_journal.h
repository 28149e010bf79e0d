#pragma once

#include "platform/event_output.h"
#include "platform/input_event.h"
#include "platform/notifier.h"

#include <mutex>
#include <string>
#include <vector>

namespace norvane::sim {

// One thing the simulated platform was asked to do, in the order asked.
struct Effect {
    enum class Kind : std::uint8_t {
        readURL,   // appID: whose page address was read
        keyEvents, // events: posted system-wide (pid 0) or to one process (pid, appID)
        media,     // media: one half of a media-key press
        open,      // appID
        hide,      // appID (may be empty when the frontmost app had none)
        notice,    // notice, shown: whether it would be on screen
    };
    Kind kind = Kind::readURL;
    std::string appID;
    int pid = 0;
    std::vector<InputEvent> events;
    MediaKeyEvent media;
    Notice notice;
    bool shown = false;
};

// The ordered record of everything posted and performed. Thread-safe.
class Journal {
public:
    void add(Effect effect);
    // Everything recorded so far, oldest first; the journal is emptied.
    std::vector<Effect> take();
    [[nodiscard]] std::vector<Effect> entries() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<Effect> effects_;
};

} // namespace norvane::sim
