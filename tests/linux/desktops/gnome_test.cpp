// Norvane's GNOME Shell extension and GnomeShell against a real, headless
// GNOME Shell: focus reports reach the tracker with desktop-entry ids,
// windows are activated and minimised, nobody but the shell can report and
// nobody but Norvane can command the extension, and an install made while
// the shell runs waits for the next login.
//
// GNOME Shell takes seconds to start, so each group of tests shares one
// shell (and this program runs as one test).
#include "desktop_processes.h"
#include "gnome_session.h"
#include "platform/linux/workspace/bus_connection.h"
#include "platform/linux/workspace/gnome_shell.h"
#include "platform/linux/workspace/shell_bus.h"
#include "platform/linux/workspace/shell_window_system.h"
#include "report_monitor.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>

namespace norvane::linux_workspace {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::Child;
using testing::GnomeSession;
using Clock = std::chrono::steady_clock;

constexpr const char* firstApp = "org.norvane.test.First";
constexpr const char* secondApp = "org.norvane.test.second";
constexpr const char* secondEntry = "norvane-second-app"; // the shell finds it through StartupWMClass
constexpr auto reportLimit = 10s;
const std::string sourceDir = NORVANE_SOURCE_DIR "/data/gnome-shell";

std::string readText(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The process's private session, with the two applications installed and
// the extension's sources found the way a build tree finds them.
GnomeSession& session()
{
    static GnomeSession& s = []() -> GnomeSession& {
        auto& made = GnomeSession::process();
        setenv("NORVANE_GNOME_EXTENSION", sourceDir.c_str(), 1);
        made.addDesktopEntry(firstApp, "[Desktop Entry]\nType=Application\nName=First\nExec=/bin/true\n");
        made.addDesktopEntry(secondEntry, "[Desktop Entry]\nType=Application\nName=Second\nExec=/bin/true\n"
                                          "StartupWMClass=" +
                                              std::string(secondApp) + "\n");
        return made;
    }();
    return s;
}

void disconnect(GDBusConnection*& c)
{
    if (c) {
        g_dbus_connection_close_sync(c, nullptr, nullptr);
        g_object_unref(c);
        c = nullptr;
    }
}

// The D-Bus error name of a call, empty when it succeeded.
std::string callError(GDBusConnection* c, const char* destination, const char* path, const char* interface,
                      const char* method, GVariant* parameters)
{
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(c, destination, path, interface, method, parameters, nullptr,
                                                  G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, &error);
    std::string name;
    if (reply) {
        g_variant_unref(reply);
    }
    if (error) {
        gchar* remote = g_dbus_error_get_remote_error(error);
        name = remote ? remote : error->message;
        g_free(remote);
        g_error_free(error);
    }
    return name;
}

// Norvane's side of one test: the real ShellWindowSystem with GnomeShell on
// the private bus, started after the shell.
class Norvane {
public:
    explicit Norvane(const std::string& address)
        : tracker_(snapshot_,
                   [this](const FrontApp&) {
                       const std::lock_guard guard(lock_);
                       activations_.push_back(Clock::now());
                   }),
          windows_(std::make_unique<GnomeShell>(), entries_, tracker_, address)
    {}

    ShellWindowSystem& windows() { return windows_; }
    FrontmostSnapshot& snapshot() { return snapshot_; }
    FocusTracker& tracker() { return tracker_; }

    bool frontIs(const std::string& appID, std::chrono::milliseconds limit = reportLimit) const
    {
        return tracker_.waitUntil([&](const FrontApp* app) { return app && app->appID == appID; }, limit);
    }

    std::optional<WindowInfo> windowOf(const std::string& appID)
    {
        for (const auto& w : windows_.windows()) {
            if (w.appID == appID) {
                return w;
            }
        }
        return std::nullopt;
    }

    // When the tracker last heard of another application, if after `since`.
    std::optional<Clock::time_point> activatedAfter(Clock::time_point since)
    {
        const std::lock_guard guard(lock_);
        if (!activations_.empty() && activations_.back() > since) {
            return activations_.back();
        }
        return std::nullopt;
    }

private:
    DesktopEntryIndex entries_;
    FrontmostSnapshot snapshot_;
    FocusTracker tracker_;
    ShellWindowSystem windows_;
    std::mutex lock_;
    std::vector<Clock::time_point> activations_;
};

// One shell for the group, started with the extension installed (as at the
// login after `norvanectl desktop install`), and two windows opened before
// Norvane starts.
class GnomeShellTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!GnomeSession::installed()) {
            return;
        }
        auto& s = session();
        if (const auto why = GnomeShell().install(nullptr)) {
            failure_ = "install: " + *why;
            return;
        }
        if (const auto why = s.startShell()) {
            failure_ = *why;
            return;
        }
        std::printf("GNOME Shell ready %.2f s after it was started\n", s.shellStartSeconds());
        clients_.push_back(s.startClient(firstApp, "first"));
        clients_.push_back(s.startClient(secondApp, "second"));
        // Both windows are open before any test's Norvane starts.
        Norvane observer(s.busAddress());
        const bool open =
            !observer.windows().start() &&
            testing::waitFor([&] { return observer.windowOf(firstApp) && observer.windowOf(secondEntry); },
                             reportLimit);
        observer.windows().stop();
        if (!open) {
            failure_ = "the two windows did not open:\n" + s.shellLog();
        }
    }

    static void TearDownTestSuite()
    {
        clients_.clear();
        session().stopShell();
    }

    void SetUp() override
    {
        if (!GnomeSession::installed()) {
            GTEST_SKIP() << GnomeSession::binary << " is not installed (Debian package gnome-shell)";
        }
        ASSERT_EQ(failure_, "");
        bus_ = openBusConnection(session().busAddress());
        ASSERT_NE(bus_, nullptr);
        norvane_ = std::make_unique<Norvane>(session().busAddress());
        const auto started = Clock::now();
        const auto why = windows().start();
        ASSERT_FALSE(why) << *why;
        ASSERT_TRUE(testing::waitFor([&] { return windows().helperReporting(); }, reportLimit));
        // Both windows opened before Norvane started: only a report made
        // for Norvane's arrival can list them.
        ASSERT_TRUE(testing::waitFor([&] { return norvane_->windowOf(firstApp) && norvane_->windowOf(secondEntry); },
                                     reportLimit))
            << session().shellLog();
        reportedAfterMs_ = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    }

    void TearDown() override
    {
        if (norvane_) {
            windows().stop();
        }
        // An exception in the extension's handlers fails no call, but the
        // shell logs it with the extension's file in the stack.
        const auto log = session().shellLog();
        EXPECT_EQ(log.find(std::string(GnomeShell::uuid) + "/extension.js"), std::string::npos) << log;
        norvane_.reset();
        disconnect(bus_);
    }

    ShellWindowSystem& windows() { return norvane_->windows(); }
    std::uint64_t windowNumber(const char* appID) { return norvane_->windowOf(appID).value_or(WindowInfo{}).window; }

    static inline std::string failure_;
    static inline std::vector<Child> clients_;
    GDBusConnection* bus_ = nullptr;
    std::unique_ptr<Norvane> norvane_;
    double reportedAfterMs_ = 0;
};

