#include "platform/linux/input/input_access.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace norvane::linux_input {
namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& text, fs::perms perms = fs::perms::owner_all)
{
    std::ofstream(path) << text;
    fs::permissions(path, perms);
}

const fs::path packaging = fs::path(NORVANE_SOURCE_DIR) / "packaging";

TEST(AccessPackaging, RuleHelperAndCommandsAgree)
{
    // The rule file without its comments is the rule the code knows.
    std::istringstream lines(readText(packaging / "udev" / fs::path(accessRulePath).filename()));
    std::string rule;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] != '#') {
            rule += line + "\n";
        }
    }
    EXPECT_EQ(rule, accessRule);
    // uaccess only takes effect when tagged before 73-seat-late.rules.
    EXPECT_LT(fs::path(accessRulePath).filename().string(), "73-seat-late.rules");

    const std::string helper = readText(packaging / "norvane-access-helper");
    const auto begin = helper.find("<<'RULES'\n");
    const auto end = helper.find("\nRULES\n");
    ASSERT_NE(begin, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(helper.substr(begin + 10, end + 1 - (begin + 10)), accessRule);
    EXPECT_NE(helper.find(std::string(accessRulePath)), std::string::npos);
    EXPECT_NE(helper.find(std::string(uinputLoadPath)), std::string::npos);

    const std::string commands = manualAccessCommands();
    EXPECT_NE(commands.find(std::string(accessRule)), std::string::npos);
    EXPECT_NE(commands.find("sudo modprobe uinput"), std::string::npos);
    EXPECT_NE(LinuxAccessPermission::instructions().find(commands), std::string::npos);

    const std::string policy = readText(packaging / "polkit" / "org.norvane.access.policy");
    EXPECT_NE(policy.find("/usr/libexec/norvane/norvane-access-helper"), std::string::npos);
    // Granting and taking back need an administrator, for every action.
    EXPECT_EQ(policy.find("<allow_active>yes"), std::string::npos);
    EXPECT_EQ(policy.find("<allow_any>yes"), std::string::npos);
    EXPECT_EQ(policy.find("<allow_inactive>yes"), std::string::npos);
    EXPECT_NE(policy.find("<allow_active>auth_admin_keep</allow_active>"), std::string::npos);
}

struct TempDir {
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
    fs::path path = fs::temp_directory_path() / ("norvane-access-" + std::to_string(::getpid()));
};

TEST(AccessCheck, CountsEventNodesAndNeedsUinput)
{
    TempDir dir;
    const fs::path input = dir.path / "input";
    fs::create_directories(input);
    writeFile(input / "event0", "");
    writeFile(input / "event1", "");
    writeFile(input / "mouse0", ""); // not an event node
    writeFile(dir.path / "uinput", "");

    InputAccess access = checkInputAccess(input, dir.path / "uinput");
    EXPECT_EQ(access.eventNodes, 2U);
    EXPECT_EQ(access.readableNodes, 2U);
    EXPECT_TRUE(access.canRemap());

    access = checkInputAccess(input, dir.path / "missing");
    EXPECT_FALSE(access.uinputWritable);
    EXPECT_FALSE(access.canRemap());
    EXPECT_TRUE(access.canRead());

    if (::geteuid() != 0) { // root reads everything
        fs::permissions(input / "event1", fs::perms::none);
        access = checkInputAccess(input, dir.path / "uinput");
        EXPECT_EQ(access.readableNodes, 1U);
        EXPECT_FALSE(access.canRemap());
    }
}

// Runs request() and waits for its outcome.
std::optional<std::string> requestAndWait(LinuxAccessPermission& permission)
{
    std::promise<std::optional<std::string>> outcome;
    permission.request([&](std::optional<std::string> instructions) { outcome.set_value(std::move(instructions)); });
    return outcome.get_future().get();
}

TEST(AccessRequest, RunsTheHelperThroughPkexecAndFallsBackToCommands)
{
    TempDir dir;
    const std::string savedPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    // A stand-in for pkexec: drops its option and runs the helper.
    writeFile(dir.path / "pkexec", "#!/bin/sh\nshift\nexec \"$@\"\n");
    writeFile(dir.path / "grant", "#!/bin/sh\nexit 0\n");
    writeFile(dir.path / "refuse", "#!/bin/sh\nexit 126\n");

    ::setenv("PATH", dir.path.c_str(), 1);
    LinuxAccessPermission granting((dir.path / "grant").string());
    EXPECT_EQ(requestAndWait(granting), std::nullopt);
    LinuxAccessPermission refusing((dir.path / "refuse").string());
    const auto refused = requestAndWait(refusing);
    ASSERT_TRUE(refused.has_value());
    EXPECT_NE(refused->find(manualAccessCommands()), std::string::npos);

    // No pkexec at all, or no helper: the commands at once.
    fs::remove(dir.path / "pkexec");
    EXPECT_TRUE(requestAndWait(granting).has_value());
    ::setenv("PATH", savedPath.c_str(), 1);
    LinuxAccessPermission noHelper{std::string()};
    EXPECT_TRUE(requestAndWait(noHelper).has_value());
}

} // namespace
} // namespace norvane::linux_input
