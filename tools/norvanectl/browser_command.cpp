// norvanectl browser install|status|uninstall: sets up the browser bridge
// that tells Norvane which page the browser shows, and reports on it.
#include "commands.h"
#include "platform/linux/browser/bridge_client.h"
#include "platform/linux/browser/host_manifest.h"
#include "platform/linux/browser/runtime_dir.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

// Where this build tree keeps the host and the extension; empty otherwise.
#ifndef NORVANE_BUILD_HOST_PATH
#define NORVANE_BUILD_HOST_PATH ""
#endif
#ifndef NORVANE_BUILD_EXTENSION_DIR
#define NORVANE_BUILD_EXTENSION_DIR ""
#endif

namespace norvane::ctl {

namespace {

namespace fs = std::filesystem;
using linux_browser::bridgeSocketPath;
using linux_browser::browserTargets;
using linux_browser::hasFlatpak;
using linux_browser::HostEnvironment;
using linux_browser::hostManifestFileName;
using linux_browser::installHostManifests;
using linux_browser::isInstalled;
using linux_browser::locateExtension;
using linux_browser::locateHost;
using linux_browser::manifestDirectory;
using linux_browser::removeHostManifests;
using linux_browser::requestBridgeStatus;
using linux_browser::StatusAnswer;

constexpr const char* hostFileName = "norvane-browser-host";

void usage(std::FILE* out)
{
    std::fputs("usage: norvanectl browser install [--all] [--host PATH]\n"
               "       norvanectl browser status\n"
               "       norvanectl browser uninstall\n",
               out);
}

bool executable(const fs::path& path)
{
    return ::access(path.c_str(), X_OK) == 0;
}

std::vector<fs::path> buildTree(const char* path)
{
    return path[0] != '\0' ? std::vector<fs::path>{path} : std::vector<fs::path>{};
}

std::string tilde(const fs::path& path, const HostEnvironment& env)
{
    auto text = path.string();
    const auto home = env.home.string();
    if (home.size() > 1 && text.starts_with(home + "/")) {
        return "~" + text.substr(home.size());
    }
    return text;
}

void explainExtension(bool chromium, bool firefox)
{
    const auto extension = locateExtension(buildTree(NORVANE_BUILD_EXTENSION_DIR));
    const std::string where =
        extension ? extension->string() : std::string("(the browser-extension folder of Norvane)");
    std::puts("\nTo add the extension:");
    if (chromium) {
        std::printf("  Chrome, Chromium, Edge, Brave, Vivaldi: open the extensions page (chrome://extensions),\n"
                    "    turn on Developer mode, choose \"Load unpacked\" and pick\n      %s\n",
                    where.c_str());
    }
    if (firefox) {
        std::printf("  Firefox: open about:debugging#/runtime/this-firefox, choose \"Load Temporary Add-on\" and pick\n"
                    "      %s/manifest.json\n"
                    "    (a temporary add-on lasts until Firefox restarts).\n",
                    where.c_str());
    }
    std::puts("Then restart the browser. While Norvane runs, `norvanectl browser status` shows the live bridges.");
}

int install(int argc, char** argv)
{
    bool every = false;
    std::optional<fs::path> host;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--all") {
            every = true;
        } else if (arg == "--host" && i + 1 < argc) {
            host = fs::absolute(argv[++i]);
        } else {
            usage(stderr);
            return exitUsage;
        }
    }
    if (!host) {
        host = locateHost(buildTree(NORVANE_BUILD_HOST_PATH));
    }
    if (!host || !executable(*host)) {
        std::fprintf(stderr, "norvanectl browser install: cannot find %s; give its path with --host PATH\n",
                     hostFileName);
        return exitFailure;
    }
    const auto env = HostEnvironment::current();
    const auto results = installHostManifests(env, host->string(), every);
    for (const auto& browser : browserTargets()) {
        if (hasFlatpak(browser, env)) {
            std::printf("Note: %.*s is installed as a Flatpak (%.*s). A Flatpak browser cannot start programs outside "
                        "its sandbox, so the bridge works only with its distribution package.\n",
                        static_cast<int>(browser.name.size()), browser.name.data(),
                        static_cast<int>(browser.flatpakID.size()), browser.flatpakID.data());
        }
    }
    if (results.empty()) {
        std::string names;
        for (const auto& browser : browserTargets()) {
            names += (names.empty() ? "" : ", ") + std::string(browser.name);
        }
        std::printf("No supported browser found (%s).\n"
                    "Use --all to write the host manifest for every one of them anyway.\n",
                    names.c_str());
        return exitFailure;
    }
    bool failed = false;
    bool chromium = false;
    bool firefox = false;
    std::printf("Host: %s\n", host->c_str());
    for (const auto& r : results) {
        const auto& name = r.browser->name;
        if (r.ok) {
            std::printf("  %-22.*s %s\n", static_cast<int>(name.size()), name.data(), tilde(r.manifest, env).c_str());
            (r.browser->firefox ? firefox : chromium) = true;
        } else {
            std::printf("  %-22.*s failed: %s\n", static_cast<int>(name.size()), name.data(), r.error.c_str());
            failed = true;
        }
    }
    if (chromium || firefox) {
        explainExtension(chromium, firefox);
    }
    return failed ? exitFailure : exitOK;
}

