#pragma once

#include <memory>
#include <string>
#include <vector>

namespace norvane::testing {

// A private X server (Xvfb on a free display) with a window manager, for one
// test process. Stopped with the object.
class XSession {
public:
    // Starts Xvfb, then `wm` (argv) if given, and waits until the root window
    // carries `readyProperty` (set by the window manager once it runs).
    static std::unique_ptr<XSession> start(const std::vector<std::string>& wm, const std::string& readyProperty,
                                           std::string* error);
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    [[nodiscard]] const std::string& display() const noexcept { return display_; }

private:
    XSession() = default;
    std::string display_;
    int serverPid_ = -1;
    int wmPid_ = -1;
};

// Runs argv in the background with output discarded; returns the pid or -1.
int spawnQuiet(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv);
// SIGTERM, then reap.
void stopProcess(int pid);

} // namespace norvane::testing
