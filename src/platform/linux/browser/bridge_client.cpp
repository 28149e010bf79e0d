#include "platform/linux/browser/bridge_client.h"

#include "platform/linux/browser/frame.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace norvane::linux_browser {

int connectBridge(const std::string& socketPath, bool nonBlocking)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    if (nonBlocking) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    return fd;
}

StatusAnswer requestBridgeStatus(const std::string& socketPath, int timeoutMs)
{
    StatusAnswer answer;
    const int fd = connectBridge(socketPath, true);
    if (fd < 0) {
        if (errno == ENOENT || errno == ECONNREFUSED) {
            answer.outcome = StatusAnswer::Outcome::notRunning;
        } else {
            answer.error = socketPath + ": " + std::strerror(errno);
        }
        return answer;
    }
    const auto request = encodeFrame(statusRequestJSON());
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size())) {
        answer.error = std::string("cannot send the request: ") + std::strerror(errno);
        ::close(fd);
        return answer;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    FrameReader reader(maxMessageBytes);
    std::array<char, std::size_t{16} * 1024> buffer{};
    for (;;) {
        if (auto payload = reader.next()) {
            if (auto reply = parseStatusReply(*payload)) {
                answer.outcome = StatusAnswer::Outcome::ok;
                answer.browsers = std::move(reply->browsers);
                answer.omitted = reply->omitted;
            } else {
                answer.error = "the app sent an answer this tool does not understand";
            }
            break;
        }
        if (reader.broken()) {
            answer.error = "the app's answer is too large";
            break;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        const int ready = left.count() > 0 ? ::poll(&p, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            answer.error = "the app did not answer in time";
            break;
        }
        const auto n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n <= 0) {
            answer.error = "the app closed the connection without answering";
            break;
        }
        reader.append(buffer.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    return answer;
}

} // namespace norvane::linux_browser
