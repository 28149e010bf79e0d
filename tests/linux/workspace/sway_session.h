#pragma once

#include <memory>
#include <string>
#include <vector>

namespace norvane::testing {

// A headless sway (no GPU: pixman renderer, no input devices) in a folder of
// its own, for one test. Sway refuses to run as root, so a test running as
// root runs it, and its clients, as the unprivileged account `nobody` with a
// private home and runtime directory; otherwise as the current user.
class SwaySession {
public:
    // Whether a sway binary is on PATH.
    static bool installed();
    // Starts sway and waits until its IPC socket answers.
    static std::unique_ptr<SwaySession> start(std::string* error);
    ~SwaySession();
    SwaySession(const SwaySession&) = delete;
    SwaySession& operator=(const SwaySession&) = delete;

    [[nodiscard]] const std::string& ipcSocket() const noexcept { return ipcSocket_; }
    // A terminal (foot) whose Wayland app_id is `appID`; its pid, or -1.
    int startClient(const std::string& appID);
    // Closes one client (SIGTERM) and reaps it.
    void stopClient(int pid);
    // Closes the clients, exits sway, and returns the pids of any process
    // started here that still runs afterwards (none, when all went well).
    std::vector<int> stop();
    // The end of sway's output, for failure messages.
    [[nodiscard]] std::string logTail() const;

private:
    SwaySession() = default;
    int spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& logFile);
    [[nodiscard]] std::vector<std::string> baseEnvironment() const;
    [[nodiscard]] std::vector<int> runningHere() const;

    std::string folder_;
    std::string home_;
    std::string runtimeDir_;
    std::string ipcSocket_;
    std::string waylandDisplay_;
    unsigned uid_ = 0;
    unsigned gid_ = 0;
    bool switchUser_ = false;
    int swayPid_ = -1;
    std::vector<int> clients_;
    bool stopped_ = false;
};

} // namespace norvane::testing
