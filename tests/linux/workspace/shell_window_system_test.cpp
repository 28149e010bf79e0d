#include "platform/linux/workspace/linux_desktop.h"
#include "platform/linux/workspace/shell_bus.h"
#include "platform/linux/workspace/shell_helper_control.h"
#include "platform/linux/workspace/shell_window_system.h"
#include "session_bus.h"
#include "x_session.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <dirent.h>
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace norvane::linux_workspace {
namespace {

using namespace std::chrono_literals;
using testing::BusClient;

constexpr const char* shellName = "org.example.Shell";
constexpr const char* accessDenied = "org.freedesktop.DBus.Error.AccessDenied";

// Records what the window system asks of the shell.
class FakeCommands final : public ShellCommands {
public:
    struct Log {
        std::mutex lock;
        std::condition_variable changed;
        int starts = 0;
        int stops = 0;
        std::vector<std::string> startOwners; // the shell's owner at each start
        std::vector<std::string> activated;
        std::vector<std::string> minimized;
        std::optional<std::string> startFailure;

        bool waitForStarts(int n)
        {
            std::unique_lock guard(lock);
            return changed.wait_for(guard, 5s, [&] { return starts >= n; });
        }
    };

    explicit FakeCommands(Log& log) : log_(log) {}

    std::string shellLabel() const override { return "Example Shell"; }
    std::string shellBusName() const override { return shellName; }
    std::optional<std::string> startHelper(GDBusConnection* bus) override
    {
        std::string owner;
        if (GVariant* reply =
                g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                            "org.freedesktop.DBus", "GetNameOwner", g_variant_new("(s)", shellName),
                                            G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr)) {
            const char* name = nullptr;
            g_variant_get(reply, "(&s)", &name);
            owner = name;
            g_variant_unref(reply);
        }
        const std::lock_guard guard(log_.lock);
        ++log_.starts;
        log_.startOwners.push_back(owner);
        log_.changed.notify_all();
        return log_.startFailure;
    }
    void stopHelper(GDBusConnection* bus) override
    {
        EXPECT_NE(bus, nullptr) << "the helper is stopped while the bus is still up";
        const std::lock_guard guard(log_.lock);
        ++log_.stops;
    }
    HelperState helperState(GDBusConnection* bus) override { return {true, true, bus != nullptr, bus ? "" : "no bus"}; }
    std::optional<std::string> install(GDBusConnection*) override { return std::nullopt; }
    std::optional<std::string> uninstall(GDBusConnection*) override { return std::nullopt; }
    bool activate(GDBusConnection*, const std::string& windowID) override
    {
        const std::lock_guard guard(log_.lock);
        log_.activated.push_back(windowID);
        return true;
    }
    bool minimize(GDBusConnection*, const std::string& windowID) override
    {
        const std::lock_guard guard(log_.lock);
        log_.minimized.push_back(windowID);
        return true;
    }

private:
    Log& log_;
};

int threadCount()
{
    int n = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (const dirent* e = readdir(dir)) {
            n += e->d_name[0] != '.';
        }
        closedir(dir);
    }
    return n;
}

class ShellWindowSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.ok()) << "dbus-daemon did not start";
        shell = std::make_unique<BusClient>(bus.address());
        ASSERT_TRUE(shell->own(shellName));
    }

    std::unique_ptr<ShellWindowSystem> make()
    {
        return std::make_unique<ShellWindowSystem>(std::make_unique<FakeCommands>(log), entries, tracker,
                                                   bus.address());
    }

    // Reports are handled in order on the bus thread: once an activation
    // shows in the tracker, everything sent before it has been handled.
    bool front(const std::string& appID, int pid)
    {
        return tracker.waitUntil([&](const FrontApp* a) { return a && a->appID == appID && a->pid == pid; }, 5s);
    }

    bool nameGone(const std::string& name)
    {
        const auto limit = std::chrono::steady_clock::now() + 1s;
        while (!shell->ownerOf(name).empty()) {
            if (std::chrono::steady_clock::now() > limit) {
                return false;
            }
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

    testing::PrivateSessionBus bus;
    std::unique_ptr<BusClient> shell;
    FakeCommands::Log log;
    DesktopEntryIndex entries;
    FrontmostSnapshot snapshot;
    FocusTracker tracker{snapshot};
};

TEST_F(ShellWindowSystemTest, ShellReportsReachTheTrackerResolvedToEntries)
{
    auto windows = make();
    ASSERT_EQ(windows->start(), std::nullopt);
    EXPECT_EQ(log.starts, 1);
    EXPECT_EQ(log.startOwners[0], shell->uniqueName());
    EXPECT_FALSE(windows->helperReporting());

    // An activation alone, before any window list.
    EXPECT_EQ(shell->activated("w-1", "org.example.Editor.desktop", "editor", 4242), "");
    ASSERT_TRUE(front("org.example.Editor", 4242));
    const auto editor = snapshot.frontmost()->window;
    EXPECT_NE(editor, 0u);
    EXPECT_TRUE(windows->helperReporting());

    // No app id: the class goes through StartupWMClass.
    EXPECT_EQ(shell->activated("w-2", "", "ToolClass", 77), "");
    ASSERT_TRUE(front("vendor-tool", 77));
    const auto tool = snapshot.frontmost()->window;
    EXPECT_NE(tool, editor);

    // The same shell id keeps its number.
    EXPECT_EQ(shell->activated("w-1", "org.example.Editor", "", 4242), "");
    ASSERT_TRUE(front("org.example.Editor", 4242));
    EXPECT_EQ(snapshot.frontmost()->window, editor);

    EXPECT_EQ(shell->activated("", "", "", 0), "");
    EXPECT_TRUE(tracker.waitUntil([](const FrontApp* a) { return a == nullptr; }, 5s)) << "nothing in front";

    // Activations alone already make a window list to act on.
    const auto list = windows->windows();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].window, editor);
    EXPECT_EQ(list[1].window, tool);
    EXPECT_TRUE(windows->activate(tool));
    EXPECT_EQ(log.activated, std::vector<std::string>{"w-2"});
}

