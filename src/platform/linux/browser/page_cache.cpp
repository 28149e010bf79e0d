#include "platform/linux/browser/page_cache.h"

#include "platform/linux/browser/browser_identity.h"

#include <algorithm>

namespace norvane::linux_browser {

namespace {

std::optional<std::string> addressOf(const std::map<std::int64_t, std::string>& windows,
                                     const std::optional<std::int64_t>& window)
{
    if (!window) {
        return std::nullopt;
    }
    const auto it = windows.find(*window);
    if (it == windows.end() || it->second.empty()) {
        return std::nullopt;
    }
    return it->second;
}

template <typename Pred> const BrowserPage* mostRecent(const PageSnapshot& snap, Pred pred)
{
    const BrowserPage* best = nullptr;
    for (const auto& b : snap.browsers) {
        if (pred(b) && (best == nullptr || b.sequence > best->sequence)) {
            best = &b;
        }
    }
    return best;
}

} // namespace

BrowserPageCache::BrowserPageCache(const FrontmostSource& frontmost) : frontmost_(frontmost)
{
    published_.store(std::make_shared<const PageSnapshot>(), std::memory_order_release);
}

PageAddress BrowserPageCache::currentURL(const std::string& appID) const
{
    auto snap = snapshot();
    if (!snap || snap->browsers.empty()) {
        return nullptr;
    }
    // The answer points into the snapshot and keeps it alive.
    const auto shared = [&snap](const std::optional<std::string>& url) {
        return url ? PageAddress(snap, &*url) : nullptr;
    };
    if (const auto front = frontmost_.frontmost(); front && front->appID == appID && front->pid > 0) {
        const auto pid = front->pid;
        if (const auto* b = mostRecent(*snap, [pid](const BrowserPage& p) { return p.pid == pid; })) {
            return shared(b->focusedURL);
        }
    }
    const auto* b = mostRecent(*snap, [&appID](const BrowserPage& p) {
        return std::find(p.appIDs.begin(), p.appIDs.end(), appID) != p.appIDs.end();
    });
    return b != nullptr ? shared(b->lastURL) : nullptr;
}

std::vector<BridgeInfo> BrowserPageCache::status() const
{
    const auto snap = snapshot();
    const auto now = std::chrono::steady_clock::now();
    std::vector<BridgeInfo> out;
    for (const auto& b : snap->browsers) {
        out.push_back(BridgeInfo{b.pid, b.exe, b.appIDs, b.windows, b.lastURL.has_value(),
                                 std::chrono::duration_cast<std::chrono::seconds>(now - b.reportedAt).count()});
    }
    return out;
}

void BrowserPageCache::connected(std::uint64_t connection, int pid, std::string exe)
{
    const std::lock_guard lock(writeMutex_);
    Bridge bridge;
    bridge.pid = pid;
    bridge.appIDs = browserAppIDs(exe);
    bridge.exe = std::move(exe);
    bridge.sequence = ++sequence_;
    bridge.reportedAt = std::chrono::steady_clock::now();
    bridges_[connection] = std::move(bridge);
    publishLocked();
}

void BrowserPageCache::report(std::uint64_t connection, const Report& report)
{
    const std::lock_guard lock(writeMutex_);
    const auto it = bridges_.find(connection);
    if (it == bridges_.end()) {
        return;
    }
    auto& b = it->second;
    b.sequence = ++sequence_;
    b.reportedAt = std::chrono::steady_clock::now();
    if (const auto* page = std::get_if<PageReport>(&report)) {
        b.windows[page->windowId] = std::string(cutUTF8(page->url, maxAddressBytes));
        b.touched[page->windowId] = b.sequence;
        b.focused = page->windowId;
        b.lastFocused = page->windowId;
        while (b.windows.size() > maxWindows) {
            const auto oldest = std::min_element(b.touched.begin(), b.touched.end(),
                                                 [](const auto& x, const auto& y) { return x.second < y.second; });
            b.windows.erase(oldest->first);
            b.touched.erase(oldest);
        }
    } else if (std::holds_alternative<Unfocused>(report)) {
        b.focused.reset();
    } else if (const auto* closed = std::get_if<WindowClosed>(&report)) {
        b.windows.erase(closed->windowId);
        b.touched.erase(closed->windowId);
        if (b.focused == closed->windowId) {
            b.focused.reset();
        }
        if (b.lastFocused == closed->windowId) {
            b.lastFocused.reset();
        }
    }
    publishLocked();
}

void BrowserPageCache::disconnected(std::uint64_t connection)
{
    const std::lock_guard lock(writeMutex_);
    if (bridges_.erase(connection) != 0) {
        publishLocked();
    }
}

void BrowserPageCache::publishLocked()
{
    auto snap = std::make_shared<PageSnapshot>();
    snap->browsers.reserve(bridges_.size());
    for (const auto& [connection, b] : bridges_) {
        snap->browsers.push_back(BrowserPage{connection, b.pid, b.exe, b.appIDs, addressOf(b.windows, b.focused),
                                             addressOf(b.windows, b.lastFocused), b.windows.size(), b.sequence,
                                             b.reportedAt});
    }
    published_.store(std::move(snap), std::memory_order_release);
}

} // namespace norvane::linux_browser
