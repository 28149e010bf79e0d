#include "platform/linux/browser/bridge_server.h"

#include "platform/linux/browser/peer_check.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <sys/un.h>
#include <unistd.h>

namespace norvane::linux_browser {

namespace {

constexpr std::size_t readChunk = std::size_t{16} * 1024;
constexpr int readsPerWakeup = 16; // then let other connections have a turn
constexpr int acceptsPerWakeup = 64;
constexpr std::uint64_t listenerID = 0;
constexpr std::uint64_t timerID = ~std::uint64_t{0};

bool fillAddress(const std::string& path, sockaddr_un& address, std::string& error)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        error = path + ": socket path too long";
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Whether something is accepting connections at `address` right now.
bool someoneListens(const sockaddr_un& address)
{
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        return false;
    }
    const bool live = ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return live;
}

} // namespace

BridgeServer::Options::Options() : allowedUid(::geteuid()) {}

std::unique_ptr<BridgeServer> BridgeServer::listen(const std::string& socketPath, BrowserPageCache& cache,
                                                   std::string& error, Options options)
{
    sockaddr_un address{};
    if (!fillAddress(socketPath, address, error)) {
        return nullptr;
    }
    struct stat st {};
    if (::lstat(socketPath.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            error = socketPath + ": exists and is not a socket";
            return nullptr;
        }
        if (someoneListens(address)) {
            error = socketPath + ": another process is already listening (is Norvane running twice?)";
            return nullptr;
        }
        ::unlink(socketPath.c_str());
    }

    std::unique_ptr<BridgeServer> server(new BridgeServer(cache, options));
    server->listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (server->listener_ < 0 ||
        ::bind(server->listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = socketPath + ": " + std::strerror(errno);
        return nullptr;
    }
    server->path_ = socketPath;
    if (::chmod(socketPath.c_str(), 0600) != 0 || ::listen(server->listener_, 16) != 0 ||
        ::stat(socketPath.c_str(), &st) != 0) {
        error = socketPath + ": " + std::strerror(errno);
        return nullptr;
    }
    server->device_ = st.st_dev;
    server->inode_ = st.st_ino;

    server->epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = listenerID;
    if (server->epoll_ < 0 || ::epoll_ctl(server->epoll_, EPOLL_CTL_ADD, server->listener_, &ev) != 0) {
        error = std::string("epoll: ") + std::strerror(errno);
        return nullptr;
    }
    server->timer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    ev.data.u64 = timerID;
    if (server->timer_ < 0 || ::epoll_ctl(server->epoll_, EPOLL_CTL_ADD, server->timer_, &ev) != 0) {
        error = std::string("timerfd: ") + std::strerror(errno);
        return nullptr;
    }
    return server;
}

BridgeServer::~BridgeServer()
{
    while (!connections_.empty()) {
        close(connections_.begin()->first);
    }
    if (listener_ >= 0) {
        ::close(listener_);
    }
    if (epoll_ >= 0) {
        ::close(epoll_);
    }
    if (timer_ >= 0) {
        ::close(timer_);
    }
    // Remove the socket file only while it is still the one this server made.
    struct stat st {};
    if (!path_.empty() && ::lstat(path_.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_) {
        ::unlink(path_.c_str());
    }
}

void BridgeServer::processReadable()
{
    std::array<epoll_event, 32> events{};
    const int n = ::epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), 0);
    for (int i = 0; i < n; ++i) {
        const auto id = events[static_cast<std::size_t>(i)].data.u64;
        if (id == listenerID) {
            acceptAll();
            continue;
        }
        if (id == timerID) {
            std::uint64_t expirations = 0;
            [[maybe_unused]] const auto r = ::read(timer_, &expirations, sizeof expirations);
            continue;
        }
        const auto it = connections_.find(id);
        if (it != connections_.end() && !readFrom(id, it->second)) {
            close(id);
        }
    }
    expireSilent();
}

