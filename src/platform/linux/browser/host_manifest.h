#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace norvane::linux_browser {

// A browser that can start the native-messaging host, and where it looks for
// host manifests of this user: the rows of the known browsers that have a
// folder for them, in the table's order.
struct BrowserTarget {
    std::string_view name;                       // "Google Chrome"
    std::string_view appID;                      // its desktop-entry id
    std::array<std::string_view, 2> executables; // looked up on PATH; the second may be empty
    std::string_view userDir;                    // under $XDG_CONFIG_HOME, or under $HOME for Firefox
    bool firefox = false;
    std::string_view flatpakID; // the same browser as a Flatpak, which cannot start the host; may be empty
};
std::span<const BrowserTarget> browserTargets() noexcept;

struct HostEnvironment {
    std::filesystem::path home;
    std::filesystem::path configHome;              // $XDG_CONFIG_HOME, else ~/.config
    std::filesystem::path dataHome;                // $XDG_DATA_HOME, else ~/.local/share
    std::vector<std::filesystem::path> searchPath; // $PATH
    // From this process's environment.
    static HostEnvironment current();
};

std::filesystem::path manifestDirectory(const BrowserTarget& browser, const HostEnvironment& env);
// The browser counts as installed when one of its executables is on PATH or
// it has its folder in the user's configuration.
bool isInstalled(const BrowserTarget& browser, const HostEnvironment& env);
bool hasFlatpak(const BrowserTarget& browser, const HostEnvironment& env);

// The manifest that lets the extension start the host at `hostPath`.
// `packedIDs` are further Chromium extension ids to admit: the packed copy an
// installed Norvane ships is signed with its packager's key, so its id is not
// the one in the extension's manifest.
std::string hostManifestJSON(bool firefox, const std::string& hostPath, const std::vector<std::string>& packedIDs = {});
inline std::string hostManifestFileName()
{
    return "app.norvane.bridge.json";
}
// Writes it into `dir` (created when missing), replacing any earlier one at once.
bool writeHostManifest(const std::filesystem::path& dir, bool firefox, const std::string& hostPath, std::string& error);

struct InstallResult {
    const BrowserTarget* browser = nullptr;
    std::filesystem::path manifest;
    bool ok = false;
    std::string error;
};

// Writes the host manifest for every installed browser (for every known one
// with `everyBrowser`). `hostPath` must be absolute. The settings page and
// `norvanectl browser install` call this.
std::vector<InstallResult> installHostManifests(const HostEnvironment& env, const std::string& hostPath,
                                                bool everyBrowser);
// Removes the manifests this program wrote; only files that exist are listed.
std::vector<InstallResult> removeHostManifests(const HostEnvironment& env);

// Where the installed host executable and extension folder are: beside the
// running program, or under its ../libexec/norvane and ../share/norvane;
// failing that, the first of `fallbacks` that exists (a build tree's paths).
// Canonical paths.
std::optional<std::filesystem::path> locateHost(const std::vector<std::filesystem::path>& fallbacks = {});
std::optional<std::filesystem::path> locateExtension(const std::vector<std::filesystem::path>& fallbacks = {});
// The id of the packed extension installed with the program (its
// ../share/norvane/extension-id), when there is a well-formed one.
std::optional<std::string> packedExtensionID();
// The id in an extension-id file: 32 letters a to p.
std::optional<std::string> readExtensionID(const std::filesystem::path& file);

} // namespace norvane::linux_browser
