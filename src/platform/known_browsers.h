#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace norvane {

// One browser build as the desktop knows it. The browser bridge recognises
// it by its executable, the engine shows and matches its page address, and
// the templates offer the stable builds.
struct KnownBrowser {
    std::string_view appID; // desktop-entry id
    // File name of its executable and another name the same build may run
    // under; empty for a Flatpak id (the bridge never runs inside one).
    std::string_view exe;
    std::string_view otherExe;
    // A part of the executable's path that tells this channel from the others
    // with the same executable; empty for the build found anywhere else.
    std::string_view folder;
    // The id a distribution's package gives the same executable, or empty.
    std::string_view alias;
    bool offered = false; // a stable build the templates offer
};

namespace detail {
using namespace std::string_view_literals;
constexpr bool offered = true;
constexpr bool preview = false;
} // namespace detail

// Stable builds in the order the templates prefer them (the native package,
// then the Flatpak id of the same browser), then the preview channels.
inline constexpr std::array knownBrowsers = {
    KnownBrowser{"google-chrome", "chrome", {}, {}, {}, detail::offered},
    KnownBrowser{"com.google.Chrome", {}, {}, {}, {}, detail::offered},
    KnownBrowser{"microsoft-edge", "msedge", {}, {}, {}, detail::offered},
    KnownBrowser{"com.microsoft.Edge", {}, {}, {}, {}, detail::offered},
    KnownBrowser{"brave-browser", "brave", {}, {}, {}, detail::offered},
    KnownBrowser{"com.brave.Browser", {}, {}, {}, {}, detail::offered},
    KnownBrowser{"browser360-cn-stable", {}, {}, {}, {}, detail::offered},
    KnownBrowser{"vivaldi-stable", "vivaldi-bin", {}, {}, {}, detail::offered},
    KnownBrowser{"com.vivaldi.Vivaldi", {}, {}, {}, {}, detail::offered},
    KnownBrowser{"opera", "opera", {}, {}, {}, detail::offered},
    KnownBrowser{"com.opera.Opera", {}, {}, {}, {}, detail::offered},
    KnownBrowser{"chromium", "chromium", {}, {}, "chromium-browser", detail::offered},
    KnownBrowser{"chromium-browser", "chromium-browser", {}, {}, "chromium", detail::offered},
    KnownBrowser{"org.chromium.Chromium", {}, {}, {}, {}, detail::offered},
    KnownBrowser{"firefox", "firefox", "firefox-bin", {}, "firefox-esr", detail::offered},
    KnownBrowser{"firefox-esr", "firefox-esr", {}, {}, "firefox", detail::offered},
    KnownBrowser{"org.mozilla.firefox", {}, {}, {}, {}, detail::offered},

    KnownBrowser{"google-chrome-beta", "chrome", {}, "/chrome-beta/", {}, detail::preview},
    KnownBrowser{"google-chrome-unstable", "chrome", {}, "/chrome-unstable/", {}, detail::preview},
    KnownBrowser{"google-chrome-canary", "chrome", {}, "/chrome-canary/", {}, detail::preview},
    KnownBrowser{"com.google.ChromeDev", {}, {}, {}, {}, detail::preview},
    KnownBrowser{"microsoft-edge-beta", "msedge", {}, "/msedge-beta/", {}, detail::preview},
    KnownBrowser{"microsoft-edge-dev", "msedge", {}, "/msedge-dev/", {}, detail::preview},
    KnownBrowser{"microsoft-edge-canary", "msedge", {}, "/msedge-canary/", {}, detail::preview},
    KnownBrowser{"com.microsoft.EdgeDev", {}, {}, {}, {}, detail::preview},
    KnownBrowser{"brave-browser-beta", "brave", {}, "/brave-beta/", {}, detail::preview},
    KnownBrowser{"brave-browser-nightly", "brave", {}, "/brave-nightly/", {}, detail::preview},
    KnownBrowser{"vivaldi-snapshot", "vivaldi-bin", {}, "/vivaldi-snapshot/", {}, detail::preview},
    KnownBrowser{"opera-beta", "opera-beta", {}, {}, {}, detail::preview},
    KnownBrowser{"opera-developer", "opera-developer", {}, {}, {}, detail::preview},
};

// The row of a desktop-entry id, or nullptr.
constexpr const KnownBrowser* findKnownBrowser(std::string_view appID) noexcept
{
    for (const KnownBrowser& browser : knownBrowsers) {
        if (browser.appID == appID) {
            return &browser;
        }
    }
    return nullptr;
}

} // namespace norvane
