#include "engine/browsers.h"

#include "platform/known_browsers.h"

#include <array>

namespace norvane {

namespace {

constexpr auto browserList = [] {
    std::array<std::string_view, knownBrowsers.size()> ids{};
    for (std::size_t i = 0; i < ids.size(); ++i) {
        ids[i] = knownBrowsers[i].appID;
    }
    return ids;
}();

} // namespace

std::span<const std::string_view> browserIDs() noexcept
{
    return browserList;
}

bool isBrowser(std::string_view appID) noexcept
{
    return findKnownBrowser(appID) != nullptr;
}

std::vector<std::string> installedBrowsers(Workspace& workspace)
{
    std::vector<std::string> out;
    for (const KnownBrowser& browser : knownBrowsers) {
        std::string id(browser.appID);
        if (browser.offered && workspace.isInstalled(id)) {
            out.push_back(std::move(id));
        }
    }
    return out;
}

} // namespace norvane
