#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace norvane {

// One browser build as the desktop knows it. The browser bridge recognises
// it by its executable, the engine shows and matches its page address, the
// templates offer the stable builds, and the host manifests go where the
// builds that can start the native-messaging host look for them.
struct KnownBrowser {
    std::string_view appID{}; // desktop-entry id
    // File name of its executable and another name the same build may run
    // under; empty for a Flatpak id (the bridge never runs inside one).
    std::string_view exe{};
    std::string_view otherExe{};
    // A part of the executable's path that tells this channel from the others
    // with the same executable; empty for the build found anywhere else.
    std::string_view folder{};
    // The id a distribution's package gives the same executable, or empty.
    std::string_view alias{};
    bool offered = false; // a stable build the templates offer

    // The native-messaging host. Rows without a `configDir` have no manifest
    // of their own: a Flatpak (which cannot start programs outside its
    // sandbox), a second id of a build listed earlier, or a browser whose
    // host folder is not known.
    std::string_view name{};                     // shown to the user
    std::string_view configDir{};                // its folder under $XDG_CONFIG_HOME ($HOME for Firefox)
    std::array<std::string_view, 2> launchers{}; // commands on PATH that start it
    std::string_view flatpakID{};                // the same browser as a Flatpak
    bool firefox = false;                        // manifests in Firefox's form and folder
};

// Stable builds in the order the templates prefer them (the native package,
// then the Flatpak id of the same browser), then the preview channels.
inline constexpr std::array knownBrowsers = {
    KnownBrowser{.appID = "google-chrome",
                 .exe = "chrome",
                 .offered = true,
                 .name = "Google Chrome",
                 .configDir = "google-chrome",
                 .launchers = {"google-chrome", "google-chrome-stable"},
                 .flatpakID = "com.google.Chrome"},
    KnownBrowser{.appID = "com.google.Chrome", .offered = true},
    KnownBrowser{.appID = "chromium",
                 .exe = "chromium",
                 .alias = "chromium-browser",
                 .offered = true,
                 .name = "Chromium",
                 .configDir = "chromium",
                 .launchers = {"chromium", "chromium-browser"},
                 .flatpakID = "org.chromium.Chromium"},
    KnownBrowser{.appID = "chromium-browser", .exe = "chromium-browser", .alias = "chromium", .offered = true},
    KnownBrowser{.appID = "org.chromium.Chromium", .offered = true},
    KnownBrowser{.appID = "microsoft-edge",
                 .exe = "msedge",
                 .offered = true,
                 .name = "Microsoft Edge",
                 .configDir = "microsoft-edge",
                 .launchers = {"microsoft-edge", "microsoft-edge-stable"},
                 .flatpakID = "com.microsoft.Edge"},
    KnownBrowser{.appID = "com.microsoft.Edge", .offered = true},
    KnownBrowser{.appID = "brave-browser",
                 .exe = "brave",
                 .offered = true,
                 .name = "Brave",
                 .configDir = "BraveSoftware/Brave-Browser",
                 .launchers = {"brave-browser", "brave"},
                 .flatpakID = "com.brave.Browser"},
    KnownBrowser{.appID = "com.brave.Browser", .offered = true},
    KnownBrowser{.appID = "browser360-cn-stable", .offered = true},
    KnownBrowser{.appID = "vivaldi-stable",
                 .exe = "vivaldi-bin",
                 .offered = true,
                 .name = "Vivaldi",
                 .configDir = "vivaldi",
                 .launchers = {"vivaldi", "vivaldi-stable"},
                 .flatpakID = "com.vivaldi.Vivaldi"},
    KnownBrowser{.appID = "com.vivaldi.Vivaldi", .offered = true},
    KnownBrowser{.appID = "opera", .exe = "opera", .offered = true},
    KnownBrowser{.appID = "com.opera.Opera", .offered = true},
    KnownBrowser{.appID = "firefox",
                 .exe = "firefox",
                 .otherExe = "firefox-bin",
                 .alias = "firefox-esr",
                 .offered = true,
                 .name = "Firefox",
                 .configDir = ".mozilla",
                 .launchers = {"firefox", "firefox-esr"},
                 .flatpakID = "org.mozilla.firefox",
                 .firefox = true},
    KnownBrowser{.appID = "firefox-esr", .exe = "firefox-esr", .alias = "firefox", .offered = true},
    KnownBrowser{.appID = "org.mozilla.firefox", .offered = true},

    KnownBrowser{.appID = "google-chrome-beta",
                 .exe = "chrome",
                 .folder = "/chrome-beta/",
                 .name = "Google Chrome Beta",
                 .configDir = "google-chrome-beta",
                 .launchers = {"google-chrome-beta"}},
    KnownBrowser{.appID = "google-chrome-unstable",
                 .exe = "chrome",
                 .folder = "/chrome-unstable/",
                 .name = "Google Chrome Dev",
                 .configDir = "google-chrome-unstable",
                 .launchers = {"google-chrome-unstable"},
                 .flatpakID = "com.google.ChromeDev"},
    KnownBrowser{.appID = "google-chrome-canary",
                 .exe = "chrome",
                 .folder = "/chrome-canary/",
                 .name = "Google Chrome Canary",
                 .configDir = "google-chrome-canary",
                 .launchers = {"google-chrome-canary"}},
    KnownBrowser{.appID = "com.google.ChromeDev"},
    KnownBrowser{.appID = "microsoft-edge-beta",
                 .exe = "msedge",
                 .folder = "/msedge-beta/",
                 .name = "Microsoft Edge Beta",
                 .configDir = "microsoft-edge-beta",
                 .launchers = {"microsoft-edge-beta"}},
    KnownBrowser{.appID = "microsoft-edge-dev",
                 .exe = "msedge",
                 .folder = "/msedge-dev/",
                 .name = "Microsoft Edge Dev",
                 .configDir = "microsoft-edge-dev",
                 .launchers = {"microsoft-edge-dev"},
                 .flatpakID = "com.microsoft.EdgeDev"},
    KnownBrowser{.appID = "microsoft-edge-canary", .exe = "msedge", .folder = "/msedge-canary/"},
    KnownBrowser{.appID = "com.microsoft.EdgeDev"},
    KnownBrowser{.appID = "brave-browser-beta",
                 .exe = "brave",
                 .folder = "/brave-beta/",
                 .name = "Brave Beta",
                 .configDir = "BraveSoftware/Brave-Browser-Beta",
                 .launchers = {"brave-browser-beta"}},
    KnownBrowser{.appID = "brave-browser-nightly",
                 .exe = "brave",
                 .folder = "/brave-nightly/",
                 .name = "Brave Nightly",
                 .configDir = "BraveSoftware/Brave-Browser-Nightly",
                 .launchers = {"brave-browser-nightly"}},
    KnownBrowser{.appID = "vivaldi-snapshot",
                 .exe = "vivaldi-bin",
                 .folder = "/vivaldi-snapshot/",
                 .name = "Vivaldi Snapshot",
                 .configDir = "vivaldi-snapshot",
                 .launchers = {"vivaldi-snapshot"}},
    KnownBrowser{.appID = "opera-beta", .exe = "opera-beta"},
    KnownBrowser{.appID = "opera-developer", .exe = "opera-developer"},
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
