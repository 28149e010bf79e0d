#include "platform/linux/common/poll_thread.h"

#include <atomic>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace norvane::linux_common {
namespace {

class EventFd {
public:
    EventFd() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~EventFd() { ::close(fd_); }
    EventFd(const EventFd&) = delete;
    EventFd& operator=(const EventFd&) = delete;
    [[nodiscard]] int fd() const { return fd_; }
    void signal() const
    {
        const eventfd_t one = 1;
        (void)!::write(fd_, &one, sizeof one);
    }
    void take() const
    {
        eventfd_t value = 0;
        (void)!::read(fd_, &value, sizeof value);
    }

private:
    int fd_;
};

bool waitFor(const std::atomic<int>& value, int expected)
{
    for (int i = 0; i < 300 && value.load() != expected; ++i) {
        ::usleep(10000);
    }
    return value.load() == expected;
}

// The listening threads of the Linux layer: each readiness runs the handler
// on the thread, stop() ends a thread that waits, and the same object can
// run again afterwards.
TEST(PollThread, RunsOnReadinessStopsWhileWaitingAndStartsAgain)
{
    EventFd source;
    std::atomic<int> calls{0};
    PollThread thread;
    ASSERT_TRUE(thread.start(source.fd(), [&] {
        source.take();
        ++calls;
        return true;
    }));
    EXPECT_FALSE(thread.start(source.fd(), [] { return true; })) << "a second thread";
    source.signal();
    EXPECT_TRUE(waitFor(calls, 1));
    source.signal();
    EXPECT_TRUE(waitFor(calls, 2));
    thread.stop(); // wakes it out of poll()
    EXPECT_FALSE(thread.running());

    // Started again, the handler ends the thread by returning false; the
    // first call comes at once when asked for.
    ASSERT_TRUE(thread.start(
        source.fd(), [&] { return ++calls < 4; }, true));
    EXPECT_TRUE(waitFor(calls, 3));
    source.signal(); // not taken: the handler is called until it says stop
    EXPECT_TRUE(waitFor(calls, 4));
    thread.stop();
    EXPECT_EQ(calls.load(), 4);
}

// The input thread waits in an epoll loop of its own: it is handed the stop
// descriptor to watch there.
TEST(PollThread, ALoopOfItsOwnEndsWhenItsStopDescriptorIsReadable)
{
    std::atomic<int> rounds{0};
    PollThread thread;
    ASSERT_TRUE(thread.startLoop([&](int stopFd) {
        pollfd stop{stopFd, POLLIN, 0};
        while (::poll(&stop, 1, 5) == 0) {
            ++rounds;
        }
    }));
    EXPECT_TRUE(thread.running());
    ::usleep(30000);
    thread.stop();
    EXPECT_FALSE(thread.running());
    EXPECT_GT(rounds.load(), 0);
}

TEST(PollThread, SleepEndsEarlyWhenStopped)
{
    EventFd source;
    std::atomic<int> slept{0};
    PollThread thread;
    ASSERT_TRUE(thread.start(source.fd(), [&] {
        source.take();
        slept = thread.sleep(std::chrono::seconds(30)) ? 1 : 2;
        return true;
    }));
    source.signal();
    ::usleep(50000);
    thread.stop(); // long before the 30 s are up
    EXPECT_EQ(slept.load(), 2);
}

} // namespace
} // namespace norvane::linux_common
