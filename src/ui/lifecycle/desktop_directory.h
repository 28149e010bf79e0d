#pragma once

#include "ui/state/app_directory.h"

#include <chrono>
#include <map>
#include <mutex>
#include <utility>

namespace norvane {
class Workspace;
} // namespace norvane

namespace norvane::linux_workspace {
class AppCatalog;
} // namespace norvane::linux_workspace

namespace norvane::ui {

// Applications as the desktop knows them: installed ones from the desktop
// entries, running ones from the window list of the focus source.
class DesktopDirectory final : public AppDirectory {
public:
    DesktopDirectory(linux_workspace::AppCatalog& catalog, Workspace& workspace)
        : catalog_(catalog), workspace_(workspace)
    {}

    std::vector<AppEntry> installed() override;
    std::vector<std::string> running() override;
    std::optional<std::string> iconFile(const std::optional<std::string>& appID, int sizePx) override;

private:
    struct CachedIcon {
        std::optional<std::string> file;
        std::chrono::steady_clock::time_point found;
    };

    linux_workspace::AppCatalog& catalog_;
    Workspace& workspace_;
    // A theme lookup stats thousands of paths for an icon it does not find;
    // the menu, the sidebar and the notice ask for the same few icons again
    // and again. Answers are kept for a minute, so a newly installed icon
    // still shows up.
    std::mutex iconLock_;
    std::map<std::pair<std::string, int>, CachedIcon> icons_;
};

} // namespace norvane::ui
