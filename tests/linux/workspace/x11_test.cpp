#include "fixture_data.h"
#include "model/combo.h"
#include "platform/linux/workspace/linux_workspace.h"
#include "platform/linux/workspace/process_key_delivery.h"
#include "platform/linux/workspace/x11_window_system.h"
#include "test_window.h"
#include "x_session.h"
#include "xtest_emitter.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <gtest/gtest.h>
#include <signal.h>
#include <thread>

namespace norvane::linux_workspace {
namespace {

using namespace std::chrono_literals;
using testing::TestWindow;
using testing::WindowSpec;

constexpr auto limit = 5s;

// Xvfb with openbox, and the X11 focus source following it.
class X11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        x_ = testing::XSession::start({"openbox", "--sm-disable"}, "_NET_SUPPORTING_WM_CHECK", &error);
        ASSERT_TRUE(x_) << error;
        windows_ = std::make_unique<X11WindowSystem>(x_->display(), index_, tracker_);
        ASSERT_EQ(windows_->start(), std::nullopt);
    }
    void TearDown() override
    {
        if (windows_) {
            windows_->stop();
        }
    }

    std::unique_ptr<TestWindow> open(const WindowSpec& window)
    {
        auto w = std::make_unique<TestWindow>(x_->display(), window);
        EXPECT_TRUE(awaitFront([&](const FrontApp* f) { return f && f->window == w->id(); }))
            << "window of " << window.wmClass << " never took focus";
        return w;
    }
    bool awaitFront(const std::function<bool(const FrontApp*)>& accept, std::chrono::milliseconds within = limit)
    {
        return tracker_.waitUntil(accept, within);
    }
    // The activation notices, once there are `count` of them.
    std::vector<std::string> notices(std::size_t count)
    {
        std::unique_lock guard(noticeLock_);
        noticed_.wait_for(guard, limit, [&] { return notices_.size() >= count; });
        return notices_;
    }

    std::unique_ptr<testing::XSession> x_;
    DesktopEntryIndex index_;
    AppCatalog catalog_{index_, IconTheme()};
    FrontmostSnapshot snapshot_;
    std::mutex noticeLock_;
    std::condition_variable noticed_;
    std::vector<std::string> notices_;
    FocusTracker tracker_{snapshot_, [this](const FrontApp& app) {
                              const std::lock_guard guard(noticeLock_);
                              notices_.push_back(app.appID.value_or("?"));
                              noticed_.notify_all();
                          }};
    std::unique_ptr<X11WindowSystem> windows_;
};

TEST_F(X11Test, FocusChangesAreResolvedToDesktopIDs)
{
    auto editor = open({"ExampleEditor", "exampleeditor", "", 501});
    EXPECT_EQ(snapshot_.frontmost()->appID, "org.example.Editor");
    EXPECT_EQ(snapshot_.frontmost()->pid, 501);
    auto gtk = open({"Whatever", "whatever", "org.example.Gtk", 502});
    EXPECT_EQ(snapshot_.frontmost()->appID, "org.example.Gtk");
    auto viewer = open({"Viewer", "viewer", "", 503});
    EXPECT_EQ(snapshot_.frontmost()->appID, "viewer");
    auto viewer2 = open({"Viewer", "viewer", "", 503});
    auto unknown = open({"Unknown-App", "unknown", "", 504});
    EXPECT_EQ(snapshot_.frontmost()->appID, "Unknown-App");

    // A dialog that names nothing belongs to its owner.
    TestWindow dialog(x_->display(), {"", "", "", 0, editor->id(), false});
    ASSERT_TRUE(dialog.waitMapped(true, limit)) << "managed before it is asked for";
    windows_->activate(dialog.id());
    ASSERT_TRUE(awaitFront([&](const FrontApp* f) { return f && f->window == dialog.id(); }));
    EXPECT_EQ(snapshot_.frontmost()->appID, "org.example.Editor");
    EXPECT_EQ(snapshot_.frontmost()->pid, 501);

    // One notice per change of application, none for a second window.
    EXPECT_EQ(notices(5), (std::vector<std::string>{"org.example.Editor", "org.example.Gtk", "viewer", "Unknown-App",
                                                    "org.example.Editor"}));

    // With no window left the desktop has focus: nothing is in front.
    for (auto* w : {editor.get(), gtk.get(), viewer.get(), viewer2.get(), unknown.get(), &dialog}) {
        w->destroy();
    }
    EXPECT_TRUE(awaitFront([](const FrontApp* f) { return f == nullptr; }));
    EXPECT_EQ(snapshot_.frontmost(), nullptr);
}

