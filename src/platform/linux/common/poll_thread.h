#pragma once

#include "platform/linux/common/stop_signal.h"

#include <chrono>
#include <functional>
#include <thread>

namespace norvane {

// A thread that sleeps in poll() on one file descriptor next to a stop
// eventfd: the shape of every listening thread of the Linux layer (focus
// sources, the browser bridge).
//
// start() runs `onReady` on the new thread each time the descriptor is
// readable or hung up, until it returns false or stop() is called. stop()
// wakes the thread and joins it; afterwards start() may run it again.
class PollThread {
public:
    using OnReady = std::function<bool()>;

    PollThread() = default;
    ~PollThread() { stop(); }
    PollThread(const PollThread&) = delete;
    PollThread& operator=(const PollThread&) = delete;

    // False (and nothing started) when the thread cannot be made or one
    // runs already. With `readyAtStart` the thread calls `onReady` once
    // before its first wait (for a source whose reads can queue input).
    bool start(int fd, OnReady onReady, bool readyAtStart = false);
    // Any thread but this one.
    void stop();
    [[nodiscard]] bool running() const noexcept { return thread_.joinable(); }

    // On the thread: wait on `fd` from now on (after reconnecting).
    void watch(int fd) noexcept { fd_ = fd; }
    // On the thread: sleeps up to `time`; false when stop() came meanwhile.
    [[nodiscard]] bool sleep(std::chrono::milliseconds time) const;

private:
    void run(const OnReady& onReady, bool readyAtStart);

    StopSignal stop_;
    std::thread thread_;
    int fd_ = -1;
};

} // namespace norvane
