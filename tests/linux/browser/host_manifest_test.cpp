#include "../../support/small_disk.h"
#include "platform/linux/browser/bridge_protocol.h"
#include "platform/linux/browser/host_manifest.h"
#include "test_support.h"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace norvane::linux_browser {
namespace {

namespace fs = std::filesystem;

nlohmann::json readJSON(const fs::path& file)
{
    return nlohmann::json::parse(std::ifstream(file), nullptr, false);
}

struct HostManifestTest : testing::Test {
    test::TempDir dir;
    HostEnvironment env;
    const std::string host = "/opt/norvane/lib/norvane-browser-host";

    void SetUp() override
    {
        env.home = dir.path() / "home";
        env.configHome = dir.path() / "config";
        env.dataHome = dir.path() / "data";
        const auto bin = dir.path() / "bin";
        fs::create_directories(bin);
        env.searchPath = {dir.path() / "nothing-here", bin};
        // Chromium and Firefox ESR are on PATH; Brave only left its folder.
        for (const char* exe : {"chromium", "firefox-esr"}) {
            std::ofstream(bin / exe) << "#!/bin/sh\n";
            fs::permissions(bin / exe, fs::perms::owner_all);
        }
        std::ofstream(bin / "google-chrome") << "not executable";
        fs::create_directories(env.configHome / "BraveSoftware/Brave-Browser");
    }
};

TEST_F(HostManifestTest, InstallWritesOneManifestPerInstalledBrowserWhereItLooks)
{
    const auto results = installHostManifests(env, host, false);
    std::vector<std::string> names;
    for (const auto& r : results) {
        EXPECT_TRUE(r.ok) << r.error;
        names.emplace_back(r.browser->name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Chromium", "Brave", "Firefox"}));

    const auto chromium = readJSON(env.configHome / "chromium/NativeMessagingHosts/app.norvane.bridge.json");
    EXPECT_EQ(chromium["name"], "app.norvane.bridge");
    EXPECT_EQ(chromium["path"], host);
    EXPECT_EQ(chromium["type"], "stdio");
    EXPECT_EQ(chromium["allowed_origins"],
              nlohmann::json::array({"chrome-extension://kmcamenccoafgkmmbfipdcmgbkibidoa/"}));
    EXPECT_FALSE(chromium.contains("allowed_extensions"));
    EXPECT_TRUE(
        fs::exists(env.configHome / "BraveSoftware/Brave-Browser/NativeMessagingHosts/app.norvane.bridge.json"));

    const auto firefox = readJSON(env.home / ".mozilla/native-messaging-hosts/app.norvane.bridge.json");
    EXPECT_EQ(firefox["allowed_extensions"], nlohmann::json::array({"bridge@norvane.app"}));
    EXPECT_FALSE(firefox.contains("allowed_origins"));

    // Installing again replaces the files in place and leaves nothing else.
    installHostManifests(env, "/usr/libexec/norvane/norvane-browser-host", false);
    EXPECT_EQ(readJSON(env.configHome / "chromium/NativeMessagingHosts/app.norvane.bridge.json")["path"],
              "/usr/libexec/norvane/norvane-browser-host");
    EXPECT_EQ(std::distance(fs::directory_iterator(env.configHome / "chromium/NativeMessagingHosts"), {}), 1);

    const auto removed = removeHostManifests(env);
    EXPECT_EQ(removed.size(), 3u);
    EXPECT_FALSE(fs::exists(env.configHome / "chromium/NativeMessagingHosts/app.norvane.bridge.json"));
    EXPECT_TRUE(removeHostManifests(env).empty());
}

TEST_F(HostManifestTest, APreviewChannelGetsTheManifestInItsOwnFolder)
{
    std::ofstream(dir.path() / "bin/google-chrome-beta") << "#!/bin/sh\n";
    fs::permissions(dir.path() / "bin/google-chrome-beta", fs::perms::owner_all);
    std::vector<std::string> names;
    for (const auto& r : installHostManifests(env, host, false)) {
        EXPECT_TRUE(r.ok) << r.error;
        names.emplace_back(r.browser->appID);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"chromium", "brave-browser", "firefox", "google-chrome-beta"}));
    EXPECT_TRUE(fs::exists(env.configHome / "google-chrome-beta/NativeMessagingHosts/app.norvane.bridge.json"));
    EXPECT_FALSE(fs::exists(env.configHome / "google-chrome"));
}

TEST_F(HostManifestTest, EveryBrowserOnRequestAndNeverARelativeHost)
{
    EXPECT_EQ(installHostManifests(env, host, true).size(), browserTargets().size());
    EXPECT_TRUE(fs::exists(env.configHome / "google-chrome/NativeMessagingHosts/app.norvane.bridge.json"));

    for (const auto& r : installHostManifests(env, "norvane-browser-host", false)) {
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find("absolute"), std::string::npos);
    }