TEST_F(GnomeShellTest, GetsTheShellsStateWhenStartedAfterIt)
{
    std::printf("Norvane started after the shell: both windows known %.1f ms after start()\n", reportedAfterMs_);
    const auto listed = windows().windows();
    ASSERT_EQ(listed.size(), 2U);
    for (const auto& w : listed) {
        EXPECT_TRUE(w.userFacing) << w.appID;
        EXPECT_GT(w.pid, 0) << w.appID;
        EXPECT_NE(w.window, 0U) << w.appID;
    }
    EXPECT_NE(listed[0].window, listed[1].window);

    const auto state = GnomeShell().helperState(bus_);
    EXPECT_TRUE(state.installed);
    EXPECT_TRUE(state.enabled);
    EXPECT_TRUE(state.loaded);
    EXPECT_EQ(state.detail, "");
}

TEST_F(GnomeShellTest, FollowsFocusAndActivatesWindows)
{
    const auto first = windowNumber(firstApp);
    const auto second = windowNumber(secondEntry);
    // The first activation may find the overview GNOME opens at start-up.
    ASSERT_TRUE(windows().activate(first));
    ASSERT_TRUE(norvane_->frontIs(firstApp)) << session().shellLog();
    ASSERT_TRUE(windows().activate(second));
    ASSERT_TRUE(norvane_->frontIs(secondEntry));
    EXPECT_EQ(windows().windows().front().window, second) << "the most recently focused window comes first";

    testing::ReportMonitor monitor(session().busAddress());
    std::vector<double> requestToSnapshot;
    std::vector<double> reportToSnapshot;
    for (int i = 0; i < 50; ++i) {
        const bool toFirst = i % 2 == 0;
        const auto target = toFirst ? first : second;
        const auto requested = Clock::now();
        ASSERT_TRUE(windows().activate(target));
        // As sendKeys confirms focus before it types.
        ASSERT_TRUE(norvane_->tracker().waitForWindow(target, reportLimit)) << "switch " << i;
        const auto published = Clock::now();
        const auto front = norvane_->snapshot().frontmost();
        ASSERT_TRUE(front);
        EXPECT_EQ(front->appID, toFirst ? firstApp : secondEntry);
        EXPECT_GT(front->pid, 0);
        requestToSnapshot.push_back(std::chrono::duration<double, std::milli>(published - requested).count());
        const auto snapshotAt = norvane_->activatedAfter(requested);
        const auto reportAt = monitor.firstAfter(requested);
        if (snapshotAt && reportAt && *snapshotAt >= *reportAt) {
            reportToSnapshot.push_back(std::chrono::duration<double, std::milli>(*snapshotAt - *reportAt).count());
        }
    }
    std::printf("focus change, activate() requested -> tracker snapshot: %s\n",
                testing::percentiles(requestToSnapshot).c_str());
    std::printf("focus change, the extension's report on the bus -> tracker snapshot: %s\n",
                testing::percentiles(reportToSnapshot).c_str());
}

