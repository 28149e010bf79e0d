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
    return catalog_.icon(appID, sizePx).path;
}

} // namespace norvane::ui
