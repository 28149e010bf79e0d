#pragma once

#include "platform/linux/browser/host_manifest.h"
#include "ui/general/browser_setup.h"

#include <filesystem>
#include <functional>
#include <optional>

namespace norvane::linux_browser {
class BrowserPageCache;
} // namespace norvane::linux_browser

namespace norvane::ui {

// The browser bridge of this computer: the host manifests under the user's
// browser folders and the bridges connected to the app's page cache.
class LinuxBrowserSetup final : public BrowserSetup {
public:
    struct Locations {
        // This process's environment, read at each call (PATH and HOME can
        // change between tests, never in the app).
        std::function<linux_browser::HostEnvironment()> environment = linux_browser::HostEnvironment::current;
        // The host executable and the extension folder; nothing when missing.
        std::function<std::optional<std::filesystem::path>()> host;
        std::function<std::optional<std::filesystem::path>()> extension;
        // Folders where the browser reads host manifests installed for every
        // user (the package puts one there).
        std::function<std::vector<std::filesystem::path>(const linux_browser::BrowserTarget&)> systemManifestDirs =
            systemManifestDirectories;
    };
    static std::vector<std::filesystem::path> systemManifestDirectories(const linux_browser::BrowserTarget& browser);
    // Where the installed program keeps the host and the extension, else
    // where this build tree has them.
    static Locations defaultLocations();

    LinuxBrowserSetup(const linux_browser::BrowserPageCache& pages, Locations locations = defaultLocations());

    [[nodiscard]] std::vector<BrowserStatus> browsers() override;
    BrowserRegistration registerHost(const std::string& appID) override;

private:
    const linux_browser::BrowserPageCache& pages_;
    Locations locations_;
};

} // namespace norvane::ui
