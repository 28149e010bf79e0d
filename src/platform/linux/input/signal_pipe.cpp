#include "platform/linux/input/signal_pipe.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace norvane::linux_input {

namespace {

constexpr std::array<int, 3> watched = {SIGTERM, SIGINT, SIGTSTP};

std::atomic<int> writeFd{-1};
std::array<struct sigaction, 3> previous{};

extern "C" void onSignal(int signal)
{
    const int saved = errno;
    const int fd = writeFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(signal);
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = saved;
}

void setHandler(std::size_t i, struct sigaction* old)
{
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(watched[i], &action, old);
}

} // namespace

bool SignalPipe::install() noexcept
{
    if (installed_ || writeFd.load() >= 0) {
        return false;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    readFd_ = fds[0];
    writeFd.store(fds[1]);
    for (std::size_t i = 0; i < watched.size(); ++i) {
        setHandler(i, &previous[i]);
    }
    installed_ = true;
    return true;
}

void SignalPipe::uninstall() noexcept
{
    if (!installed_) {
        return;
    }
    for (std::size_t i = 0; i < watched.size(); ++i) {
        sigaction(watched[i], &previous[i], nullptr);
    }
    const int fd = writeFd.exchange(-1);
    ::close(fd);
    ::close(readFd_);
    readFd_ = -1;
    installed_ = false;
}

int SignalPipe::take() noexcept
{
    unsigned char byte = 0;
    return ::read(readFd_, &byte, 1) == 1 ? byte : 0;
}

void SignalPipe::continueWithDefault(int signal) noexcept
{
    std::size_t index = 0;
    while (index < watched.size() && watched[index] != signal) {
        ++index;
    }
    if (index == watched.size()) {
        return;
    }
    // The earlier disposition decides: the default for a plain program, or
    // whatever the application had installed before us.
    const struct sigaction& before = previous[index];
    if (before.sa_handler == SIG_IGN) {
        return;
    }
    if (before.sa_handler != SIG_DFL || (before.sa_flags & SA_SIGINFO) != 0) {
        // Someone else handles it: let them.
        sigaction(signal, &before, nullptr);
        ::raise(signal);
        setHandler(index, nullptr);
        return;
    }
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(signal);
    // Only SIGTSTP comes back here, once the process is continued.
    setHandler(index, nullptr);
}

} // namespace norvane::linux_input
