// End to end: a headless Chromium with the extension loaded starts the real
// native-messaging host, which reports to the real bridge server; tabs are
// opened and switched through the DevTools protocol, and the real engine
// decides a page-scoped rule on the addresses the cache holds.
#include "child_process.h"
#include "engine/engine.h"
#include "platform/linux/browser/bridge_client.h"
#include "platform/linux/browser/bridge_thread.h"
#include "platform/linux/browser/host_manifest.h"
#include "platform/linux/browser/runtime_dir.h"
#include "platform/sim/sim_platform.h"
#include "test_support.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <sstream>

namespace norvane::linux_browser {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Keeps the last probe report (the executor runs on the test thread).
struct ProbeLog final : EngineListener {
    void recordHit(const CompiledMapping& /*mapping*/, const std::optional<std::string>& /*appID*/) override {}
    void probe(const ProbeInfo& info) override { last = info; }
    std::optional<ProbeInfo> last;
};

class BrowserEndToEnd : public testing::Test {
protected:
    test::TempDir dir;
    std::string runtime = (dir.path() / "run").string();
    FrontmostSnapshot front;
    BrowserPageCache cache{front};
    std::unique_ptr<BridgeThread> bridge;
    std::unique_ptr<test::ChildProcess> driver;
    int browserPid = 0;
    std::string base;

    void SetUp() override
    {
        if (!fs::exists(NORVANE_TEST_CHROMIUM)) {
            GTEST_SKIP() << NORVANE_TEST_CHROMIUM << " is missing (scripts/setup installs the chromium package)";
        }
        std::string error;
        ASSERT_TRUE(ensurePrivateDirectory(runtime, error) && ensurePrivateDirectory(runtime + "/norvane", error))
            << error;
        auto server = BridgeServer::listen(runtime + "/norvane/" + std::string(socketFileName), cache, error);
        ASSERT_TRUE(server) << error;
        bridge = BridgeThread::start(std::move(server), error);
        ASSERT_TRUE(bridge) << error;

        // With --user-data-dir, Chromium looks for host manifests inside it.
        const auto profile = dir.path() / "profile";
        ASSERT_TRUE(writeHostManifest(profile / "NativeMessagingHosts", false, NORVANE_TEST_HOST_PATH, error)) << error;
        const auto pages = dir.path() / "www";
        fs::create_directories(pages);
        for (const char* name : {"alpha", "beta", "gamma"}) {
            std::ofstream(pages / (std::string(name) + ".html")) << "<!doctype html><title>" << name << "</title>";
        }

        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1); // the browser passes it on to the host
        driver = std::make_unique<test::ChildProcess>(
            std::vector<std::string>{"/usr/bin/python3", NORVANE_TEST_CDP_DRIVER, "--chromium", NORVANE_TEST_CHROMIUM,
                                     "--profile", profile.string(), "--extension", NORVANE_TEST_EXTENSION_DIR,
                                     "--pages", pages.string(), "--log", (dir.path() / "chromium.log").string()});
        const auto ready = driver->readLine(30s);
        ASSERT_TRUE(ready && ready->starts_with("ready ")) << ready.value_or("(no answer)");
        int port = 0;
        std::istringstream(ready->substr(6)) >> browserPid >> port;
        base = "http://127.0.0.1:" + std::to_string(port);
        front.publish("chromium", browserPid);
    }

    void TearDown() override
    {
        if (HasFailure()) {
            std::cerr << "--- chromium log ---\n" << std::ifstream(dir.path() / "chromium.log").rdbuf() << "\n";
        }
    }

    std::string command(const std::string& line)
    {
        if (!driver->write(line + "\n")) {
            return "error driver gone";
        }
        return driver->readLine(20s).value_or("error no answer");
    }

    bool addressBecomes(const std::optional<std::string>& want)
    {
        return test::eventually([&] { return copyOf(cache.currentURL("chromium")) == want; }, {}, 15s);
    }
};

