#include "fixture_data.h"
#include "platform/linux/workspace/app_catalog.h"
#include "platform/linux/workspace/app_identity.h"

#include <condition_variable>
#include <filesystem>
#include <gtest/gtest.h>

namespace norvane::linux_workspace {
namespace {

using testing::fixtureData;

TEST(DesktopEntries, IdsNamesAndVisibilityComeFromGio)
{
    DesktopEntryIndex index;
    AppCatalog catalog(index, IconTheme());
    const auto& data = fixtureData();

    EXPECT_EQ(catalog.installedLocation("org.example.Editor"),
              data.dataDir + "/applications/org.example.Editor.desktop");
    EXPECT_TRUE(catalog.installedLocation("vendor-tool")) << "entries in subfolders get dash-joined ids";
    EXPECT_TRUE(catalog.installedLocation("helper")) << "NoDisplay entries still identify windows";
    EXPECT_FALSE(catalog.installedLocation("gone")) << "Hidden=true means not installed";
    EXPECT_FALSE(catalog.installedLocation("org.example.editor")) << "ids are exact";

    EXPECT_EQ(catalog.displayName("org.example.Editor"), "示例编辑器");
    EXPECT_EQ(catalog.displayName("viewer"), "查看器") << "Name[zh] stands in for Name[zh_CN]";
    EXPECT_EQ(catalog.displayName("vendor-tool"), "Tool");
    EXPECT_EQ(catalog.displayName("gone"), std::nullopt);

    std::vector<std::string> shown;
    for (const auto& e : catalog.applications()) {
        shown.push_back(e.id);
    }
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "helper"), 0);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "gone"), 0);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "viewer"), 1);
}

TEST(DesktopEntries, InstallingAndRemovingAnEntryIsSeen)
{
    DesktopEntryIndex index;
    AppCatalog catalog(index, IconTheme());
    std::mutex lock;
    std::condition_variable changed;
    index.setChangeListener([&] {
        const std::lock_guard guard(lock);
        changed.notify_all();
    });
    const auto awaitName = [&](std::optional<std::string> name) {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(10),
                                [&] { return catalog.displayName("org.example.New") == name; });
    };
    const auto path = fixtureData().dataHome + "/applications/org.example.New.desktop";
    EXPECT_FALSE(catalog.installedLocation("org.example.New"));

    // Installed the way package managers do it: written aside, renamed in.
    testing::writeFile(fixtureData().root + "/new.tmp",
                       "[Desktop Entry]\nType=Application\nName=New\nName[zh_CN]=新应用\nExec=true\n");
    std::filesystem::rename(fixtureData().root + "/new.tmp", path);
    EXPECT_TRUE(awaitName("新应用"));

    std::filesystem::remove(path);
    EXPECT_TRUE(awaitName(std::nullopt));
}

TEST(AppIdentity, WindowsResolveLikeDesktopShellsDo)
{
    DesktopEntryIndex index;
    const auto entries = index.entries();
    const SandboxLookup sandbox = [](int pid) -> std::optional<std::string> {
        if (pid == 11) {
            return "org.example.Sandboxed";
        }
        if (pid == 12) {
            return "snapped";
        }
        return std::nullopt;
    };
    struct Case {
        WindowIdentity window;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {{"org.example.Gtk", "Whatever", "whatever", 0}, "org.example.Gtk"},
        {{"", "ExampleEditor", "exampleeditor", 0}, "org.example.Editor"},
        {{"", "exampleeditor", "", 0}, "org.example.Editor"}, // StartupWMClass ignoring case
        {{"", "Foo", "ToolClass", 0}, "vendor-tool"},         // instance against StartupWMClass
        {{"", "Viewer", "viewer", 0}, "viewer"},              // class against the entry id
        {{"", "Chrome-ish", "viewer (/tmp/profile)", 0}, "viewer"},
        {{"exampleeditor", "", "", 0}, "org.example.Editor"}, // a Wayland app_id is a class too
        {{"", "Opaque", "opaque", 11}, "org.example.Sandboxed"},
        {{"", "Opaque", "opaque", 12}, "snapped_app"},
        {{"", "Unknown-App", "unknown", 13}, "Unknown-App"},
        {{"io.raw.AppId", "", "", 0}, "io.raw.AppId"},
        {{"", "", "", 14}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(resolveAppID(*entries, c.window, sandbox), c.expected)
            << c.window.appID << "|" << c.window.wmClass << "|" << c.window.wmInstance << "|" << c.window.pid;
    }
}

TEST(AppIdentity, SandboxIsReadFromTheProcessScope)
{
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-flatpak-org.mozilla.firefox-4242.scope\n",
         "org.mozilla.firefox"},
        {"0::/user.slice/app.slice/app-flatpak-com.example.My-App-7.scope", "com.example.My-App"},
        {"0::/user.slice/user@1000.service/app.slice/snap.firefox.firefox-1b2c3d.scope\n", "firefox"},
        {"0::/user.slice/user@1000.service/app.slice/app-gnome-org.gnome.Terminal-1234.scope\n", std::nullopt},
        {"12:pids:/\n0::/init.scope\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(sandboxFromCgroup(text), expected) << text;
    }
    EXPECT_EQ(processSandbox(getpid()), std::nullopt);
}

TEST(Icons, ThemeLookupFollowsSizesInheritanceAndFallbacks)
{
    const auto& data = fixtureData();
    const auto hicolor = data.dataDir + "/icons/hicolor/";
    const IconTheme plain;
    EXPECT_EQ(plain.find("example-editor", 48), hicolor + "48x48/apps/example-editor.png");
    EXPECT_EQ(plain.find("example-editor", 256), hicolor + "scalable/apps/example-editor.svg");
    EXPECT_EQ(plain.find("only-small", 64), hicolor + "16x16/apps/only-small.png") << "closest size";
    EXPECT_EQ(plain.find("application-x-executable", 32), data.dataDir + "/pixmaps/application-x-executable.png");
    EXPECT_EQ(plain.find("no-such-icon", 32), std::nullopt);
    EXPECT_EQ(plain.find("../hicolor/index", 32), std::nullopt);

    const IconTheme fancy("Fancy");
    EXPECT_EQ(fancy.find("example-editor", 24), data.dataDir + "/icons/Fancy/24x24/apps/example-editor.png");
    EXPECT_EQ(fancy.find("only-small", 16), hicolor + "16x16/apps/only-small.png") << "inherited";

    DesktopEntryIndex index;
    AppCatalog catalog(index, IconTheme());
    EXPECT_EQ(catalog.icon("org.example.Editor", 48),
              (AppIcon{"example-editor", hicolor + "48x48/apps/example-editor.png"}));
    EXPECT_EQ(catalog.icon("viewer", 48).path, data.root + "/viewer.png") << "absolute Icon= path";
    const AppIcon fallback{AppCatalog::fallbackIcon, data.dataDir + "/pixmaps/application-x-executable.png"};
    EXPECT_EQ(catalog.icon("org.example.Gtk", 48), fallback) << "entry icon missing from the theme";
    EXPECT_EQ(catalog.icon("not.installed", 48), fallback);
    EXPECT_EQ(catalog.icon(std::nullopt, 48), fallback);
}

} // namespace
} // namespace norvane::linux_workspace
