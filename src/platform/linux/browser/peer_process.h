#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

namespace norvane::linux_browser {

// A process pinned by a pidfd, so that what is read about it from /proc can
// be checked to still be about the same process: while the pidfd reports it
// running, its pid has not been given to another process.
class PinnedProcess {
public:
    // Invalid when no such process exists (or pidfds are unavailable).
    explicit PinnedProcess(pid_t pid);
    ~PinnedProcess();
    PinnedProcess(PinnedProcess&& other) noexcept;
    PinnedProcess& operator=(PinnedProcess&& other) noexcept;
    PinnedProcess(const PinnedProcess&) = delete;
    PinnedProcess& operator=(const PinnedProcess&) = delete;

    [[nodiscard]] bool valid() const noexcept { return fd_ >= 0; }
    [[nodiscard]] pid_t pid() const noexcept { return pid_; }
    // False once the process has exited (or was never pinned).
    [[nodiscard]] bool running() const noexcept;

private:
    int fd_ = -1;
    pid_t pid_ = 0;
};

// The browser a native-messaging host speaks for, as the kernel tells it.
// The browser starts the host, so the connected peer (`host`, pinned when the
// connection was accepted) must be a child of `claimedBrowser`; the browser's
// executable is then read from /proc/PID/exe. Both processes stay pinned
// while reading, so a pid reused meanwhile is caught. nullopt, with the
// reason in `why`, when the peer is not the browser's child or either
// process cannot be read.
std::optional<std::string> verifiedBrowserExecutable(const PinnedProcess& host, pid_t claimedBrowser, std::string& why);

// The parent of `pid` from /proc/PID/stat; nullopt when it cannot be read.
std::optional<pid_t> parentOf(pid_t pid);

} // namespace norvane::linux_browser
