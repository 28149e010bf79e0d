// The settings page's browser rows on a made-up home folder: which browsers
// count as installed, registering the host for one of them, and live bridges.
#include "platform/linux/browser/page_cache.h"
#include "platform/sim/sim_platform.h"
#include "ui/general/linux_browser_setup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace norvane::test {
namespace {

namespace fs = std::filesystem;

void makeExecutable(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

class BrowserSetupTest : public ::testing::Test {
protected:
    BrowserSetupTest()
    {
        const fs::path root = dir.path().toStdString();
        env.home = root / "home";
        env.configHome = env.home / ".config";
        env.dataHome = env.home / ".local/share";
        env.searchPath = {root / "bin"};
        QDir().mkpath(dir.filePath("bin"));
        makeExecutable(dir.filePath("bin/chromium"));
        makeExecutable(dir.filePath("norvane-browser-host"));
        QDir().mkpath(dir.filePath("home/.mozilla"));                                   // Firefox by its folder
        QDir().mkpath(dir.filePath("home/.local/share/flatpak/app/com.brave.Browser")); // Brave only as a Flatpak
        locations.environment = [this] { return env; };
        locations.host = [this]() -> std::optional<fs::path> { return host; };
        locations.extension = [] { return std::optional<fs::path>("/usr/share/norvane/browser-extension"); };
        locations.systemManifestDirs = [this](const linux_browser::BrowserTarget& b) {
            return std::vector<fs::path>{fs::path(dir.filePath("etc").toStdString()) / b.appID};
        };
    }

    QTemporaryDir dir;
    linux_browser::HostEnvironment env;
    std::optional<fs::path> host = fs::path(dir.filePath("norvane-browser-host").toStdString());
    ui::LinuxBrowserSetup::Locations locations;
    sim::Platform sim;
    linux_browser::BrowserPageCache pages{sim.frontmost};
};

TEST_F(BrowserSetupTest, ListsInstalledBrowsersAndRegistersTheHostForOne)
{
    ui::LinuxBrowserSetup setup(pages, locations);
    auto list = setup.browsers();
    ASSERT_EQ(list.size(), 3U);
    EXPECT_EQ(list[0].appID, "chromium");
    EXPECT_EQ(list[1].appID, "brave-browser");
    EXPECT_TRUE(list[1].flatpakOnly);
    EXPECT_EQ(list[2].appID, "firefox");
    EXPECT_TRUE(list[2].firefox);
    for (const auto& b : list) {
        EXPECT_FALSE(b.registered || b.live) << b.appID;
    }

    const auto r = setup.registerHost("chromium");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.extensionDir, "/usr/share/norvane/browser-extension");
    QFile manifest(dir.filePath("home/.config/chromium/NativeMessagingHosts/app.norvane.bridge.json"));
    ASSERT_TRUE(manifest.open(QIODevice::ReadOnly));
    EXPECT_TRUE(manifest.readAll().contains(host->string().c_str()));
    // Only that browser: Firefox's folder has no manifest.
    EXPECT_FALSE(QFile::exists(dir.filePath("home/.mozilla/native-messaging-hosts/app.norvane.bridge.json")));

    pages.connected(1, 4242, "/usr/lib/chromium/chromium");
    list = setup.browsers();
    EXPECT_TRUE(list[0].registered);
    EXPECT_TRUE(list[0].live);
    EXPECT_FALSE(list[2].registered);
    pages.disconnected(1);
    EXPECT_FALSE(setup.browsers()[0].live);
}

TEST_F(BrowserSetupTest, AManifestInstalledForEveryUserCountsAsRegistered)
{
    QDir().mkpath(dir.filePath("etc/firefox"));
    QFile manifest(dir.filePath("etc/firefox/app.norvane.bridge.json"));
    ASSERT_TRUE(manifest.open(QIODevice::WriteOnly));
    manifest.close();
    ui::LinuxBrowserSetup setup(pages, locations);
    const auto list = setup.browsers();
    EXPECT_FALSE(list[0].registered);
    EXPECT_TRUE(list[2].registered);
}

TEST_F(BrowserSetupTest, RegisteringFailsClearlyWithoutTheHostOrForAnUnknownBrowser)
{
    host.reset();
    ui::LinuxBrowserSetup setup(pages, locations);
    auto r = setup.registerHost("chromium");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("norvane-browser-host"), std::string::npos);
    EXPECT_FALSE(QFile::exists(dir.filePath("home/.config/chromium/NativeMessagingHosts/app.norvane.bridge.json")));

    r = setup.registerHost("netscape");
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
}

} // namespace
} // namespace norvane::test
