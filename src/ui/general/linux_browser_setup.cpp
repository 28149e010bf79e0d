#include "ui/general/linux_browser_setup.h"

#include "platform/linux/browser/page_cache.h"

#include <algorithm>
#include <set>
#include <unistd.h>

// Where this build tree keeps the host and the extension; empty otherwise.
#ifndef NORVANE_BUILD_HOST_PATH
#define NORVANE_BUILD_HOST_PATH ""
#endif
#ifndef NORVANE_BUILD_EXTENSION_DIR
#define NORVANE_BUILD_EXTENSION_DIR ""
#endif

namespace norvane::ui {

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> buildTree(const char* path)
{
    return path[0] != '\0' ? std::vector<fs::path>{path} : std::vector<fs::path>{};
}

std::set<std::string> liveAppIDs(const linux_browser::BrowserPageCache& pages)
{
    std::set<std::string> ids;
    if (const auto snapshot = pages.snapshot()) {
        for (const auto& b : snapshot->browsers) {
            ids.insert(b.appIDs.begin(), b.appIDs.end());
        }
    }
    return ids;
}

bool fileExists(const fs::path& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

} // namespace

std::vector<fs::path> LinuxBrowserSetup::systemManifestDirectories(const linux_browser::BrowserTarget& browser)
{
    const std::string_view id = browser.appID;
    if (browser.firefox) {
        return {"/usr/lib/mozilla/native-messaging-hosts", "/usr/lib64/mozilla/native-messaging-hosts"};
    }
    if (id == "google-chrome") {
        return {"/etc/opt/chrome/native-messaging-hosts"};
    }
    if (id == "chromium") {
        return {"/etc/chromium/native-messaging-hosts"};
    }
    if (id == "microsoft-edge") {
        return {"/etc/opt/edge/native-messaging-hosts"};
    }
    if (id == "brave-browser") {
        return {"/etc/opt/brave.com/brave/native-messaging-hosts"};
    }
    if (id == "vivaldi-stable") {
        return {"/etc/opt/vivaldi/native-messaging-hosts"};
    }
    return {};
}

LinuxBrowserSetup::Locations LinuxBrowserSetup::defaultLocations()
{
    Locations l;
    l.host = [] { return linux_browser::locateHost(buildTree(NORVANE_BUILD_HOST_PATH)); };
    l.extension = [] { return linux_browser::locateExtension(buildTree(NORVANE_BUILD_EXTENSION_DIR)); };
    return l;
}

LinuxBrowserSetup::LinuxBrowserSetup(const linux_browser::BrowserPageCache& pages, Locations locations)
    : pages_(pages), locations_(std::move(locations))
{}

std::vector<BrowserStatus> LinuxBrowserSetup::browsers()
{
    const auto env = locations_.environment();
    const auto live = liveAppIDs(pages_);
    std::vector<BrowserStatus> list;
    for (const auto& target : linux_browser::browserTargets()) {
        const bool installed = linux_browser::isInstalled(target, env);
        if (!installed && !linux_browser::hasFlatpak(target, env)) {
            continue;
        }
        BrowserStatus s;
        s.appID = target.appID;
        s.name = target.name;
        s.firefox = target.firefox;
        s.flatpakOnly = !installed;
        s.registered =
            fileExists(linux_browser::manifestDirectory(target, env) / linux_browser::hostManifestFileName());
        if (!s.registered && locations_.systemManifestDirs) {
            for (const auto& dir : locations_.systemManifestDirs(target)) {
                s.registered = s.registered || fileExists(dir / linux_browser::hostManifestFileName());
            }
        }
        s.live = live.contains(s.appID);
        list.push_back(std::move(s));
    }
    return list;
}

BrowserRegistration LinuxBrowserSetup::registerHost(const std::string& appID)
{
    BrowserRegistration r;
    const auto targets = linux_browser::browserTargets();
    const auto target = std::find_if(targets.begin(), targets.end(), [&](const auto& t) { return t.appID == appID; });
    if (target == targets.end()) {
        r.error = "不支持的浏览器：" + appID;
        return r;
    }
    const auto host = locations_.host ? locations_.host() : std::nullopt;
    if (!host || ::access(host->c_str(), X_OK) != 0) {
        r.error = "找不到桥接程序 norvane-browser-host，请重新安装岚枢";
        return r;
    }
    const auto env = locations_.environment();
    r.ok = linux_browser::writeHostManifest(linux_browser::manifestDirectory(*target, env), target->firefox,
                                            host->string(), r.error);
    if (const auto extension = locations_.extension ? locations_.extension() : std::nullopt) {
        r.extensionDir = extension->string();
    }
    return r;
}

} // namespace norvane::ui