TEST_F(GnomeShellTest, HidesAndRestoresWindows)
{
    const auto second = windowNumber(secondEntry);
    ASSERT_TRUE(windows().activate(second));
    ASSERT_TRUE(norvane_->frontIs(secondEntry));

    ASSERT_TRUE(windows().hide(second));
    EXPECT_TRUE(testing::waitFor(
        [&] {
            const auto w = norvane_->windowOf(secondEntry);
            return w && w->hidden;
        },
        reportLimit))
        << "a minimised window stays in the list, hidden";
    EXPECT_TRUE(norvane_->frontIs(firstApp)) << "GNOME gives the focus to the window below";

    ASSERT_TRUE(windows().activate(second));
    EXPECT_TRUE(norvane_->frontIs(secondEntry));
    EXPECT_TRUE(testing::waitFor(
        [&] {
            const auto w = norvane_->windowOf(secondEntry);
            return w && !w->hidden;
        },
        reportLimit));
}

TEST_F(GnomeShellTest, RefusesReportsAndCommandsFromOtherClients)
{
    ASSERT_TRUE(windows().activate(windowNumber(firstApp)));
    ASSERT_TRUE(norvane_->frontIs(firstApp));
    const auto listed = windows().windows();

    // Nobody but the shell reports to Norvane.
    constexpr auto denied = "org.freedesktop.DBus.Error.AccessDenied";
    const auto report = [&](const char* method, GVariant* parameters) {
        return callError(bus_, ShellBus::busName, ShellBus::objectPath, ShellBus::interfaceName, method, parameters);
    };
    EXPECT_EQ(report("Activated", g_variant_new("(ssssi)", "1", "org.evil.App", "org.evil.App", "evil", 1)), denied);
    GVariantBuilder list;
    g_variant_builder_init(&list, G_VARIANT_TYPE("a(ssssibb)"));
    EXPECT_EQ(report("Windows", g_variant_new("(a(ssssibb))", &list)), denied);

    // Nobody but Norvane commands the extension; every window id is
    // refused alike, before any window is looked at.
    const auto command = [&](const char* method, GVariant* parameters) {
        return callError(bus_, "org.gnome.Shell", GnomeShell::objectPath, GnomeShell::interfaceName, method,
                         parameters);
    };
    EXPECT_EQ(command("Minimize", g_variant_new("(s)", "1")), denied);
    EXPECT_EQ(command("Activate", g_variant_new("(s)", "1")), denied);
    EXPECT_EQ(command("Report", nullptr), denied);
    EXPECT_FALSE(GnomeShell().minimize(bus_, "1"));

    // A real report still goes through afterwards, so the fakes were not
    // merely slow, and they changed nothing.
    ASSERT_TRUE(windows().activate(windowNumber(secondEntry)));
    ASSERT_TRUE(norvane_->frontIs(secondEntry));
    EXPECT_EQ(windows().windows().size(), listed.size());
    EXPECT_FALSE(norvane_->windowOf("org.evil.App"));
    for (const auto& w : windows().windows()) {
        EXPECT_FALSE(w.hidden) << w.appID;
    }
}

