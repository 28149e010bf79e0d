#include "../../support/small_disk.h"
#include "fixture_data.h"
#include "platform/linux/workspace/login_item.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/mount.h>

namespace norvane::linux_workspace {
namespace {

namespace fs = std::filesystem;

class LoginItemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/norvane-autostart-XXXXXX";
        root_ = mkdtemp(pattern);
        setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (root_ + "/etc-xdg").c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_CONFIG_DIRS");
        fs::remove_all(root_);
    }
    static std::string read(const std::string& path)
    {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string root_;
};

TEST_F(LoginItemTest, RegisterAndUnregisterTheUserEntry)
{
    AutostartLoginItem item({"/opt/nor vane/bin/norvane", "--tray"});
    EXPECT_EQ(item.userEntryPath(), root_ + "/config/autostart/norvane.desktop");
    EXPECT_FALSE(item.enabled());

    EXPECT_EQ(item.enable(), std::nullopt) << "creates the missing folders";
    EXPECT_TRUE(item.enabled());
    const auto text = read(item.userEntryPath());
    EXPECT_NE(text.find("Exec=\"/opt/nor vane/bin/norvane\" --tray\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Type=Application\n"), std::string::npos);

    EXPECT_EQ(item.disable(), std::nullopt);
    EXPECT_FALSE(item.enabled());
    EXPECT_FALSE(fs::exists(item.userEntryPath()));
    EXPECT_EQ(item.disable(), std::nullopt) << "turning off what is off is no error";
}

TEST_F(LoginItemTest, AUserEntryOverridesASystemWideOne)
{
    testing::writeFile(root_ + "/etc-xdg/autostart/norvane.desktop",
                       "[Desktop Entry]\nType=Application\nName=Norvane\nExec=norvane\n");
    AutostartLoginItem item({"norvane"});
    EXPECT_TRUE(item.enabled()) << "the system-wide entry alone starts it";

    EXPECT_EQ(item.disable(), std::nullopt);
    EXPECT_FALSE(item.enabled()) << "a Hidden entry of the user's masks the system-wide one";
    EXPECT_NE(read(item.userEntryPath()).find("Hidden=true"), std::string::npos);

    EXPECT_EQ(item.enable(), std::nullopt);
    EXPECT_TRUE(item.enabled());

    testing::writeFile(item.userEntryPath(), "[Desktop Entry]\nType=Application\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(item.enabled()) << "switched off in the desktop's own settings";
}

TEST_F(LoginItemTest, FailuresAreReportedAsValues)
{
    // The configuration folder is a file: nothing can be created below it.
    testing::writeFile(root_ + "/config", "not a folder");
    AutostartLoginItem blocked({"norvane"});
    const auto error = blocked.enable();
    ASSERT_TRUE(error);
    EXPECT_NE(error->find(root_ + "/config"), std::string::npos) << *error;
    EXPECT_FALSE(blocked.enabled());

    // The entry's place holds a folder with content: it cannot be removed.
    fs::remove(root_ + "/config");
    testing::writeFile(root_ + "/config/autostart/norvane.desktop/keep", "");
    AutostartLoginItem stuck({"norvane"});
    EXPECT_FALSE(stuck.enabled()) << "a folder is no entry";
    EXPECT_TRUE(stuck.disable());
}

TEST(LoginItemPaths, RelativeConfigHomeIsIgnored)
{
    setenv("XDG_CONFIG_HOME", "relative/config", 1);
    unsetenv("XDG_CONFIG_DIRS");
    const auto dirs = AutostartLoginItem::defaultDirs();
    EXPECT_EQ(dirs.user, std::string(getenv("HOME")) + "/.config/autostart");
    EXPECT_EQ(dirs.system, std::vector<std::string>{"/etc/xdg/autostart"});
    unsetenv("XDG_CONFIG_HOME");
}

TEST(DesktopExecLine, QuotesAndEscapesAsEntriesRequire)
{
    EXPECT_EQ(desktopExecLine({"/usr/bin/norvane"}), "/usr/bin/norvane");
    EXPECT_EQ(desktopExecLine({"/a b/norvane", "--x"}), "\"/a b/norvane\" --x");
    EXPECT_EQ(desktopExecLine({"/p/100%"}), "/p/100%%");
    // A quoted backslash is escaped for the quoting, then again for the string.
    EXPECT_EQ(desktopExecLine({"/a b/\\x\"$"}), "\"/a b/\\\\\\\\x\\\\\"\\\\$\"");
    EXPECT_EQ(desktopExecLine({"norvane", ""}), "norvane \"\"");
}

TEST_F(LoginItemTest, AFullDiskLeavesNoHalfEntryAndSaysSo)
{
    const std::string folder = root_ + "/config/autostart";
    fs::create_directories(folder);
    if (const auto why = test::SmallDisk::mountOver(folder); !why.empty()) {
        GTEST_SKIP() << "full-disk handling not tested: cannot mount a small tmpfs here (" << why << ")";
    }
    ASSERT_TRUE(test::SmallDisk::fill(folder));
    AutostartLoginItem item({"/usr/bin/norvane"});
    const auto error = item.enable();
    ::umount2(folder.c_str(), MNT_DETACH);
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find("No space left on device"), std::string::npos) << *error;
}

} // namespace
} // namespace norvane::linux_workspace
