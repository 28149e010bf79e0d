#pragma once

#include "model/app_names.h"
#include "platform/linux/workspace/desktop_entries.h"
#include "platform/linux/workspace/icon_theme.h"

#include <optional>
#include <string>
#include <vector>

namespace norvane::linux_workspace {

// An application's icon: the theme name (for toolkits that load themed icons
// themselves) and, when one was found, the image file for the asked size.
struct AppIcon {
    std::string name;
    std::optional<std::string> path;

    friend bool operator==(const AppIcon&, const AppIcon&) = default;
};

// The installed applications: whether one is installed, its display name,
// its icon, and the list to choose from. Thread-safe.
class AppCatalog final : public AppNameSource {
public:
    // The icon shown for an application that has none or is unknown.
    static constexpr const char* fallbackIcon = "application-x-executable";

    AppCatalog(DesktopEntryIndex& index, IconTheme theme);

    // The entry file of an installed application.
    [[nodiscard]] std::optional<std::string> installedLocation(const std::string& appID);
    // The entry's Name in the catalog's language; nothing when not installed.
    std::optional<std::string> displayName(const std::string& appID) override;
    // Never fails: an absent or unknown application gets the fallback icon.
    [[nodiscard]] AppIcon icon(const std::optional<std::string>& appID, int sizePx);
    // The applications meant for menus, sorted by display name: what the
    // user picks from when choosing an installed application.
    [[nodiscard]] std::vector<DesktopEntry> applications();

private:
    DesktopEntryIndex& index_;
    IconTheme theme_;
};

} // namespace norvane::linux_workspace
