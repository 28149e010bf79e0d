#pragma once

#include "platform/linux/browser/bridge_server.h"
#include "platform/linux/browser/page_cache.h"
#include "platform/linux/common/poll_thread.h"

#include <memory>
#include <string>

namespace norvane::linux_browser {

// Runs a BridgeServer on a thread of its own until destroyed. For owners
// without an event loop to drive the server (the app can instead watch
// server.fd() with its own loop).
class BridgeThread {
public:
    static std::unique_ptr<BridgeThread> start(std::unique_ptr<BridgeServer> server, std::string& error);
    ~BridgeThread(); // stops the thread, then closes the server
    BridgeThread(const BridgeThread&) = delete;
    BridgeThread& operator=(const BridgeThread&) = delete;

private:
    BridgeThread() = default;

    std::unique_ptr<BridgeServer> server_;
    linux_common::PollThread thread_;
};

// Everything the app does to serve browsers: makes the private runtime
// folder, listens on the bridge socket and serves it on its own thread.
std::unique_ptr<BridgeThread> startBrowserBridge(BrowserPageCache& cache, std::string& error);

} // namespace norvane::linux_browser
