#pragma once

#include "platform/linux/common/stop_signal.h"

#include <chrono>
#include <functional>
#include <thread>

namespace norvane::linux_common {

// A thread that sleeps in poll() on one file descriptor next to a stop
// eventfd: the shape of every listening thread of the Linux layer (focus
// sources, the browser bridge, the input thread).
//
// start() runs `onReady` on the new thread each time the descriptor is
// readable or hung up, until it returns false or stop() is called. A thread
// that waits on many descriptors in a loop of its own (the input thread's
// epoll set) is started with startLoop() and watches the stop descriptor it
// is given. stop() wakes the thread and joins it; afterwards it may be
// started again.
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
    // Runs `loop(stopFd)` on the new thread; it must return soon after
    // `stopFd` becomes readable.
    bool startLoop(std::function<void(int stopFd)> loop);
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

} // namespace norvane::linux_common