TEST_F(ShellWindowSystemTest, ReportsFromAnyoneButTheShellAreRefused)
{
    auto windows = make();
    ASSERT_EQ(windows->start(), std::nullopt);
    EXPECT_EQ(shell->windows({{"w-1", "viewer", "", 10}}), "");
    EXPECT_EQ(shell->activated("w-1", "viewer", "", 10), "");
    ASSERT_TRUE(front("viewer", 10));
    const auto before = windows->windows();

    BusClient intruder(bus.address());
    EXPECT_EQ(intruder.activated("x", "org.example.Editor", "", 666), accessDenied);
    EXPECT_EQ(intruder.windows({{"x", "org.example.Editor", "", 666}}), accessDenied);
    EXPECT_EQ(intruder.windowList({{"x", "org.example.Editor", "", 666}}), accessDenied);
    EXPECT_EQ(intruder.activated("", "", "", 0), accessDenied);
    EXPECT_EQ(intruder.hello(), accessDenied);
    // Refusals are decided before the reply: nothing can be under way.
    ASSERT_NE(snapshot.frontmost(), nullptr);
    EXPECT_EQ(snapshot.frontmost()->appID, "viewer");
    EXPECT_EQ(windows->windows(), before);

    // Anyone may ask how things stand.
    GVariant* reply = nullptr;
    ASSERT_EQ(intruder.call("Status", nullptr, &reply), "");
    const char* name = nullptr;
    gboolean present = FALSE;
    gboolean reporting = FALSE;
    gint64 since = -1;
    g_variant_get(reply, "(&sbbx)", &name, &present, &reporting, &since);
    EXPECT_STREQ(name, shellName);
    EXPECT_TRUE(present);
    EXPECT_TRUE(reporting);
    EXPECT_GE(since, 0);
    g_variant_unref(reply);
}

TEST_F(ShellWindowSystemTest, WindowListActivateAndHide)
{
    auto windows = make();
    ASSERT_EQ(windows->start(), std::nullopt);
    EXPECT_EQ(shell->windows({{"b", "viewer", "", 20},
                              {"a", "org.example.Editor.desktop", "", 10, true, true},
                              {"panel", "", "ToolClass", 30, false, false}}),
              "");
    EXPECT_EQ(shell->activated("b", "viewer", "", 20), "");
    ASSERT_TRUE(front("viewer", 20));

    auto list = windows->windows();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].appID, "viewer");
    EXPECT_EQ(list[1].appID, "org.example.Editor");
    EXPECT_EQ(list[1].pid, 10);
    EXPECT_TRUE(list[1].hidden);
    EXPECT_TRUE(list[1].userFacing);
    EXPECT_EQ(list[2].appID, "vendor-tool");
    EXPECT_FALSE(list[2].userFacing);
    const auto b = list[0].window;
    const auto a = list[1].window;

    EXPECT_TRUE(windows->activate(a));
    EXPECT_TRUE(windows->hide(b));
    EXPECT_FALSE(windows->activate(9999)) << "a number never handed out";
    EXPECT_EQ(log.activated, std::vector<std::string>{"a"});
    EXPECT_EQ(log.minimized, std::vector<std::string>{"b"});

    // The shell reports the activation it was asked for: that window moves
    // to the front, is shown again, and keeps its number.
    EXPECT_EQ(shell->activated("a", "org.example.Editor", "", 10), "");
    ASSERT_TRUE(front("org.example.Editor", 10));
    list = windows->windows();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].window, a);
    EXPECT_FALSE(list[0].hidden);
    EXPECT_EQ(list[1].window, b);

    // A window gone from the next list (in the form a KWin script sends)
    // can no longer be acted on.
    EXPECT_EQ(shell->windowList({{"a", "org.example.Editor.desktop", "", 10}}), "");
    EXPECT_EQ(shell->activated("a", "org.example.Editor", "", 10), "");
    EXPECT_EQ(shell->activated("", "", "", 0), "");
    ASSERT_TRUE(tracker.waitUntil([](const FrontApp* f) { return f == nullptr; }, 5s));
    list = windows->windows();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].window, a);
    EXPECT_EQ(list[0].appID, "org.example.Editor");
    EXPECT_EQ(list[0].pid, 10);
    EXPECT_FALSE(windows->hide(b));
    EXPECT_EQ(log.minimized.size(), 1u);
}

