#include "platform/linux/common/unix_socket.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace norvane::linux_common {

UnixSocket::~UnixSocket()
{
    close();
}

UnixSocket::UnixSocket(UnixSocket&& other) noexcept : fd_(other.fd_)
{
    other.fd_ = -1;
}

UnixSocket& UnixSocket::operator=(UnixSocket&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void UnixSocket::close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

std::optional<std::string> UnixSocket::connect(const std::string& path, std::chrono::milliseconds limit)
{
    close();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return "bad socket path: " + path;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        return std::string("socket: ") + std::strerror(errno);
    }
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(limit.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((limit.count() % 1000) * 1000);
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        close();
        return path + ": " + std::strerror(error);
    }
    return std::nullopt;
}

bool UnixSocket::sendAll(std::string_view data)
{
    while (!data.empty() && fd_ >= 0) {
        const auto n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return data.empty();
}

std::optional<std::string> UnixSocket::receiveExactly(std::size_t n)
{
    std::string out(n, '\0');
    std::size_t got = 0;
    while (got < n && fd_ >= 0) {
        const auto r = ::recv(fd_, out.data() + got, n - got, 0);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r <= 0) {
            return std::nullopt;
        }
        got += static_cast<std::size_t>(r);
    }
    return got == n ? std::optional(std::move(out)) : std::nullopt;
}

std::optional<std::string> UnixSocket::receiveAll()
{
    std::string out;
    char buffer[8192];
    while (fd_ >= 0) {
        const auto r = ::recv(fd_, buffer, sizeof buffer, 0);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0) {
            return std::nullopt;
        }
        if (r == 0) {
            return out;
        }
        out.append(buffer, static_cast<std::size_t>(r));
    }
    return std::nullopt;
}

std::optional<std::string> UnixSocket::receiveSome()
{
    char buffer[8192];
    while (fd_ >= 0) {
        const auto r = ::recv(fd_, buffer, sizeof buffer, 0);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r <= 0) {
            return std::nullopt;
        }
        return std::string(buffer, static_cast<std::size_t>(r));
    }
    return std::nullopt;
}

} // namespace norvane::linux_common
