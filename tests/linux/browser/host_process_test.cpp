#include "child_process.h"
#include "platform/linux/browser/bridge_protocol.h"
#include "platform/linux/browser/bridge_server.h"
#include "platform/linux/browser/frame.h"
#include "platform/linux/browser/runtime_dir.h"
#include "test_support.h"

#include <cstring>
#include <gtest/gtest.h>

namespace norvane::linux_browser {
namespace {

using namespace std::chrono_literals;
using test::eventually;

// The host binary as the browser runs it: this test plays the browser on
// its stdio and the app on the bridge socket.
struct HostProcessTest : testing::Test {
    test::TempDir dir;
    std::string runtime = (dir.path() / "run").string();
    std::string socketPath = runtime + "/norvane/" + std::string(socketFileName);
    FrontmostSnapshot front;
    BrowserPageCache cache{front};
    std::unique_ptr<BridgeServer> server;
    FrameReader fromHost{maxMessageBytes};

    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(ensurePrivateDirectory(runtime, error) && ensurePrivateDirectory(runtime + "/norvane", error))
            << error;
        listen();
        front.publish("the-test", ::getpid());
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1); // inherited by the host
    }
    void listen()
    {
        std::string error;
        server = BridgeServer::listen(socketPath, cache, error);
        ASSERT_TRUE(server) << error;
    }
    std::function<void()> pump()
    {
        return [this] {
            if (server) {
                server->processReadable();
            }
        };
    }
    // The next message the host sends to the browser.
    std::optional<std::string> nextToBrowser(test::ChildProcess& host)
    {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (std::chrono::steady_clock::now() < deadline) {
            if (auto payload = fromHost.next()) {
                return payload;
            }
            pump()();
            if (const auto bytes = host.read(20ms)) {
                fromHost.append(*bytes);
            }
        }
        return std::nullopt;
    }
};

TEST_F(HostProcessTest, RelaysReportsFollowsTheAppAcrossRestartsAndEndsWithTheBrowser)
{
    test::ChildProcess host({NORVANE_TEST_HOST_PATH});
    ASSERT_GT(host.pid(), 0);

    // The host says hello for its parent (here: this test) and the app asks
    // for the current page, which reaches the extension's side.
    ASSERT_TRUE(eventually([&] { return cache.snapshot()->browsers.size() == 1; }, pump()));
    EXPECT_EQ(cache.snapshot()->browsers[0].pid, ::getpid());
    const auto query = nextToBrowser(host);
    ASSERT_TRUE(query);
    EXPECT_TRUE(isQuery(*query));

    ASSERT_TRUE(host.write(encodeFrame(reportJSON(PageReport{5, "https://docs.example/d/1"}))));
    EXPECT_TRUE(eventually([&] { return copyOf(cache.currentURL("the-test")) == "https://docs.example/d/1"; }, pump()));
    ASSERT_TRUE(host.write(encodeFrame("not a report")));

    // The app quits and starts again: the host comes back on its own and the
    // app asks again.
    server.reset();
    EXPECT_FALSE(cache.currentURL("the-test"));
    listen();
    ASSERT_TRUE(eventually([&] { return cache.snapshot()->browsers.size() == 1; }, pump(), 10s));
    const auto again = nextToBrowser(host);
    ASSERT_TRUE(again);
    EXPECT_TRUE(isQuery(*again));
    ASSERT_TRUE(host.write(encodeFrame(reportJSON(PageReport{5, "https://docs.example/d/2"}))));
    EXPECT_TRUE(eventually([&] { return copyOf(cache.currentURL("the-test")) == "https://docs.example/d/2"; }, pump()));

    // The browser closes the port.
    host.closeStdin();
    EXPECT_EQ(host.wait(5s), 0);
    EXPECT_TRUE(eventually([&] { return cache.snapshot()->browsers.empty(); }, pump()));
}

TEST_F(HostProcessTest, AnOversizedMessageFromTheBrowserEndsTheHost)
{
    test::ChildProcess host({NORVANE_TEST_HOST_PATH});
    ASSERT_TRUE(eventually([&] { return cache.snapshot()->browsers.size() == 1; }, pump()));
    const std::uint32_t length = 0x7FFFFFFF;
    std::string header(4, '\0');
    std::memcpy(header.data(), &length, 4);
    ASSERT_TRUE(host.write(header));
    EXPECT_EQ(host.wait(5s), 1);
}

} // namespace
} // namespace norvane::linux_browser