TEST_F(BrowserEndToEnd, TabsChangeTheCachedAddressAndAPageScopedRuleFollows)
{
    // The extension connects to the host as soon as it loads.
    ASSERT_TRUE(test::eventually(
        [&] {
            const auto snap = cache.snapshot();
            return !snap->browsers.empty() && snap->browsers[0].pid == browserPid;
        },
        {}, 30s))
        << "the browser's bridge never said hello";
    EXPECT_EQ(cache.snapshot()->browsers[0].appIDs.front(), "chromium");

    // Super+A becomes Super+B only in Chromium on pages whose address contains "alpha"
    // (the keyword written in another case than the address).
    sim::Platform sim;
    EngineSwitches switches;
    switches.setProbeActive(true);
    ProbeLog listener;
    Engine engine(EngineServices{sim.tap, sim.output, front, cache, sim.workspace, sim.notifier, sim.executor, switches,
                                 listener});
    const auto trigger = *Combo::parse("cmd+a");
    const auto target = *Combo::parse("cmd+b");
    engine.compile({RuleGroup("文档", Scope{ScopeMode::only, {"chromium"}, {"ALPHA"}},
                              {Mapping(Trigger::key(trigger), Action::keys(target))})});
    ASSERT_TRUE(engine.start());
    const auto ruleFires = [&] {
        auto down = InputEvent::key(true, trigger.keyCode, trigger.modifiers);
        auto up = InputEvent::key(false, trigger.keyCode, trigger.modifiers);
        sim.tap.feed(down);
        sim.tap.feed(up);
        sim.executor.drain();
        return down.keyCode == target.keyCode && up.keyCode == target.keyCode;
    };

    const auto alpha = command("open /alpha.html");
    ASSERT_TRUE(alpha.starts_with("target ")) << alpha;
    ASSERT_TRUE(addressBecomes(base + "/alpha.html"));
    EXPECT_TRUE(ruleFires());
    ASSERT_TRUE(listener.last);
    EXPECT_EQ(listener.last->url, base + "/alpha.html"); // the probe shows the page too

    const auto beta = command("open /beta.html");
    ASSERT_TRUE(beta.starts_with("target ")) << beta;
    ASSERT_TRUE(addressBecomes(base + "/beta.html"));
    EXPECT_FALSE(ruleFires());

    EXPECT_EQ(command("activate " + alpha.substr(7)), "ok");
    ASSERT_TRUE(addressBecomes(base + "/alpha.html"));
    EXPECT_TRUE(ruleFires());

    EXPECT_EQ(command("navigate " + alpha.substr(7) + " /gamma.html"), "ok");
    ASSERT_TRUE(addressBecomes(base + "/gamma.html"));
    EXPECT_FALSE(ruleFires());

    // Another application in front: the rule is not for it, and the scope
    // card still learns the browser's last page.
    front.publish("org.gnome.TextEditor", 1);
    EXPECT_FALSE(ruleFires());
    EXPECT_EQ(copyOf(cache.currentURL("chromium")), base + "/gamma.html");
    front.publish("chromium", browserPid);

    // `norvanectl browser status` sees the live bridge.
    const auto status = requestBridgeStatus(runtime + "/norvane/" + std::string(socketFileName), 2000);
    ASSERT_EQ(status.outcome, StatusAnswer::Outcome::ok) << status.error;
    ASSERT_EQ(status.browsers.size(), 1u);
    EXPECT_EQ(status.browsers[0].pid, browserPid);
    EXPECT_TRUE(status.browsers[0].hasPage);

    // The browser quits: its host ends, and with it every address.
    EXPECT_EQ(command("quit"), "bye");
    EXPECT_EQ(driver->wait(15s), 0);
    EXPECT_TRUE(addressBecomes(std::nullopt));
    EXPECT_TRUE(cache.snapshot()->browsers.empty());
    EXPECT_FALSE(ruleFires());
}

} // namespace
} // namespace norvane::linux_browser
