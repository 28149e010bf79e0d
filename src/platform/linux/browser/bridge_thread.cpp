#include "platform/linux/browser/bridge_thread.h"

#include "platform/linux/browser/runtime_dir.h"

namespace norvane::linux_browser {

std::unique_ptr<BridgeThread> BridgeThread::start(std::unique_ptr<BridgeServer> server, std::string& error)
{
    std::unique_ptr<BridgeThread> t(new BridgeThread());
    t->server_ = std::move(server);
    BridgeServer& served = *t->server_;
    if (!t->thread_.start(served.fd(), [&served] {
            served.processReadable();
            return true;
        })) {
        error = "cannot start the bridge thread";
        return nullptr;
    }
    return t;
}

BridgeThread::~BridgeThread()
{
    thread_.stop();
    server_.reset();
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

} // namespace norvane::linux_browser
