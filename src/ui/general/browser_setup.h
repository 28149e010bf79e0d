#pragma once

#include <string>
#include <vector>

namespace norvane::ui {

// One supported browser as the settings page lists it.
struct BrowserStatus {
    std::string appID; // its desktop-entry id
    std::string name;  // "Google Chrome"
    bool firefox = false;
    // Only the Flatpak is installed: it cannot start the host outside its
    // sandbox, so registering would not help.
    bool flatpakOnly = false;
    // The host manifest is where this browser looks for it.
    bool registered = false;
    // A bridge of this browser is connected to the app now.
    bool live = false;

    bool operator==(const BrowserStatus&) const = default;
};

// The outcome of registering the host for one browser.
struct BrowserRegistration {
    bool ok = false;
    std::string error;        // why not, when !ok
    std::string extensionDir; // the extension folder to load; empty when unknown
};

// The browser bridge as the settings page sees it: which browsers are there,
// whether each can start the host and is reporting, and registering the host
// for one of them (what `norvanectl browser install` does for every browser).
// Main thread.
class BrowserSetup {
public:
    virtual ~BrowserSetup() = default;
    // The supported browsers installed on this computer (as a package or as a
    // Flatpak), in a fixed order.
    [[nodiscard]] virtual std::vector<BrowserStatus> browsers() = 0;
    // Writes the host manifest for the browser with this id.
    virtual BrowserRegistration registerHost(const std::string& appID) = 0;
};

} // namespace norvane::ui
