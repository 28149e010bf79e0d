#include "ui/lifecycle/desktop_directory.h"

#include "platform/linux/workspace/app_catalog.h"
#include "platform/workspace.h"

namespace norvane::ui {

std::vector<AppEntry> DesktopDirectory::installed()
{
    std::vector<AppEntry> out;
    for (const auto& entry : catalog_.applications()) {
        out.push_back({entry.id, entry.name});
    }
    return out;
}

std::vector<std::string> DesktopDirectory::running()
{
    std::vector<std::string> out;
    for (const auto& app : workspace_.runningApplications()) {
        // Only applications with a desktop entry are ones a person works with.
        if (catalog_.installedLocation(app.appID)) {
            out.push_back(app.appID);
        }
    }
    return out;
}

std::optional<std::string> DesktopDirectory::iconFile(const std::optional<std::string>& appID, int sizePx)
{
    constexpr auto keep = std::chrono::minutes(1);
    const auto now = std::chrono::steady_clock::now();
    const std::pair key{appID.value_or(std::string()), sizePx};
    const std::lock_guard lock(iconLock_);
    const auto it = icons_.find(key);
    if (it != icons_.end() && now - it->second.found < keep) {
        return it->second.file;
    }
    auto file = catalog_.icon(appID, sizePx).path;
    icons_[key] = CachedIcon{file, now};
    return file;
}

} // namespace norvane::ui
