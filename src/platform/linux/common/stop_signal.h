#pragma once

#include <sys/eventfd.h>
#include <unistd.h>

namespace norvane::linux_common {

// An eventfd a thread polls next to what it waits for, so that any other
// thread can wake it to stop.
class StopSignal {
public:
    StopSignal() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~StopSignal()
    {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    [[nodiscard]] int fd() const noexcept { return fd_; }
    void raise() const noexcept
    {
        const eventfd_t one = 1;
        (void)!write(fd_, &one, sizeof one);
    }

    // Takes back a raised signal (before the thread is started again).
    void clear() const noexcept
    {
        eventfd_t value = 0;
        (void)!read(fd_, &value, sizeof value);
    }

private:
    int fd_;
};

} // namespace norvane::linux_common
