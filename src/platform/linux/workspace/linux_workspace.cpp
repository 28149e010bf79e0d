#include "platform/linux/workspace/linux_workspace.h"

#include "platform/linux/workspace/app_launcher.h"

#include <algorithm>

namespace norvane::linux_workspace {

LinuxWorkspace::LinuxWorkspace(AppCatalog& catalog, WindowSystem* windows) : catalog_(catalog), windows_(windows) {}

std::optional<std::string> LinuxWorkspace::installedLocation(const std::string& appID)
{
    return catalog_.installedLocation(appID);
}

std::vector<RunningApp> LinuxWorkspace::runningInstances(const std::string& appID)
{
    std::vector<RunningApp> out;
    if (!windows_) {
        return out;
    }
    for (const auto& w : windows_->windows()) {
        if (w.appID != appID || w.pid <= 0) {
            continue;
        }
        if (std::none_of(out.begin(), out.end(), [&](const RunningApp& r) { return r.pid == w.pid; })) {
            out.push_back({w.appID, w.pid});
        }
    }
    return out;
}

std::vector<RunningApp> LinuxWorkspace::runningApplications()
{
    std::vector<RunningApp> out;
    if (!windows_) {
        return out;
    }
    for (const auto& w : windows_->windows()) {
        if (!w.userFacing || w.appID.empty()) {
            continue;
        }
        if (std::none_of(out.begin(), out.end(),
                         [&](const RunningApp& r) { return r.appID == w.appID && r.pid == w.pid; })) {
            out.push_back({w.appID, w.pid});
        }
    }
    return out;
}

void LinuxWorkspace::open(const std::string& appID)
{
    (void)openApp(appID);
}

std::optional<std::string> LinuxWorkspace::openApp(const std::string& appID)
{
    if (windows_) {
        std::vector<WindowInfo> mine;
        for (auto& w : windows_->windows()) {
            if (w.appID == appID) {
                mine.push_back(std::move(w));
            }
        }
        if (!mine.empty()) {
            std::vector<std::uint64_t> restore;
            {
                const std::lock_guard guard(lock_);
                if (const auto it = hiddenByUs_.find(appID); it != hiddenByUs_.end()) {
                    for (const auto id : it->second) {
                        if (std::any_of(mine.begin(), mine.end(),
                                        [&](const WindowInfo& w) { return w.window == id && w.hidden; })) {
                            restore.push_back(id);
                        }
                    }
                    hiddenByUs_.erase(it);
                }
            }
            if (restore.empty()) {
                restore.push_back(mine.front().window);
            }
            // Back to front, so the window that was in front ends on top.
            bool sent = true;
            std::for_each(restore.rbegin(), restore.rend(),
                          [&](std::uint64_t window) { sent = windows_->activate(window) && sent; });
            return sent ? std::nullopt : std::optional<std::string>("the window manager did not take the request");
        }
    }
    const auto location = catalog_.installedLocation(appID);
    if (!location) {
        return appID + " is not installed";
    }
    return launchDesktopEntry(*location);
}

void LinuxWorkspace::hide(const FrontApp& app)
{
    if (!windows_ || !app.appID) {
        return;
    }
    std::vector<std::uint64_t> hidden;
    if (app.window != 0) {
        hidden.push_back(app.window);
    }
    for (const auto& w : windows_->windows()) {
        if (w.appID == *app.appID && w.pid == app.pid && !w.hidden && w.window != app.window) {
            hidden.push_back(w.window);
        }
    }
    for (const auto w : hidden) {
        windows_->hide(w);
    }
    const std::lock_guard guard(lock_);
    hiddenByUs_[*app.appID] = std::move(hidden);
}

} // namespace norvane::linux_workspace
