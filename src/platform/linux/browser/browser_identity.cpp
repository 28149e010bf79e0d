#include "platform/linux/browser/browser_identity.h"

#include "platform/known_browsers.h"

namespace norvane::linux_browser {

namespace {

// The build an executable belongs to: among the builds with its file name,
// the channel whose folder is in the path, else the one found anywhere.
const KnownBrowser* buildOf(std::string_view exePath, std::string_view name)
{
    const KnownBrowser* plain = nullptr;
    for (const KnownBrowser& browser : knownBrowsers) {
        if (name.empty() || (browser.exe != name && browser.otherExe != name)) {
            continue;
        }
        if (browser.folder.empty()) {
            plain = plain != nullptr ? plain : &browser;
        } else if (exePath.find(browser.folder) != std::string_view::npos) {
            return &browser;
        }
    }
    return plain;
}

} // namespace

std::vector<std::string> browserAppIDs(std::string_view exePath)
{
    // The kernel appends " (deleted)" when the executable was replaced by an
    // update while the browser runs.
    constexpr std::string_view deleted = " (deleted)";
    if (exePath.ends_with(deleted)) {
        exePath.remove_suffix(deleted.size());
    }
    const auto slash = exePath.rfind('/');
    const auto name = slash == std::string_view::npos ? exePath : exePath.substr(slash + 1);
    if (const KnownBrowser* browser = buildOf(exePath, name)) {
        std::vector<std::string> ids{std::string(browser->appID)};
        if (!browser->alias.empty()) {
            ids.emplace_back(browser->alias);
        }
        return ids;
    }
    if (name.empty()) {
        return {};
    }
    return {std::string(name)};
}

} // namespace norvane::linux_browser
