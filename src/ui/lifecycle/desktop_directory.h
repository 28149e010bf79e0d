#pragma once

#include "ui/state/app_directory.h"

namespace norvane {
class AppCatalog;
class Workspace;
} // namespace norvane

namespace norvane::ui {

// Applications as the desktop knows them: installed ones from the desktop
// entries, running ones from the window list of the focus source.
class DesktopDirectory final : public AppDirectory {
public:
    DesktopDirectory(AppCatalog& catalog, Workspace& workspace) : catalog_(catalog), workspace_(workspace) {}

    std::vector<AppEntry> installed() override;
    std::vector<std::string> running() override;
    std::optional<std::string> iconFile(const std::optional<std::string>& appID, int sizePx) override;

private:
    AppCatalog& catalog_;
    Workspace& workspace_;
};

} // namespace norvane::ui
