#include "platform/linux/browser/host_manifest.h"

#include "platform/atomic_file.h"
#include "platform/known_browsers.h"
#include "platform/linux/browser/bridge_protocol.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace norvane::linux_browser {

namespace fs = std::filesystem;

namespace {

constexpr auto targets = [] {
    constexpr auto hasHost = [](const KnownBrowser& b) { return !b.configDir.empty(); };
    std::array<BrowserTarget, std::count_if(knownBrowsers.begin(), knownBrowsers.end(), hasHost)> out{};
    std::size_t i = 0;
    for (const KnownBrowser& b : knownBrowsers) {
        if (hasHost(b)) {
            out[i++] = BrowserTarget{b.name, b.appID, b.launchers, b.configDir, b.firefox, b.flatpakID};
        }
    }
    return out;
}();

fs::path envPath(const char* name, const fs::path& fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? fs::path(value) : fallback;
}

fs::path userDirectory(const BrowserTarget& browser, const HostEnvironment& env)
{
    return (browser.firefox ? env.home : env.configHome) / browser.userDir;
}

bool pathExists(const fs::path& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

} // namespace

std::span<const BrowserTarget> browserTargets() noexcept
{
    return targets;
}

HostEnvironment HostEnvironment::current()
{
    HostEnvironment env;
    const char* home = std::getenv("HOME");
    env.home = home != nullptr ? fs::path(home) : fs::path("/");
    env.configHome = envPath("XDG_CONFIG_HOME", env.home / ".config");
    env.dataHome = envPath("XDG_DATA_HOME", env.home / ".local/share");
    const char* path = std::getenv("PATH");
    std::string_view rest = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const auto part = rest.substr(0, colon);
        if (!part.empty()) {
            env.searchPath.emplace_back(part);
        }
        if (colon == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(colon + 1);
    }
    return env;
}

fs::path manifestDirectory(const BrowserTarget& browser, const HostEnvironment& env)
{
    return userDirectory(browser, env) / (browser.firefox ? "native-messaging-hosts" : "NativeMessagingHosts");
}

bool isInstalled(const BrowserTarget& browser, const HostEnvironment& env)
{
    for (const auto& dir : env.searchPath) {
        for (const auto exe : browser.executables) {
            if (!exe.empty() && ::access((dir / exe).c_str(), X_OK) == 0) {
                return true;
            }
        }
    }
    return pathExists(userDirectory(browser, env));
}

bool hasFlatpak(const BrowserTarget& browser, const HostEnvironment& env)
{
    if (browser.flatpakID.empty()) {
        return false;
    }
    const fs::path id(browser.flatpakID);
    return pathExists(env.dataHome / "flatpak/app" / id) || pathExists(fs::path("/var/lib/flatpak/app") / id);
}

std::string hostManifestJSON(bool firefox, const std::string& hostPath, const std::vector<std::string>& packedIDs)
{
    nlohmann::ordered_json manifest{
        {"name", hostName},
        {"description", "Norvane: hands the address of the active tab to the Norvane app on this computer"},
        {"path", hostPath},
        {"type", "stdio"},
    };
    if (firefox) {
        manifest["allowed_extensions"] = nlohmann::ordered_json::array({geckoExtensionID});
    } else {
        auto origins = nlohmann::ordered_json::array({"chrome-extension://" + std::string(chromiumExtensionID) + "/"});
        for (const auto& id : packedIDs) {
            const auto origin = "chrome-extension://" + id + "/";
            if (std::find(origins.begin(), origins.end(), origin) == origins.end()) {
                origins.push_back(origin);
            }
        }
        manifest["allowed_origins"] = std::move(origins);
    }
    return manifest.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

bool writeHostManifest(const fs::path& dir, bool firefox, const std::string& hostPath, std::string& error)
{
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        error = dir.string() + ": " + ec.message();
        return false;
    }
    const auto target = dir / hostManifestFileName();
    // Admit the packed extension installed with the program as well, so a
    // manifest written for one user does not shut out the copy the browser
    // installed from the package (the user's manifest is read first).
    std::vector<std::string> packed;
    if (auto id = packedExtensionID()) {
        packed.push_back(std::move(*id));
    }
    if (auto failed = writeFileAtomically(target.string(), hostManifestJSON(firefox, hostPath, packed))) {
        error = std::move(*failed);
        return false;
    }
    return true;
}

std::vector<InstallResult> installHostManifests(const HostEnvironment& env, const std::string& hostPath,
                                                bool everyBrowser)
{
    std::vector<InstallResult> results;
    for (const auto& browser : targets) {
        if (!everyBrowser && !isInstalled(browser, env)) {
            continue;
        }
        InstallResult r;
        r.browser = &browser;
        const auto dir = manifestDirectory(browser, env);
        r.manifest = dir / hostManifestFileName();
        if (!fs::path(hostPath).is_absolute()) {
            r.error = "the host's path must be absolute: " + hostPath;
        } else {
            r.ok = writeHostManifest(dir, browser.firefox, hostPath, r.error);
        }
        results.push_back(std::move(r));
    }
    return results;
}

std::vector<InstallResult> removeHostManifests(const HostEnvironment& env)
{
    std::vector<InstallResult> results;
    for (const auto& browser : targets) {
        const auto file = manifestDirectory(browser, env) / hostManifestFileName();
        if (!pathExists(file)) {
            continue;
        }
        InstallResult r;
        r.browser = &browser;
        r.manifest = file;
        std::error_code ec;
        r.ok = fs::remove(file, ec);
        if (ec) {
            r.error = ec.message();
        }
        results.push_back(std::move(r));
    }
    return results;
}

std::optional<fs::path> locateHost(const std::vector<fs::path>& fallbacks)
{
    std::vector<fs::path> candidates;
    std::error_code ec;
    const auto self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        candidates.push_back(self.parent_path() / "norvane-browser-host");
        candidates.push_back(self.parent_path() / "../libexec/norvane/norvane-browser-host");
    }
    candidates.insert(candidates.end(), fallbacks.begin(), fallbacks.end());
    for (const auto& c : candidates) {
        if (::access(c.c_str(), X_OK) == 0 && fs::is_regular_file(c, ec)) {
            auto canonical = fs::canonical(c, ec);
            return ec ? c : canonical;
        }
    }
    return std::nullopt;
}

std::optional<fs::path> locateExtension(const std::vector<fs::path>& fallbacks)
{
    std::vector<fs::path> candidates;
    std::error_code ec;
    const auto self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        candidates.push_back(self.parent_path() / "../share/norvane/browser-extension");
    }
    candidates.insert(candidates.end(), fallbacks.begin(), fallbacks.end());
    for (const auto& c : candidates) {
        if (pathExists(c / "manifest.json")) {
            auto canonical = fs::canonical(c, ec);
            return ec ? c : canonical;
        }
    }
    return std::nullopt;
}

std::optional<std::string> readExtensionID(const fs::path& file)
{
    std::ifstream in(file);
    std::string id;
    if (!(in >> id) || id.size() != 32 ||
        !std::all_of(id.begin(), id.end(), [](char c) { return c >= 'a' && c <= 'p'; })) {
        return std::nullopt;
    }
    return id;
}

std::optional<std::string> packedExtensionID()
{
    std::error_code ec;
    const auto self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return std::nullopt;
    }
    return readExtensionID(self.parent_path() / "../share/norvane/extension-id");
}

} // namespace norvane::linux_browser
