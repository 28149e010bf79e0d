#include "platform/linux/workspace/app_catalog.h"

#include <algorithm>
#include <filesystem>
#include <glib.h>

namespace norvane::linux_workspace {

AppCatalog::AppCatalog(DesktopEntryIndex& index, IconTheme theme) : index_(index), theme_(std::move(theme)) {}

std::optional<std::string> AppCatalog::installedLocation(const std::string& appID)
{
    const auto entries = index_.entries();
    if (const auto* e = entries->find(appID)) {
        return e->path;
    }
    return std::nullopt;
}

std::optional<std::string> AppCatalog::displayName(const std::string& appID)
{
    const auto entries = index_.entries();
    if (const auto* e = entries->find(appID)) {
        return e->name;
    }
    return std::nullopt;
}

AppIcon AppCatalog::icon(const std::optional<std::string>& appID, int sizePx)
{
    if (appID) {
        const auto entries = index_.entries();
        if (const auto* e = entries->find(*appID); e && !e->icon.empty()) {
            if (e->icon.front() == '/') {
                std::error_code ec;
                if (std::filesystem::is_regular_file(e->icon, ec)) {
                    return {e->icon, e->icon};
                }
            } else if (auto path = theme_.find(e->icon, sizePx)) {
                return {e->icon, std::move(path)};
            }
        }
    }
    return {fallbackIcon, theme_.find(fallbackIcon, sizePx)};
}

std::vector<DesktopEntry> AppCatalog::applications()
{
    const auto entries = index_.entries();
    std::vector<DesktopEntry> shown;
    std::copy_if(entries->all().begin(), entries->all().end(), std::back_inserter(shown),
                 [](const DesktopEntry& e) { return e.shown; });
    // Collation keys follow the process locale, as the pickers do.
    std::vector<std::pair<std::string, std::size_t>> keys;
    keys.reserve(shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        gchar* key = g_utf8_collate_key(shown[i].name.c_str(), -1);
        keys.emplace_back(key, i);
        g_free(key);
    }
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<DesktopEntry> sorted;
    sorted.reserve(shown.size());
    for (const auto& [key, i] : keys) {
        sorted.push_back(std::move(shown[i]));
    }
    return sorted;
}

} // namespace norvane::linux_workspace