TEST_F(ShellWindowSystemTest, ShellRestartStartsTheHelperAgainAndRefusesTheOldConnection)
{
    auto windows = make();
    ASSERT_EQ(windows->start(), std::nullopt);
    EXPECT_EQ(shell->activated("w-1", "viewer", "", 10), "");
    ASSERT_TRUE(front("viewer", 10));

    // The shell lets go of its name (as when it quits): nothing is known to
    // be in front any more.
    ASSERT_TRUE(shell->release(shellName));
    EXPECT_TRUE(tracker.waitUntil([](const FrontApp* f) { return f == nullptr; }, 5s));
    EXPECT_FALSE(windows->helperReporting());

    BusClient restarted(bus.address());
    ASSERT_TRUE(restarted.own(shellName));
    ASSERT_TRUE(log.waitForStarts(2));
    EXPECT_EQ(log.startOwners[1], restarted.uniqueName());

    EXPECT_EQ(shell->activated("w-9", "org.example.Editor", "", 99), accessDenied);
    EXPECT_EQ(restarted.activated("w-1", "viewer", "", 11), "");
    ASSERT_TRUE(front("viewer", 11));
    EXPECT_EQ(shell->windows({}), accessDenied);
    EXPECT_EQ(windows->windows().size(), 1u);

    windows->stop();
    EXPECT_EQ(log.stops, 1);
    EXPECT_EQ(log.starts, 2) << "no start for the same owner twice";
}

TEST_F(ShellWindowSystemTest, StartFailsWithoutTheShellOrWhenTheHelperCannotRun)
{
    ASSERT_TRUE(shell->release(shellName));
    auto windows = make();
    const auto missing = windows->start();
    ASSERT_TRUE(missing.has_value());
    EXPECT_NE(missing->find("Example Shell"), std::string::npos) << *missing;
    EXPECT_EQ(log.starts, 0);

    ASSERT_TRUE(shell->own(shellName));
    log.startFailure = "the helper is not installed";
    EXPECT_EQ(windows->start(), log.startFailure);
    // A failed start gives the name back: a later start can take it.
    EXPECT_TRUE(nameGone(ShellBus::busName));

    log.startFailure.reset();
    EXPECT_EQ(windows->start(), std::nullopt);
    EXPECT_FALSE(shell->ownerOf(ShellBus::busName).empty());

    // A second Norvane on the same session does not take over.
    FakeCommands::Log otherLog;
    ShellWindowSystem other(std::make_unique<FakeCommands>(otherLog), entries, tracker, bus.address());
    const auto taken = other.start();
    ASSERT_TRUE(taken.has_value());
    EXPECT_NE(taken->find("another Norvane"), std::string::npos) << *taken;
    EXPECT_EQ(otherLog.starts, 0);
}

TEST_F(ShellWindowSystemTest, StopIsPromptAndLeavesNothingBehind)
{
    // The first run makes GLib's own lasting threads.
    make()->start();
    const int threads = threadCount();

    for (int round = 0; round < 3; ++round) {
        auto windows = make();
        ASSERT_EQ(windows->start(), std::nullopt);
        EXPECT_EQ(shell->activated("w", "viewer", "", 5), "");
        // Reports still arriving while it stops.
        for (int i = 0; i < 20; ++i) {
            g_dbus_connection_call(shell->connection(), ShellBus::busName, ShellBus::objectPath,
                                   ShellBus::interfaceName, "Activated",
                                   g_variant_new("(ssssi)", "w", "viewer", "", "", 5), nullptr,
                                   G_DBUS_CALL_FLAGS_NO_AUTO_START, 2000, nullptr, nullptr, nullptr);
        }
        const auto begun = std::chrono::steady_clock::now();
        windows->stop();
        EXPECT_LT(std::chrono::steady_clock::now() - begun, 1s);
        // The bus daemon sees the closed connection and this client's question
        // on two sockets, in either order: the name goes within moments.
        EXPECT_TRUE(nameGone(ShellBus::busName));
        EXPECT_EQ(shell->activated("w", "viewer", "", 5), "org.freedesktop.DBus.Error.ServiceUnknown");
        EXPECT_EQ(threadCount(), threads);
    }
    EXPECT_EQ(log.stops, 4);
}

