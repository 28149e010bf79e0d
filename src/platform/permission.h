#pragma once

#include <functional>
#include <optional>
#include <string>

namespace norvane {

// Access to the input devices the engine needs: on Linux, read access to the
// input event nodes and read/write access to /dev/uinput.
class AccessPermission {
public:
    // What a request ended with: nothing when the system took it in hand (the
    // user may still be approving it), else text for the user to follow by
    // hand (for example the exact commands that grant the access).
    using RequestDone = std::function<void(std::optional<std::string> instructions)>;

    virtual ~AccessPermission() = default;
    // Whether the process has the access now. Cheap; main thread.
    [[nodiscard]] virtual bool hasInputAccess() = 0;
    // Asks the system for the access (on Linux: the packaged helper through
    // pkexec). Returns at once; `done` runs once, on any thread, when the
    // request has ended.
    virtual void request(RequestDone done) = 0;
};

} // namespace norvane