void BridgeServer::expireSilent()
{
    const auto now = Clock::now();
    std::optional<Clock::time_point> next;
    for (auto it = connections_.begin(); it != connections_.end();) {
        const auto& c = it->second;
        if (c.host) {
            ++it;
            continue;
        }
        const auto deadline = std::min(c.acceptedAt + options_.helloDeadline, c.heardAt + options_.idleTimeout);
        if (deadline <= now) {
            ++refused_;
            const auto id = it->first;
            ++it;
            close(id);
            continue;
        }
        next = next ? std::min(*next, deadline) : deadline;
        ++it;
    }
    itimerspec wake{};
    if (next) {
        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(*next - now).count();
        constexpr long long perSecond = 1'000'000'000;
        wake.it_value.tv_sec = static_cast<time_t>(wait / perSecond);
        wake.it_value.tv_nsec = static_cast<long>(std::max<long long>(wait % perSecond, 1));
    }
    ::timerfd_settime(timer_, 0, &wake, nullptr); // all zero: disarmed
}

void BridgeServer::acceptAll()
{
    for (int i = 0; i < acceptsPerWakeup; ++i) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            return; // EAGAIN: nothing more waiting; anything else: try at the next wakeup
        }
        const auto peer = peerCredentials(fd);
        if (!peerAllowed(peer, options_.allowedUid) || connections_.size() >= options_.maxConnections) {
            ++refused_;
            ::close(fd);
            continue;
        }
        const auto id = nextID_++;
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.u64 = id;
        if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &ev) != 0) {
            ::close(fd);
            continue;
        }
        auto [it, added] = connections_.try_emplace(id, options_.maxMessageBytes, peer->pid);
        it->second.fd = fd;
        it->second.acceptedAt = it->second.heardAt = Clock::now();
    }
}

bool BridgeServer::readFrom(std::uint64_t id, Connection& c)
{
    std::array<char, readChunk> buffer{};
    for (int i = 0; i < readsPerWakeup; ++i) {
        const auto n = ::recv(c.fd, buffer.data(), buffer.size(), 0);
        if (n == 0) {
            return false;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        c.heardAt = Clock::now();
        c.reader.append(buffer.data(), static_cast<std::size_t>(n));
        while (auto payload = c.reader.next()) {
            if (!handle(id, c, *payload)) {
                return false;
            }
        }
        if (c.reader.broken()) {
            ++dropped_;
            return false;
        }
    }
    return true;
}

bool BridgeServer::handle(std::uint64_t id, Connection& c, const std::string& payload)
{
    auto message = parseInbound(payload);
    if (!message) {
        ++dropped_;
        return true;
    }
    if (const auto* hello = std::get_if<Hello>(&*message)) {
        if (c.host) {
            ++dropped_;
            return true;
        }
        // The executable named in the hello is not believed: a process that
        // is no browser's host could name any.
        std::string why;
        auto exe = verifiedBrowserExecutable(c.peer, hello->pid, why);
        if (!exe) {
            ++refused_;
            return false;
        }
        c.host = true;
        c.pid = hello->pid;
        cache_.connected(id, hello->pid, std::move(*exe));
        // Ask for the current page at once: the host may have come back after
        // the app restarted, with nothing to report until the user moves.
        return send(c, queryJSON());
    }
    if (const auto* relayed = std::get_if<Relayed>(&*message)) {
        if (!c.host || relayed->pid != c.pid) {
            ++dropped_;
            return true;
        }
        cache_.report(id, relayed->report);
        return true;
    }
    return send(c, statusReplyJSON(cache_.status()));
}

bool BridgeServer::send(Connection& c, const std::string& json)
{
    const auto frame = encodeFrame(json);
    const auto n = ::send(c.fd, frame.data(), frame.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    // A peer that lets a small reply back up is not reading: let it go.
    return n == static_cast<ssize_t>(frame.size());
}

void BridgeServer::close(std::uint64_t id)
{
    const auto it = connections_.find(id);
    if (it == connections_.end()) {
        return;
    }
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, it->second.fd, nullptr);
    ::close(it->second.fd);
    if (it->second.host) {
        cache_.disconnected(id);
    }
    connections_.erase(it);
}

} // namespace norvane::linux_browser
