#include "fixture_data.h"
#include "platform/linux/workspace/i3_ipc.h"
#include "platform/linux/workspace/i3_tree.h"
#include "platform/linux/workspace/i3_window_system.h"
#include "sway_session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <mutex>

namespace norvane::linux_workspace {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
constexpr auto limit = 5s;
constexpr int switches = 50;

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

// Sway itself, headless, with two Wayland terminals: focus as sway reports
// it (app_id and pid from the compositor), workspaces, the scratchpad, and
// how long a focus change takes to reach the tracker.
TEST(Sway, FollowsFocusWorkspacesAndTheScratchpad)
{
    if (!testing::SwaySession::installed()) {
        GTEST_SKIP() << "sway is not installed (scripts/setup installs sway and foot)";
    }
    // One app_id names its entry; the other is only the entry's
    // StartupWMClass, as with many Wayland programs.
    const auto apps = testing::fixtureData().dataHome + "/applications/";
    testing::writeFile(apps + "org.example.Notes.desktop",
                       "[Desktop Entry]\nType=Application\nName=Notes\nExec=true\n");
    testing::writeFile(apps + "org.example.Mail.desktop",
                       "[Desktop Entry]\nType=Application\nName=Mail\nExec=true\nStartupWMClass=mailer\n");

    std::string error;
    auto sway = testing::SwaySession::start(&error);
    ASSERT_TRUE(sway) << error;
    const auto& socket = sway->ipcSocket();

    DesktopEntryIndex index;
    FrontmostSnapshot snapshot;
    // When each application reached the snapshot (the listener runs right
    // after the swap, on the focus thread).
    std::mutex stampLock;
    std::vector<std::pair<std::uint64_t, Clock::time_point>> stamps;
    FocusTracker tracker(snapshot, [&](const FrontApp& app) {
        const std::lock_guard guard(stampLock);
        stamps.emplace_back(app.window, Clock::now());
    });
    I3WindowSystem wm(socket, index, tracker, std::nullopt);
    ASSERT_EQ(wm.start(), std::nullopt);
    const auto awaitFront = [&](const std::function<bool(const FrontApp*)>& accept) {
        return tracker.waitUntil(accept, limit);
    };
    const auto command = [&](const std::string& text) {
        return i3ipc::request(socket, i3ipc::Request::runCommand, text).has_value();
    };

    // A new window takes focus as it maps.
    const int notesPid = sway->startClient("org.example.Notes");
    ASSERT_GT(notesPid, 0) << "cannot start foot, the Wayland terminal the test opens";
    ASSERT_TRUE(awaitFront([](const FrontApp* f) { return f && f->appID == "org.example.Notes"; })) << sway->logTail();
    EXPECT_EQ(snapshot.frontmost()->pid, notesPid);
    const int mailPid = sway->startClient("mailer");
    ASSERT_GT(mailPid, 0);
    ASSERT_TRUE(awaitFront([](const FrontApp* f) { return f && f->appID == "org.example.Mail"; })) << sway->logTail();
    EXPECT_EQ(snapshot.frontmost()->pid, mailPid);

    auto windows = wm.windows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].appID, "org.example.Mail") << "most recently focused first";
    EXPECT_EQ(windows[0].pid, mailPid);
    EXPECT_EQ(windows[1].appID, "org.example.Notes");
    EXPECT_EQ(windows[1].pid, notesPid);
    for (const auto& w : windows) {
        EXPECT_TRUE(w.userFacing);
        EXPECT_FALSE(w.hidden);
    }
    const auto mail = windows[0].window;
    const auto notes = windows[1].window;

    ASSERT_TRUE(wm.activate(notes));
    ASSERT_TRUE(tracker.waitForWindow(notes, limit));

    // From the focus request until the tracker's snapshot names the window.
    std::vector<double> millis;
    for (int i = 0; i < switches; ++i) {
        const auto target = i % 2 == 0 ? mail : notes;
        {
            const std::lock_guard guard(stampLock);
            stamps.clear();
        }
        const auto sent = Clock::now();
        ASSERT_TRUE(command("[con_id=" + std::to_string(target) + "] focus"));
        ASSERT_TRUE(tracker.waitForWindow(target, limit)) << "switch " << i;
        const std::lock_guard guard(stampLock);
        const auto stamp = std::find_if(stamps.begin(), stamps.end(), [&](const auto& s) { return s.first == target; });
        ASSERT_NE(stamp, stamps.end());
        millis.push_back(std::chrono::duration<double, std::milli>(stamp->second - sent).count());
    }
    std::printf("sway focus change -> tracker snapshot, %d switches: p50 %.2f ms, p99 %.2f ms\n", switches,
                percentile(millis, 0.50), percentile(millis, 0.99));

    // An empty workspace has nothing in front; activating a window from
    // there brings back the workspace it is on.
    ASSERT_TRUE(command("workspace 5"));
    EXPECT_TRUE(awaitFront([](const FrontApp* f) { return f == nullptr; }));
    ASSERT_TRUE(wm.activate(mail));
    EXPECT_TRUE(tracker.waitForWindow(mail, limit));

    // Hidden in the scratchpad, then back where it was: tiled, in front.
    ASSERT_TRUE(wm.hide(mail));
    EXPECT_TRUE(tracker.waitForWindow(notes, limit));
    for (const auto& w : wm.windows()) {
        EXPECT_EQ(w.hidden, w.window == mail) << w.appID;
    }
    ASSERT_TRUE(wm.activate(mail));
    EXPECT_TRUE(tracker.waitForWindow(mail, limit));
    const auto tree = parseI3Tree(i3ipc::request(socket, i3ipc::Request::getTree, "").value_or(""));
    ASSERT_TRUE(tree);
    ASSERT_EQ(tree->windows.size(), 2u);
    for (const auto& w : tree->windows) {
        EXPECT_FALSE(w.scratchpad) << w.identity.appID;
        EXPECT_FALSE(w.floating) << w.identity.appID;
    }

    // A closed window hands the front to the one left.
    sway->stopClient(mailPid);
    EXPECT_TRUE(tracker.waitForWindow(notes, limit));

    wm.stop();
    EXPECT_EQ(sway->stop(), std::vector<int>{}) << "processes left running";
}

} // namespace
} // namespace norvane::linux_workspace