TEST_F(GnomeShellTest, UninstallSwitchesItOffAndInstallBringsItBack)
{
    ASSERT_TRUE(windows().activate(windowNumber(firstApp)));
    ASSERT_TRUE(norvane_->frontIs(firstApp));
    GnomeShell shell;
    ASSERT_FALSE(shell.uninstall(bus_));
    EXPECT_FALSE(fs::exists(GnomeShell::installDir()));
    // Switched off, the extension says that nothing it knows of is in front.
    EXPECT_TRUE(norvane_->tracker().waitUntil([](const FrontApp* app) { return app == nullptr; }, reportLimit));
    ASSERT_TRUE(testing::waitFor([&] { return !shell.helperState(bus_).loaded; }, reportLimit));
    auto state = shell.helperState(bus_);
    EXPECT_FALSE(state.installed);
    EXPECT_FALSE(state.enabled);
    EXPECT_NE(state.detail, "");
    EXPECT_TRUE(shell.startHelper(bus_)) << "nothing runs to report";

    // The shell still has the extension it loaded at start: enabling it
    // again starts it at once, and it reports by itself.
    ASSERT_FALSE(shell.install(bus_));
    ASSERT_TRUE(testing::waitFor([&] { return shell.helperState(bus_).loaded; }, reportLimit));
    EXPECT_TRUE(norvane_->frontIs(firstApp));
    state = shell.helperState(bus_);
    EXPECT_TRUE(state.installed && state.enabled);
}

// A shell that started before the extension was installed.
class GnomeLateInstallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!GnomeSession::installed()) {
            return;
        }
        auto& s = session();
        if (const auto why = GnomeShell().uninstall(nullptr)) {
            failure_ = "uninstall: " + *why;
            return;
        }
        if (const auto why = s.startShell()) {
            failure_ = *why;
        }
    }

    static void TearDownTestSuite() { session().stopShell(); }

    void SetUp() override
    {
        if (!GnomeSession::installed()) {
            GTEST_SKIP() << GnomeSession::binary << " is not installed (Debian package gnome-shell)";
        }
        ASSERT_EQ(failure_, "");
        bus_ = openBusConnection(session().busAddress());
        ASSERT_NE(bus_, nullptr);
    }

    void TearDown() override { disconnect(bus_); }

    static inline std::string failure_;
    GDBusConnection* bus_ = nullptr;
};

TEST_F(GnomeLateInstallTest, SaysItLoadsAfterTheNextLogin)
{
    // What an older install left behind is replaced as a whole.
    const fs::path dir = GnomeShell::installDir();
    fs::create_directories(dir);
    std::ofstream(dir / "extension.js") << "this is not JavaScript";
    std::ofstream(dir / "stale.js") << "";

    GnomeShell shell;
    const auto why = shell.install(bus_);
    ASSERT_FALSE(why) << *why;
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"extension.js", "metadata.json"}));
    for (const auto& entry : fs::directory_iterator(dir.parent_path())) {
        EXPECT_EQ(entry.path(), dir) << "left behind";
    }
    // The form for the running shell (43 here).
    EXPECT_NE(readText(dir / "extension.js").find("function init()"), std::string::npos);

    const auto state = shell.helperState(bus_);
    EXPECT_TRUE(state.installed);
    EXPECT_TRUE(state.enabled);
    EXPECT_FALSE(state.loaded);
    EXPECT_EQ(state.detail, "GNOME Shell loads the extension after the next login.");

    // Norvane cannot follow this shell yet, and says why.
    DesktopEntryIndex entries;
    FrontmostSnapshot snapshot;
    FocusTracker tracker(snapshot);
    ShellWindowSystem windows(std::make_unique<GnomeShell>(), entries, tracker, session().busAddress());
    EXPECT_EQ(windows.start(), state.detail);

    ASSERT_FALSE(shell.uninstall(bus_));
    EXPECT_FALSE(fs::exists(dir));
    EXPECT_FALSE(shell.helperState(bus_).enabled);
}

