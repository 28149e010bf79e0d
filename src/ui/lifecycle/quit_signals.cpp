#include "ui/lifecycle/quit_signals.h"

#include <QSocketNotifier>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace norvane::ui {

namespace {

constexpr std::array<int, 3> handled = {SIGTERM, SIGINT, SIGHUP};

std::atomic<int> writeFd{-1};
// Signals received and not yet read by the main thread, one bit each.
std::atomic<unsigned> pending{0};
std::array<struct sigaction, handled.size()> previous{};

extern "C" void onQuitSignal(int signal)
{
    const int saved = errno;
    const unsigned bit = 1U << static_cast<unsigned>(signal);
    if ((pending.fetch_or(bit) & bit) != 0) {
        // Asked twice and still not quitting: the default effect now.
        std::signal(signal, SIG_DFL);
        ::raise(signal);
    }
    const int fd = writeFd.load();
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(signal);
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent)
{
    if (writeFd.load() >= 0) {
        return;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    readFd_ = fds[0];
    writeFd.store(fds[1]);
    pending.store(0);
    for (std::size_t i = 0; i < handled.size(); ++i) {
        struct sigaction action {};
        action.sa_handler = onQuitSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(handled[i], &action, &previous[i]);
    }
    notifier_ = std::make_unique<QSocketNotifier>(readFd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &QuitSignals::readPending);
}

QuitSignals::~QuitSignals()
{
    if (readFd_ < 0) {
        return;
    }
    for (std::size_t i = 0; i < handled.size(); ++i) {
        sigaction(handled[i], &previous[i], nullptr);
    }
    notifier_.reset();
    ::close(writeFd.exchange(-1));
    ::close(readFd_);
}

void QuitSignals::readPending()
{
    unsigned char byte = 0;
    while (::read(readFd_, &byte, 1) == 1) {
        emit received(byte);
    }
}

} // namespace norvane::ui
