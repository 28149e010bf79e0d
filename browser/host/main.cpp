// norvane-browser-host: the native-messaging host the browser extension
// starts. It reads the extension's reports on stdin (the browser's framing),
// relays them with the browser's process id to the Norvane app over the
// user's bridge socket, and passes the app's queries back on stdout. It
// reconnects when the app goes away and comes back, and ends when the
// browser closes stdin. It never prints an address.
#include "host_relay.h"
#include "platform/linux/browser/bridge_client.h"
#include "platform/linux/browser/bridge_protocol.h"
#include "platform/linux/browser/frame.h"
#include "platform/linux/browser/runtime_dir.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using norvane::linux_browser::bridgeDirectory;
using norvane::linux_browser::connectBridge;
using norvane::linux_browser::encodeFrame;
using norvane::linux_browser::FrameReader;
using norvane::linux_browser::HostRelay;
using norvane::linux_browser::isPrivateDirectory;
using norvane::linux_browser::maxMessageBytes;
using norvane::linux_browser::socketFileName;
using Clock = std::chrono::steady_clock;

constexpr auto firstRetry = std::chrono::milliseconds(500);
constexpr auto maxRetry = std::chrono::seconds(5);

std::string executableOf(int pid)
{
    std::array<char, 4096> buffer{};
    const auto link = "/proc/" + std::to_string(pid) + "/exe";
    const auto n = ::readlink(link.c_str(), buffer.data(), buffer.size() - 1);
    return n > 0 ? std::string(buffer.data(), static_cast<std::size_t>(n)) : std::string();
}

bool writeAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

class Host {
public:
    Host(HostRelay relay, std::string directory, std::string socketPath)
        : relay_(std::move(relay)), directory_(std::move(directory)), socketPath_(std::move(socketPath))
    {}

    int run()
    {
        for (;;) {
            if (app_ < 0 && Clock::now() >= nextAttempt_) {
                connect();
            }
            std::array<pollfd, 2> fds{pollfd{STDIN_FILENO, POLLIN, 0}, pollfd{app_, POLLIN, 0}};
            int timeout = -1;
            if (app_ < 0) {
                const auto wait = std::chrono::ceil<std::chrono::milliseconds>(nextAttempt_ - Clock::now());
                timeout = static_cast<int>(std::max<std::chrono::milliseconds::rep>(wait.count(), 0));
            }
            if (::poll(fds.data(), app_ < 0 ? 1 : 2, timeout) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return 1;
            }
            if (fds[0].revents != 0) {
                if (const auto done = readBrowser()) {
                    return *done;
                }
            }
            if (app_ >= 0 && fds[1].revents != 0) {
                readApp();
            }
        }
    }

private:
    void connect()
    {
        std::string error;
        if (isPrivateDirectory(directory_, error)) {
            app_ = connectBridge(socketPath_, true);
        }
        if (app_ < 0) {
            disconnect();
            return;
        }
        fromApp_ = FrameReader(maxMessageBytes);
        if (sendToApp(relay_.hello())) {
            retry_ = firstRetry;
        }
    }

    void disconnect()
    {
        if (app_ >= 0) {
            ::close(app_);
            app_ = -1;
        }
        nextAttempt_ = Clock::now() + retry_;
        retry_ = std::min<Clock::duration>(retry_ * 2, maxRetry);
    }

    // Small messages to a listener that reads promptly: anything short of a
    // whole frame means the app is stuck or gone, and on the next connection
    // it asks for the current page anyway.
    bool sendToApp(const std::string& json)
    {
        const auto frame = encodeFrame(json);
        const auto n = ::send(app_, frame.data(), frame.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n != static_cast<ssize_t>(frame.size())) {
            disconnect();
            return false;
        }
        return true;
    }

    // An exit status once the browser is gone or broke the framing.
    std::optional<int> readBrowser()
    {
        std::array<char, std::size_t{16} * 1024> buffer{};
        const auto n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            return std::nullopt;
        }
        if (n <= 0) {
            return 0;
        }
        fromBrowser_.append(buffer.data(), static_cast<std::size_t>(n));
        while (auto payload = fromBrowser_.next()) {
            const auto out = relay_.toApp(*payload);
            if (out && app_ >= 0) {
                sendToApp(*out);
            }
        }
        if (fromBrowser_.broken()) {
            std::fputs("norvane-browser-host: the browser sent an oversized message\n", stderr);
            return 1;
        }
        return std::nullopt;
    }

    void readApp()
    {
        std::array<char, std::size_t{16} * 1024> buffer{};
        const auto n = ::recv(app_, buffer.data(), buffer.size(), 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            return;
        }
        if (n <= 0) {
            disconnect();
            return;
        }
        fromApp_.append(buffer.data(), static_cast<std::size_t>(n));
        while (auto payload = fromApp_.next()) {
            if (const auto out = relay_.toExtension(*payload)) {
                writeAll(STDOUT_FILENO, encodeFrame(*out));
            }
        }
        if (fromApp_.broken()) {
            disconnect();
        }
    }

    HostRelay relay_;
    std::string directory_;
    std::string socketPath_;
    int app_ = -1;
    Clock::time_point nextAttempt_{};
    Clock::duration retry_ = firstRetry;
    FrameReader fromBrowser_{maxMessageBytes};
    FrameReader fromApp_{maxMessageBytes};
};

} // namespace

int main()
{
    std::signal(SIGPIPE, SIG_IGN);
    // The browser starts the host itself, so the parent is the browser
    // process whose windows the focus tracker reports.
    const int browser = static_cast<int>(::getppid());
    std::string error;
    const auto directory = bridgeDirectory(error);
    if (!directory) {
        std::fprintf(stderr, "norvane-browser-host: %s\n", error.c_str());
        return 1;
    }
    Host host(HostRelay(browser, executableOf(browser)), *directory, *directory + "/" + std::string(socketFileName));
    return host.run();
}