// --- the extension's files, without a shell ------------------------------------

// Runs gjs on a file and returns what it printed; gjs is what GNOME Shell
// runs extensions with, so a syntax error shows here as in the shell.
std::string runGjs(const fs::path& dir, const std::vector<std::string>& args)
{
    auto gjs = Child::spawn(args, {"PATH=/usr/bin:/bin", "HOME=" + dir.string()}, (dir / "gjs.log").string());
    testing::waitFor([&] { return !gjs.running(); }, 10s);
    return readText(dir / "gjs.log");
}

TEST(GnomeExtension, BuildsTheFormEachShellVersionLoads)
{
    const testing::TempDir temp;
    for (const int major : {43, 44, 45, 47, 52}) {
        SCOPED_TRACE(major);
        const auto built = buildGnomeExtension(sourceDir, major);
        ASSERT_TRUE(built.files) << built.error;
        const auto& js = built.files->extensionJS;
        const bool module = major >= 45;
        EXPECT_EQ(js.find("@NORVANE_REPORTER@"), std::string::npos);
        EXPECT_NE(js.find("class NorvaneReporter"), std::string::npos);
        EXPECT_EQ(js.find("export default class") != std::string::npos, module);
        EXPECT_EQ(js.find("function init()") != std::string::npos, !module);
        // ES modules in the shell have no legacy importer.
        EXPECT_EQ(js.find("imports.") != std::string::npos, !module);

        const auto metadata = nlohmann::json::parse(built.files->metadataJSON);
        EXPECT_EQ(metadata["uuid"], GnomeShell::uuid);
        const auto versions = metadata["shell-version"].get<std::vector<std::string>>();
        EXPECT_NE(std::find(versions.begin(), versions.end(), std::to_string(major)), versions.end());
        for (const auto& v : versions) {
            EXPECT_EQ(std::stoi(v) >= 45, module) << v << ": a version the other form is for";
        }

        if (access("/usr/bin/gjs", X_OK) == 0) {
            const auto file = fs::path(temp.path()) / ("extension-" + std::to_string(major) + ".js");
            std::ofstream(file) << js;
            // Outside the shell, loading stops at the shell's own modules;
            // a syntax error would stop it before.
            const auto output = runGjs(temp.path(), module ? std::vector<std::string>{"/usr/bin/gjs", "-m", file}
                                                           : std::vector<std::string>{"/usr/bin/gjs", file});
            EXPECT_EQ(output.find("SyntaxError"), std::string::npos) << output;
            EXPECT_NE(output.find(module ? "resource:///org/gnome/shell" : "Meta"), std::string::npos) << output;
        }
    }

    const auto old = buildGnomeExtension(sourceDir, 42);
    EXPECT_FALSE(old.files);
    EXPECT_NE(old.error.find("42"), std::string::npos) << old.error;
    EXPECT_FALSE(buildGnomeExtension(temp.path(), 43).files) << "no sources there";
}

TEST(GnomeExtension, ReadsShellVersions)
{
    EXPECT_EQ(gnomeShellMajor("43.9"), 43);
    EXPECT_EQ(gnomeShellMajor("GNOME Shell 45.rc\n"), 45);
    EXPECT_EQ(gnomeShellMajor("46.alpha"), 46);
    EXPECT_EQ(gnomeShellMajor(""), 0);
    EXPECT_EQ(gnomeShellMajor("GNOME Shell"), 0);
    EXPECT_EQ(gnomeShellMajor("99999999999999999999"), 0);
}

} // namespace
} // namespace norvane::linux_workspace
