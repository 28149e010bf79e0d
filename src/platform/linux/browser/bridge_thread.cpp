#include "platform/linux/browser/bridge_thread.h"

#include "platform/linux/browser/runtime_dir.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace norvane::bridge {

std::unique_ptr<BridgeThread> BridgeThread::start(std::unique_ptr<BridgeServer> server, std::string& error)
{
    std::unique_ptr<BridgeThread> t(new BridgeThread());
    t->wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (t->wake_ < 0) {
        error = std::string("eventfd: ") + std::strerror(errno);
        return nullptr;
    }
    t->server_ = std::move(server);
    try {
        t->thread_ = std::thread([raw = t.get()] { raw->run(); });
    } catch (const std::system_error& e) {
        error = std::string("cannot start the bridge thread: ") + e.what();
        return nullptr;
    }
    return t;
}

BridgeThread::~BridgeThread()
{
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto n = ::write(wake_, &one, sizeof one);
        thread_.join();
    }
    server_.reset();
    if (wake_ >= 0) {
        ::close(wake_);
    }
}

void BridgeThread::run()
{
    std::array<pollfd, 2> fds{pollfd{server_->fd(), POLLIN, 0}, pollfd{wake_, POLLIN, 0}};
    for (;;) {
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if (fds[0].revents != 0) {
            server_->processReadable();
        }
    }
}

std::unique_ptr<BridgeThread> startBrowserBridge(BrowserPageCache& cache, std::string& error)
{
    const auto dir = bridgeDirectory(error);
    if (!dir || !ensurePrivateDirectory(*dir, error)) {
        return nullptr;
    }
    auto server = BridgeServer::listen(*dir + "/" + std::string(socketFileName), cache, error);
    if (!server) {
        return nullptr;
    }
    return BridgeThread::start(std::move(server), error);
}

} // namespace norvane::bridge
