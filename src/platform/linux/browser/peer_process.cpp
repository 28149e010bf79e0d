#include "platform/linux/browser/peer_process.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace norvane::linux_browser {

namespace {

int pidfdOpen(pid_t pid) noexcept
{
    if (pid <= 0) {
        return -1;
    }
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

std::string procPath(pid_t pid, const char* entry)
{
    return "/proc/" + std::to_string(pid) + "/" + entry;
}

std::optional<std::string> readSmallFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::array<char, 1024> buffer{};
    const auto n = ::read(fd, buffer.data(), buffer.size());
    ::close(fd);
    if (n <= 0) {
        return std::nullopt;
    }
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

} // namespace

PinnedProcess::PinnedProcess(pid_t pid) : fd_(pidfdOpen(pid)), pid_(pid) {}

PinnedProcess::~PinnedProcess()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

PinnedProcess::PinnedProcess(PinnedProcess&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), pid_(std::exchange(other.pid_, 0))
{}

PinnedProcess& PinnedProcess::operator=(PinnedProcess&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
        pid_ = std::exchange(other.pid_, 0);
    }
    return *this;
}

bool PinnedProcess::running() const noexcept
{
    if (fd_ < 0) {
        return false;
    }
    // A pidfd becomes readable when its process exits.
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) == 0;
}

std::optional<pid_t> parentOf(pid_t pid)
{
    // "PID (COMM) STATE PPID ...": COMM may hold spaces and parentheses, so
    // the fields are counted from the last ')'.
    const auto stat = readSmallFile(procPath(pid, "stat"));
    if (!stat) {
        return std::nullopt;
    }
    const auto close = stat->rfind(')');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    char state = 0;
    int parent = 0;
    if (std::sscanf(stat->c_str() + close + 1, " %c %d", &state, &parent) != 2 || parent <= 0) {
        return std::nullopt;
    }
    return parent;
}

std::optional<std::string> verifiedBrowserExecutable(const PinnedProcess& host, pid_t claimedBrowser, std::string& why)
{
    const PinnedProcess browser(claimedBrowser);
    if (!host.valid() || !browser.valid()) {
        why = "process gone";
        return std::nullopt;
    }
    const auto parent = parentOf(host.pid());
    if (!parent || *parent != claimedBrowser) {
        why = "not started by the process it names";
        return std::nullopt;
    }
    std::array<char, 4096> buffer{};
    const auto n = ::readlink(procPath(claimedBrowser, "exe").c_str(), buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) {
        why = std::string("cannot read the browser's executable: ") + std::strerror(n < 0 ? errno : ENAMETOOLONG);
        return std::nullopt;
    }
    // Had either exited meanwhile, its pid could now belong to someone else.
    if (!host.running() || !browser.running()) {
        why = "process gone";
        return std::nullopt;
    }
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

} // namespace norvane::linux_browser