TEST_F(X11Test, ToggleHidesTheApplicationAndBringsItBack)
{
    TestWindow panel(x_->display(), {"Panel", "panel", "", 603, XCB_WINDOW_NONE, true});
    ASSERT_TRUE(panel.waitMapped(true, limit));
    auto first = open({"ExampleEditor", "exampleeditor", "", 601});
    auto second = open({"ExampleEditor", "exampleeditor", "", 601});
    auto viewer = open({"Viewer", "viewer", "", 602});
    LinuxWorkspace workspace(catalog_, windows_.get());

    const auto same = [](const std::vector<RunningApp>& a, const std::vector<std::pair<std::string, int>>& b) {
        std::vector<std::pair<std::string, int>> got;
        for (const auto& r : a) {
            got.emplace_back(r.appID, r.pid);
        }
        return got == b;
    };
    EXPECT_TRUE(same(workspace.runningInstances("org.example.Editor"), {{"org.example.Editor", 601}}));
    EXPECT_TRUE(same(workspace.runningInstances("Panel"), {{"Panel", 603}})) << "keys can go to any window";
    EXPECT_TRUE(same(workspace.runningApplications(), {{"viewer", 602}, {"org.example.Editor", 601}}))
        << "most recent first, one per process, no skip-taskbar windows";
    EXPECT_TRUE(workspace.runningInstances("org.example.Gtk").empty());

    // Not in front: its most recent window comes up.
    workspace.open("org.example.Editor");
    ASSERT_TRUE(awaitFront([&](const FrontApp* f) { return f && f->window == second->id(); }));

    // In front: every window of it goes away.
    workspace.hide(*snapshot_.frontmost());
    EXPECT_TRUE(first->waitMapped(false, limit));
    EXPECT_TRUE(second->waitMapped(false, limit));
    EXPECT_TRUE(awaitFront([](const FrontApp* f) { return !f || f->appID != "org.example.Editor"; }));
    // The window manager marks a window hidden around the time it unmaps it, so
    // the state is awaited rather than read once.
    const auto onlyEditorHidden = [&] {
        const auto all = windows_->windows();
        return std::all_of(all.begin(), all.end(), [&](const auto& w) {
            return w.hidden == (w.window == first->id() || w.window == second->id());
        });
    };
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!onlyEditorHidden() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(onlyEditorHidden());

    // And both come back, the one that was in front on top.
    workspace.open("org.example.Editor");
    EXPECT_TRUE(first->waitMapped(true, limit));
    EXPECT_TRUE(second->waitMapped(true, limit));
    EXPECT_TRUE(awaitFront([&](const FrontApp* f) { return f && f->window == second->id(); }));
}

TEST_F(X11Test, OpeningAnApplicationThatIsNotRunningLaunchesIt)
{
    LinuxWorkspace workspace(catalog_, windows_.get());
    EXPECT_TRUE(workspace.openApp("org.example.Missing")) << "not installed: an error, nothing started";

    // Its entry runs this test program as a client with class LaunchedClass.
    setenv("DISPLAY", x_->display().c_str(), 1);
    ASSERT_EQ(workspace.openApp("org.example.Launched"), std::nullopt);
    ASSERT_TRUE(awaitFront([](const FrontApp* f) { return f && f->appID == "org.example.Launched"; }, 10s));
    const int pid = snapshot_.frontmost()->pid;
    EXPECT_GT(pid, 0);
    const auto running = workspace.runningInstances("org.example.Launched");
    ASSERT_EQ(running.size(), 1u);
    EXPECT_EQ(running.front().pid, pid);
    kill(pid, SIGTERM);
}

TEST_F(X11Test, SendKeysReachTheTargetAndFocusReturns)
{
    auto target = open({"ExampleEditor", "exampleeditor", "", 701});
    auto front = open({"Viewer", "viewer", "", 702});
    testing::XTestEmitter emitter(x_->display());
    ProcessKeyDelivery delivery(*windows_, tracker_, emitter, {500ms, 500ms, 0ms});
    std::promise<ProcessKeyDelivery::Outcome> outcome;
    delivery.setOutcomeListener([&](int, ProcessKeyDelivery::Outcome o) { outcome.set_value(o); });

    const InputEvent keys[] = {InputEvent::key(true, 40, mod::control), InputEvent::key(false, 40, mod::control)};
    delivery.deliver(701, keys);
    EXPECT_EQ(outcome.get_future().get(), ProcessKeyDelivery::Outcome::delivered);

    std::optional<testing::KeyPress> press;
    do {
        press = target->nextKeyPress(limit);
    } while (press && press->keycode != testing::XTestEmitter::keycodeK);
    ASSERT_TRUE(press) << "the target never saw the key";
    EXPECT_NE(press->state & XCB_MOD_MASK_CONTROL, 0) << "with its modifier";
    EXPECT_TRUE(awaitFront([&](const FrontApp* f) { return f && f->window == front->id(); }))
        << "focus went back to the window that had it";
    EXPECT_FALSE(front->nextKeyPress(0ms)) << "nothing leaked into the previous window";
}

} // namespace
} // namespace norvane::linux_workspace
