#pragma once

namespace norvane::linux_input {

// Turns SIGTERM, SIGINT and SIGTSTP into bytes on a pipe the input thread
// watches, so that it can release every key and grab before the signal takes
// its usual effect (see continueWithDefault). One instance at a time.
class SignalPipe {
public:
    SignalPipe() = default;
    ~SignalPipe() { uninstall(); }
    SignalPipe(const SignalPipe&) = delete;
    SignalPipe& operator=(const SignalPipe&) = delete;

    // False when another instance is installed or the pipe cannot be made.
    bool install() noexcept;
    // Restores the earlier handlers.
    void uninstall() noexcept;
    [[nodiscard]] int fd() const noexcept { return readFd_; }
    // The next signal number received, or 0.
    int take() noexcept;

    // Gives the signal its default effect: SIGTERM and SIGINT end the
    // process; SIGTSTP stops it, and this returns once it is continued (with
    // the handler in place again).
    void continueWithDefault(int signal) noexcept;

private:
    int readFd_ = -1;
    bool installed_ = false;
};

} // namespace norvane::linux_input