// A figure, not a check: how long a report takes from the shell's send to
// the engine's snapshot on this machine (a private bus, two processes).
TEST_F(ShellWindowSystemTest, PrintsReportToSnapshotLatency)
{
    auto windows = make();
    ASSERT_EQ(windows->start(), std::nullopt);
    std::vector<double> ms;
    for (int i = 1; i <= 200; ++i) {
        const auto sent = std::chrono::steady_clock::now();
        g_dbus_connection_call(shell->connection(), ShellBus::busName, ShellBus::objectPath, ShellBus::interfaceName,
                               "Activated", g_variant_new("(ssssi)", i % 2 ? "a" : "b", "viewer", "", "", i), nullptr,
                               G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr, nullptr);
        ASSERT_TRUE(front("viewer", i));
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sent).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("report to snapshot: p50 %.2f ms, p99 %.2f ms (%zu reports)\n", ms[ms.size() / 2],
                ms[ms.size() * 99 / 100], ms.size());
}

TEST_F(ShellWindowSystemTest, ControlAsksTheRunningNorvaneHowReportsStand)
{
    FakeCommands::Log controlLog;
    ShellHelperControl control(std::make_unique<FakeCommands>(controlLog), bus.address());
    EXPECT_EQ(control.shellLabel(), "Example Shell");
    const auto state = control.state();
    EXPECT_EQ(state.error, "");
    EXPECT_TRUE(state.helper.loaded) << "the helper is asked over a live connection";
    EXPECT_EQ(control.runningStatus(), std::nullopt) << "no Norvane yet";

    auto windows = make();
    ASSERT_EQ(windows->start(), std::nullopt);
    auto status = control.runningStatus();
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->shell, shellName);
    EXPECT_TRUE(status->present);
    EXPECT_FALSE(status->reporting);
    EXPECT_EQ(status->msSinceLastReport, -1);

    EXPECT_EQ(shell->hello(), "");
    status = control.runningStatus();
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(status->reporting);

    // A new shell has not reported yet, whatever the old one did.
    ASSERT_TRUE(shell->release(shellName));
    BusClient restarted(bus.address());
    ASSERT_TRUE(restarted.own(shellName));
    ASSERT_TRUE(log.waitForStarts(2));
    status = control.runningStatus();
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(status->present);
    EXPECT_FALSE(status->reporting);
    EXPECT_GE(status->msSinceLastReport, 0);

    windows->stop();
    EXPECT_EQ(control.runningStatus(), std::nullopt);

    ShellHelperControl none(DesktopSession::Kind::x11, bus.address());
    EXPECT_FALSE(none.hasHelper());
    EXPECT_TRUE(none.install().has_value());
}

// KDE on X11 whose KWin is not on the bus: the X display is followed
// instead, and the reason kept; on Wayland there is nothing to fall back to.
TEST(LinuxDesktopFallback, FollowsTheXDisplayWhenTheShellCannotReport)
{
    testing::PrivateSessionBus bus;
    ASSERT_TRUE(bus.ok());
    std::string error;
    const auto x = testing::XSession::start({}, {}, &error);
    ASSERT_NE(x, nullptr) << error;
    FrontmostSnapshot snapshot;

    LinuxDesktop x11(snapshot, {"hicolor", {}, {DesktopSession::Kind::kde, bus.address(), x->display()}});
    EXPECT_EQ(x11.start(), std::nullopt);
    EXPECT_NE(x11.fallbackReason().find("org.kde.KWin"), std::string::npos) << x11.fallbackReason();
    EXPECT_EQ(dynamic_cast<ShellWindowSystem*>(x11.windows()), nullptr);
    ASSERT_NE(x11.windows(), nullptr);

    LinuxDesktop wayland(snapshot, {"hicolor", {}, {DesktopSession::Kind::kde, bus.address(), {}}});
    const auto failure = wayland.start();
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find("org.kde.KWin"), std::string::npos) << *failure;
    EXPECT_EQ(wayland.fallbackReason(), "");
}

} // namespace
} // namespace norvane::linux_workspace