int uninstall()
{
    const auto env = HostEnvironment::current();
    const auto results = removeHostManifests(env);
    if (results.empty()) {
        std::puts("No host manifest of Norvane was installed.");
        return exitOK;
    }
    bool failed = false;
    for (const auto& r : results) {
        std::printf("  %s %s%s\n", r.ok ? "removed" : "cannot remove", tilde(r.manifest, env).c_str(),
                    r.ok ? "" : (": " + r.error).c_str());
        failed = failed || !r.ok;
    }
    std::puts("The extension itself is removed from the browser's extensions page.");
    return failed ? exitFailure : exitOK;
}

int status()
{
    std::string error;
    const auto path = bridgeSocketPath(error);
    if (!path) {
        std::fprintf(stderr, "norvanectl browser status: %s\n", error.c_str());
        return exitFailure;
    }
    const auto answer = requestBridgeStatus(*path, 2000);
    if (answer.outcome == StatusAnswer::Outcome::notRunning) {
        std::puts("Norvane is not running, so no browser can report to it.");
        return exitFailure;
    }
    if (answer.outcome == StatusAnswer::Outcome::failed) {
        std::fprintf(stderr, "norvanectl browser status: %s\n", answer.error.c_str());
        return exitFailure;
    }
    std::vector<std::string> live;
    if (answer.browsers.empty() && answer.omitted == 0) {
        std::puts("Norvane is running; no browser has a live bridge.");
    } else {
        std::puts("Live bridges:");
        for (const auto& b : answer.browsers) {
            const auto name = !b.appIDs.empty() ? b.appIDs.front() : !b.exe.empty() ? b.exe : "(unknown browser)";
            std::printf("  %-22s pid %d, %zu window%s, %s, last report %llds ago\n", name.c_str(), b.pid, b.windows,
                        b.windows == 1 ? "" : "s", b.hasPage ? "page known" : "no page yet",
                        static_cast<long long>(b.idleSeconds));
            live.insert(live.end(), b.appIDs.begin(), b.appIDs.end());
        }
        if (answer.omitted > 0) {
            std::printf("  and %zu more not shown\n", answer.omitted);
        }
    }
    const auto env = HostEnvironment::current();
    for (const auto& browser : browserTargets()) {
        if (!isInstalled(browser, env) || std::find(live.begin(), live.end(), browser.appID) != live.end()) {
            continue;
        }
        std::error_code ec;
        const bool manifest = fs::exists(manifestDirectory(browser, env) / hostManifestFileName(), ec);
        std::printf("  %-22.*s no live bridge (%s)\n", static_cast<int>(browser.appID.size()), browser.appID.data(),
                    manifest ? "host installed: is the browser open, with the extension added?"
                             : "run `norvanectl browser install`");
    }
    return exitOK;
}

} // namespace

int runBrowser(int argc, char** argv)
{
    if (argc < 2) {
        usage(stderr);
        return exitUsage;
    }
    const std::string_view sub = argv[1];
    if (sub == "install") {
        return install(argc - 1, argv + 1);
    }
    if (sub == "status" && argc == 2) {
        return status();
    }
    if (sub == "uninstall" && argc == 2) {
        return uninstall();
    }
    usage(stderr);
    return exitUsage;
}

} // namespace norvane::ctl
