#pragma once

#include "platform/linux/browser/bridge_protocol.h"

#include <string>
#include <vector>

namespace norvane::linux_browser {

// Connects to the app's bridge socket. Returns a close-on-exec descriptor
// (non-blocking when asked), or -1 with errno set: ENOENT or ECONNREFUSED
// mean the app is not running.
int connectBridge(const std::string& socketPath, bool nonBlocking);

struct StatusAnswer {
    enum class Outcome { ok, notRunning, failed } outcome = Outcome::failed;
    std::vector<BridgeInfo> browsers; // ok
    std::size_t omitted = 0;          // ok: live bridges that did not fit in the answer
    std::string error;                // failed
};

// Asks the running app which browsers have a live bridge. Waits at most
// `timeoutMs` for the answer.
StatusAnswer requestBridgeStatus(const std::string& socketPath, int timeoutMs);

} // namespace norvane::linux_browser
