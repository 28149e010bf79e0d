#pragma once

#include <sys/eventfd.h>
#include <unistd.h>

namespace norvane {

// An eventfd a focus thread polls next to its connection, so stop() can
// wake it from any thread.
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

private:
    int fd_;
};

} // namespace norvane
