#include "platform/linux/common/poll_thread.h"

#include <cerrno>
#include <poll.h>
#include <system_error>

namespace norvane::linux_common {

bool PollThread::start(int fd, OnReady onReady, bool readyAtStart)
{
    if (thread_.joinable() || !onReady) {
        return false;
    }
    fd_ = fd;
    return startLoop(
        [this, onReady = std::move(onReady), readyAtStart](int /*stopFd*/) { run(onReady, readyAtStart); });
}

bool PollThread::startLoop(std::function<void(int stopFd)> loop)
{
    if (thread_.joinable() || !loop || stop_.fd() < 0) {
        return false;
    }
    stop_.clear();
    try {
        thread_ = std::thread([loop = std::move(loop), stopFd = stop_.fd()] { loop(stopFd); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void PollThread::stop()
{
    if (thread_.joinable()) {
        stop_.raise();
        thread_.join();
    }
}

bool PollThread::sleep(std::chrono::milliseconds time) const
{
    pollfd stop{stop_.fd(), POLLIN, 0};
    return ::poll(&stop, 1, static_cast<int>(time.count())) == 0;
}

void PollThread::run(const OnReady& onReady, bool readyAtStart)
{
    if (readyAtStart && !onReady()) {
        return;
    }
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {stop_.fd(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0 || !onReady()) {
            return;
        }
    }
}

} // namespace norvane::linux_common
