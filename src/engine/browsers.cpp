#include "engine/browsers.h"

#include <algorithm>
#include <array>

namespace norvane {

namespace {

using namespace std::string_view_literals;

// Native package ids first, then the Flatpak id of the same browser.
constexpr std::array browserList = {
    "google-chrome"sv,
    "com.google.Chrome"sv,
    "microsoft-edge"sv,
    "com.microsoft.Edge"sv,
    "browser360-cn-stable"sv,
    "brave-browser"sv,
    "com.brave.Browser"sv,
    "vivaldi-stable"sv,
    "com.vivaldi.Vivaldi"sv,
    "opera"sv,
    "com.opera.Opera"sv,
    "google-chrome-unstable"sv,
    "google-chrome-canary"sv,
    "chromium"sv,
    "chromium-browser"sv,
    "org.chromium.Chromium"sv,
    "firefox"sv,
    "firefox-esr"sv,
    "org.mozilla.firefox"sv,
};

// The builds the templates offer; the preview channels are left out.
constexpr std::array knownList = {
    "google-chrome"sv,
    "com.google.Chrome"sv,
    "microsoft-edge"sv,
    "com.microsoft.Edge"sv,
    "brave-browser"sv,
    "com.brave.Browser"sv,
    "browser360-cn-stable"sv,
    "vivaldi-stable"sv,
    "com.vivaldi.Vivaldi"sv,
    "opera"sv,
    "com.opera.Opera"sv,
    "chromium"sv,
    "chromium-browser"sv,
    "org.chromium.Chromium"sv,
    "firefox"sv,
    "firefox-esr"sv,
    "org.mozilla.firefox"sv,
};

} // namespace

std::span<const std::string_view> browserIDs() noexcept
{
    return browserList;
}

bool isBrowser(std::string_view appID) noexcept
{
    return std::find(browserList.begin(), browserList.end(), appID) != browserList.end();
}

std::span<const std::string_view> knownBrowsers() noexcept
{
    return knownList;
}

std::vector<std::string> installedBrowsers(Workspace& workspace)
{
    std::vector<std::string> out;
    for (const auto id : knownList) {
        std::string text(id);
        if (workspace.isInstalled(text)) {
            out.push_back(std::move(text));
        }
    }
    return out;
}

} // namespace norvane