    // A folder that cannot be created is reported per browser.
    fs::remove_all(env.configHome / "chromium");
    std::ofstream(env.configHome / "chromium") << "a file where the folder should be";
    for (const auto& r : installHostManifests(env, host, false)) {
        EXPECT_EQ(r.ok, r.browser->name != "Chromium") << r.browser->name;
        EXPECT_EQ(r.error.empty(), r.ok);
    }
}

TEST_F(HostManifestTest, AFullDiskKeepsTheEarlierManifestAndSaysSo)
{
    const auto folder = dir.path() / "hosts";
    fs::create_directories(folder);
    if (const auto why = norvane::test::SmallDisk::mountOver(folder.string()); !why.empty()) {
        GTEST_SKIP() << "full-disk handling not tested: cannot mount a small tmpfs here (" << why << ")";
    }
    std::string error;
    ASSERT_TRUE(writeHostManifest(folder, false, "/old/host", error)) << error;
    ASSERT_TRUE(norvane::test::SmallDisk::fill(folder.string()));
    const bool written = writeHostManifest(folder, false, host, error);
    const auto manifest = readJSON(folder / hostManifestFileName());
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    ::umount2(folder.c_str(), MNT_DETACH);
    EXPECT_FALSE(written);
    EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
    EXPECT_EQ(manifest.value("path", ""), "/old/host");
    EXPECT_EQ(names.size(), 2U); // the manifest and the filler
}

TEST(PackedExtension, ItsIdIsAdmittedBesideTheManifestKeysOne)
{
    const auto manifest = nlohmann::json::parse(
        hostManifestJSON(false, "/usr/libexec/norvane/host", {"abcdefghijklmnopabcdefghijklmnop"}));
    EXPECT_EQ(manifest["allowed_origins"],
              nlohmann::json::array({"chrome-extension://" + std::string(chromiumExtensionID) + "/",
                                     "chrome-extension://abcdefghijklmnopabcdefghijklmnop/"}));

    // Only a real extension id is read from the installed file.
    const fs::path dir = fs::temp_directory_path() / ("norvane-id-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const auto idFile = [&](const std::string& text) {
        std::ofstream(dir / "extension-id") << text;
        return readExtensionID(dir / "extension-id");
    };
    EXPECT_EQ(idFile("abcdefghijklmnopabcdefghijklmnop\n"), "abcdefghijklmnopabcdefghijklmnop");
    EXPECT_EQ(idFile("abcdefghijklmnopabcdefghijklmnoz\n"), std::nullopt);
    EXPECT_EQ(idFile("chrome-extension://x/"), std::nullopt);
    EXPECT_EQ(idFile(""), std::nullopt);
    fs::remove_all(dir);
    EXPECT_EQ(readExtensionID(dir / "extension-id"), std::nullopt);
}

TEST(ExtensionManifest, NamesTheIdsTheHostManifestsAllow)
{
    // The Chromium id follows from the manifest's public key (the end-to-end
    // test proves that one); Firefox takes the id as written.
    const auto manifest = readJSON(fs::path(NORVANE_TEST_EXTENSION_DIR) / "manifest.json");
    EXPECT_EQ(manifest["browser_specific_settings"]["gecko"]["id"], geckoExtensionID);
    EXPECT_EQ(manifest["manifest_version"], 3);
    EXPECT_TRUE(manifest["key"].is_string());
}

} // namespace
} // namespace norvane::linux_browser
