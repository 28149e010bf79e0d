#pragma once

#include "platform/linux/browser/bridge_protocol.h"
#include "platform/page_address.h"
#include "platform/workspace.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace norvane::linux_browser {

// What one live browser bridge last reported, as published to readers.
struct BrowserPage {
    std::uint64_t connection = 0;
    int pid = 0; // the browser process
    std::string exe;
    std::vector<std::string> appIDs; // browserAppIDs(exe)
    // The active tab of the window that has focus now; none while no window of
    // the browser has focus or the tab has no address yet.
    std::optional<std::string> focusedURL;
    // The active tab of the window that had focus last, kept while the user is
    // in another application.
    std::optional<std::string> lastURL;
    std::size_t windows = 0;
    std::uint64_t sequence = 0; // larger is more recent
    std::chrono::steady_clock::time_point reportedAt;
};

struct PageSnapshot {
    std::vector<BrowserPage> browsers;
};

// The latest page address per browser process and window, fed by the bridge
// server and read from any thread. Writers (the bridge's one thread) build a
// new immutable snapshot after every change and publish it with one atomic
// swap; readers never wait for a writer. Addresses live only in memory.
class BrowserPageCache final : public PageAddressSource {
public:
    explicit BrowserPageCache(const FrontmostSource& frontmost);

    // For the frontmost application, when it is the browser process that
    // reports (matched by pid): the page in its focused window. For any other
    // case (the scope card asking about the browser the user just left, or a
    // frontmost window whose pid is unknown): the last page of the most
    // recently reporting bridge known by `appID`. None without a live bridge.
    // The address shares the snapshot it was read from.
    [[nodiscard]] PageAddress currentURL(const std::string& appID) const override;

    [[nodiscard]] std::shared_ptr<const PageSnapshot> snapshot() const
    {
        return published_.load(std::memory_order_acquire);
    }
    [[nodiscard]] std::vector<BridgeInfo> status() const;

    // Writers. A connection is known from its hello until it closes.
    void connected(std::uint64_t connection, int pid, std::string exe);
    void report(std::uint64_t connection, const Report& report);
    void disconnected(std::uint64_t connection);

    // A browser may keep this many windows in the cache; past it the oldest
    // unfocused window is forgotten.
    static constexpr std::size_t maxWindows = 64;

private:
    struct Bridge {
        int pid = 0;
        std::string exe;
        std::vector<std::string> appIDs;
        std::map<std::int64_t, std::string> windows;   // window id -> active tab address
        std::map<std::int64_t, std::uint64_t> touched; // window id -> sequence of its last report
        std::optional<std::int64_t> focused;
        std::optional<std::int64_t> lastFocused;
        std::uint64_t sequence = 0;
        std::chrono::steady_clock::time_point reportedAt;
    };

    void publishLocked();

    const FrontmostSource& frontmost_;
    std::mutex writeMutex_; // writers only; readers take the snapshot
    std::map<std::uint64_t, Bridge> bridges_;
    std::uint64_t sequence_ = 0;
    std::atomic<std::shared_ptr<const PageSnapshot>> published_;
};

} // namespace norvane::linux_browser
