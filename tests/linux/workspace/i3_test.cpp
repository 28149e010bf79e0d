#include "fixture_data.h"
#include "platform/linux/workspace/i3_ipc.h"
#include "platform/linux/workspace/i3_tree.h"
#include "platform/linux/workspace/i3_window_system.h"
#include "test_window.h"
#include "x_session.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace norvane::linux_workspace {
namespace {

using namespace std::chrono_literals;
constexpr auto limit = 5s;

TEST(I3, FollowsFocusWorkspacesAndTheScratchpad)
{
    const auto dir = testing::fixtureData().root + "/i3";
    const auto socket = dir + "/ipc.sock";
    testing::writeFile(dir + "/config", "# i3 config file (v4)\nipc-socket " + socket +
                                            "\nfocus_follows_mouse no\nfont pango:monospace 8\n");
    std::string error;
    const auto x = testing::XSession::start({"i3", "-c", dir + "/config"}, "I3_SOCKET_PATH", &error);
    ASSERT_TRUE(x) << error;

    testing::TestWindow editor(x->display(), {"ExampleEditor", "exampleeditor", "", 801});
    ASSERT_TRUE(editor.waitMapped(true, limit));
    testing::TestWindow viewer(x->display(), {"Viewer", "viewer", "", 802});
    ASSERT_TRUE(viewer.waitMapped(true, limit));

    DesktopEntryIndex index;
    FrontmostSnapshot snapshot;
    FocusTracker tracker(snapshot);
    I3WindowSystem i3(socket, index, tracker, x->display());
    ASSERT_EQ(i3.start(), std::nullopt);
    const auto awaitFront = [&](const std::function<bool(const FrontApp*)>& accept) {
        return tracker.waitUntil(accept, limit);
    };

    // The tree read at start already names the window in front; i3 gives no
    // pids, they come from the window.
    ASSERT_TRUE(awaitFront([](const FrontApp* f) { return f && f->appID == "viewer"; }));
    EXPECT_EQ(snapshot.frontmost()->pid, 802);

    auto windows = i3.windows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].appID, "viewer") << "most recently focused first";
    const auto editorCon = windows[1].window;
    EXPECT_EQ(windows[1].appID, "org.example.Editor");
    EXPECT_EQ(windows[1].pid, 801);

    ASSERT_TRUE(i3.activate(editorCon));
    ASSERT_TRUE(awaitFront([&](const FrontApp* f) { return f && f->window == editorCon; }));
    EXPECT_EQ(snapshot.frontmost()->appID, "org.example.Editor");

    // An empty workspace has no window in front, and sends no window event.
    ASSERT_TRUE(i3ipc::request(socket, i3ipc::Request::runCommand, "workspace 5"));
    EXPECT_TRUE(awaitFront([](const FrontApp* f) { return f == nullptr; }));
    ASSERT_TRUE(i3ipc::request(socket, i3ipc::Request::runCommand, "workspace 1"));
    EXPECT_TRUE(awaitFront([&](const FrontApp* f) { return f && f->window == editorCon; }));

    // Hidden in the scratchpad, then back where it was: tiled, in front.
    ASSERT_TRUE(i3.hide(editorCon));
    EXPECT_TRUE(awaitFront([](const FrontApp* f) { return f && f->appID == "viewer"; }));
    for (const auto& w : i3.windows()) {
        EXPECT_EQ(w.hidden, w.window == editorCon);
    }
    ASSERT_TRUE(i3.activate(editorCon));
    EXPECT_TRUE(awaitFront([&](const FrontApp* f) { return f && f->window == editorCon; }));
    const auto tree = parseI3Tree(i3ipc::request(socket, i3ipc::Request::getTree, "").value_or(""));
    ASSERT_TRUE(tree);
    for (const auto& w : tree->windows) {
        EXPECT_FALSE(w.scratchpad);
        EXPECT_FALSE(w.floating);
    }

    // An in-place restart (after a configuration change) is followed.
    (void)i3ipc::request(socket, i3ipc::Request::runCommand, "restart");
    EXPECT_TRUE(awaitFront([](const FrontApp* f) { return f == nullptr; }));
    EXPECT_TRUE(awaitFront([](const FrontApp* f) { return f && f->appID == "org.example.Editor"; }));
    ASSERT_TRUE(i3ipc::request(socket, i3ipc::Request::runCommand, "[class=\"Viewer\"] focus"));
    EXPECT_TRUE(awaitFront([](const FrontApp* f) { return f && f->appID == "viewer"; }));
    i3.stop();
}

} // namespace
} // namespace norvane::linux_workspace
