// The login item starts the installed program that the desktop entry names,
// not the copy that happens to run (a build tree, a test binary).
#include "platform/linux/workspace/login_item.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct TempDir {
    fs::path path;
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "norvane-login-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
};

void writeFile(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

} // namespace

TEST(LoginCommand, FollowsTheInstalledEntryAndIgnoresOnesThatCannotRun)
{
    // Set before GIO first reads the application folders.
    const TempDir dir;
    const auto program = dir.path / "prefix/bin/norvane";
    writeFile(program, "#!/bin/sh\n");
    fs::permissions(program, fs::perms::owner_all);
    writeFile(dir.path / "share/applications/norvane.desktop",
              "[Desktop Entry]\nType=Application\nName=Norvane\nExec=" + program.string() + " --flag %U\n");
    ::setenv("XDG_DATA_HOME", (dir.path / "share").c_str(), 1);
    ::setenv("XDG_DATA_DIRS", (dir.path / "none").c_str(), 1);

    EXPECT_EQ(norvane::linux_workspace::AutostartLoginItem::currentCommand(),
              std::vector<std::string>{program.string()});

    // An entry whose program is gone does not send login to a missing file.
    fs::remove(program);
    const auto self = fs::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(norvane::linux_workspace::AutostartLoginItem::currentCommand(), std::vector<std::string>{self});
}
