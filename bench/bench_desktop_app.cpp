// The desktop app as a person meets it: how soon the tray item appears, how
// much memory the app holds while it waits in the tray, how soon the main
// window opens when asked for, and how much memory stays once it is closed.
//
// The real norvane binary on a private X server with openbox and a private
// session bus holding a stand-in panel, driven by the end-to-end test's
// harness. Each run starts a fresh app with a fresh home folder and a
// configuration of 20 groups of 10 mappings; the cache folder (compiled QML,
// fonts, shaders) is shared, as it is from one login to the next, and a
// first, uncounted run fills it.
//
//   bench_desktop_app [runs]      (5 by default)
#include "private_bus.h"
#include "status_watcher.h"
#include "x_session.h"
#include "x_windows.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace norvane::bench {
namespace {

using namespace std::chrono_literals;
using testing::ManagedWindow;

const char* const appPath = NORVANE_APP_PATH;
const QString mainTitle = QStringLiteral("岚枢");
constexpr int mainMinWidth = 860;
constexpr int mainMinHeight = 520;
// How long the app is left alone before its memory is read, so the work a
// step set off (threads scanning applications, deferred deletes) is done.
constexpr auto settle = 1s;
constexpr auto stepLimit = 15s;

// 20 groups of 10 mappings, the mix of scopes, actions and notes of a
// configuration that has grown over months.
QByteArray realisticConfig()
{
    const char* const apps[] = {
        "firefox", "org.chromium.Chromium", "code", "org.gnome.Terminal", "org.gnome.Nautilus", "thunderbird"};
    const char* const modifiers[] = {"ctrl+", "ctrl+shift+", "opt+", "cmd+", "ctrl+opt+"};
    const char* const media[] = {"playpause", "next", "previous", "volumeup", "volumedown", "mute"};
    QJsonArray groups;
    for (int g = 0; g < 20; ++g) {
        QJsonObject scope{{"mode", "all"}, {"apps", QJsonArray()}, {"urls", QJsonArray()}};
        if (g % 4 == 1) {
            scope = {{"mode", "only"},
                     {"apps", QJsonArray{apps[g % 6], apps[(g + 1) % 6]}},
                     {"urls", QJsonArray{"github.com", "docs"}}};
        } else if (g % 4 == 2) {
            scope = {{"mode", "only"}, {"apps", QJsonArray{apps[g % 6]}}, {"urls", QJsonArray()}};
        } else if (g == 7) {
            scope = {{"mode", "except"}, {"apps", QJsonArray{"org.gnome.Terminal"}}, {"urls", QJsonArray()}};
        }
        QJsonArray mappings;
        for (int m = 0; m < 10; ++m) {
            const int n = g * 10 + m;
            const QString trigger = m == 9 ? QStringLiteral("mouse:%1").arg(3 + g % 3)
                                           : QString::fromLatin1(modifiers[g % 5]) + QChar(u'a' + m);
            QJsonObject action;
            switch (n % 5) {
            case 0:
            case 1:
                action = {{"type", "keys"}, {"keys", QStringLiteral("ctrl+shift+f%1").arg(1 + n % 12)}};
                break;
            case 2:
                action = {{"type", "media"}, {"media", media[n % 6]}};
                break;
            case 3:
                action = {{"type", "sendKeys"}, {"app", apps[n % 6]}, {"keys", "ctrl+shift+t"}};
                break;
            default:
                action = {{"type", "openApp"}, {"app", apps[n % 6]}};
                break;
            }
            QJsonObject mapping{{"trigger", trigger},
                                {"action", action},
                                {"note", m % 3 == 0 ? QStringLiteral("第 %1 条：常用").arg(m + 1) : QString()}};
            if (n % 17 == 0) {
                mapping.insert("enabled", false);
            }
            mappings.append(mapping);
        }
        QJsonObject group{{"name", QStringLiteral("规则组 %1").arg(g + 1)}, {"scope", scope}, {"mappings", mappings}};
        if (g == 19) {
            group.insert("enabled", false);
        }
        groups.append(group);
    }
    const QJsonObject root{{"version", 2}, {"preferences", QJsonObject{{"showHUD", true}}}, {"groups", groups}};
    return QJsonDocument(root).toJson();
}

// Runs the event loop until `done` holds or `limit` passes. `done` is asked
// every 20 ms and whenever check() is called in between, which the X events
// and the panel's registrations do: a change is seen as it happens.
class Wait {
public:
    bool until(const std::function<bool()>& done, std::chrono::milliseconds limit)
    {
        if (done()) {
            return true;
        }
        QEventLoop loop;
        bool met = false;
        check_ = [&] {
            if (!met && done()) {
                met = true;
                loop.quit();
            }
        };
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [this] { check(); });
        tick.start(20);
        QTimer::singleShot(limit, &loop, &QEventLoop::quit);
        loop.exec();
        check_ = nullptr;
        return met;
    }
    void check()
    {
        if (check_) {
            check_();
        }
    }

private:
    std::function<void()> check_;
};

// The bench's own connection to the display: it hears windows being mapped
// and unmapped (the frames on the root window, the clients it follows) and
// asks the window manager to close a window, as a title bar's button does.
class XWatch {
public:
    XWatch(const std::string& name, Wait& wait) : wait_(wait)
    {
        c_ = xcb_connect(name.c_str(), nullptr);
        if (xcb_connection_has_error(c_) != 0) {
            return;
        }
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
        const char* const closeName = "_NET_CLOSE_WINDOW";
        auto* reply = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(closeName)), closeName), nullptr);
        closeAtom_ = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        xcb_flush(c_);
        notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c_), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
            while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
                std::free(event);
            }
            wait_.check();
        });
    }
    ~XWatch()
    {
        notifier_.reset();
        xcb_disconnect(c_);
    }
    XWatch(const XWatch&) = delete;
    XWatch& operator=(const XWatch&) = delete;

    [[nodiscard]] bool ok() const { return xcb_connection_has_error(c_) == 0 && closeAtom_ != XCB_ATOM_NONE; }

    // Hears the windows' own map and unmap from now on.
    void follow(const std::vector<ManagedWindow>& windows)
    {
        for (const ManagedWindow& w : windows) {
            if (followed_.insert(w.id).second) {
                const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(c_, static_cast<xcb_window_t>(w.id), XCB_CW_EVENT_MASK, &mask);
            }
        }
        xcb_flush(c_);
    }

    void requestClose(unsigned long window)
    {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = static_cast<xcb_window_t>(window);
        message.type = closeAtom_;
        message.data.data32[0] = XCB_CURRENT_TIME;
        message.data.data32[1] = 2; // from a pager or panel, which the window manager obeys
        xcb_send_event(c_, 0, root_, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(c_);
    }

private:
    Wait& wait_;
    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    xcb_atom_t closeAtom_ = XCB_ATOM_NONE;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::set<unsigned long> followed_;
};

// VmRSS of the process, in MiB.
std::optional<double> residentMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmRSS:")) {
            bool ok = false;
            const double kib = line.mid(6).trimmed().split(' ').value(0).toDouble(&ok);
            if (ok) {
                return kib / 1024.0;
            }
        }
    }
    return std::nullopt;
}

bool isMainWindow(const ManagedWindow& w)
{
    return w.viewable && QString::fromStdString(w.title) == mainTitle && w.width >= mainMinWidth &&
           w.height >= mainMinHeight;
}

std::string describe(const std::vector<ManagedWindow>& windows)
{
    std::string out;
    for (const ManagedWindow& w : windows) {
        if (w.viewable) {
            out += (out.empty() ? "" : ", ") + ("\"" + w.title + "\" ") + std::to_string(w.width) + "x" +
                   std::to_string(w.height);
        }
    }
    return out.empty() ? "none" : out;
}

struct RunFigures {
    double trayMs = 0;
    double idleMiB = 0;
    double mainWindowMs = 0;
    double afterCloseMiB = 0;
    std::string windowsAtStart; // the app's viewable windows when its tray item registered
};

// One X server, window manager, session bus and panel for every run.
class Bench {
public:
    bool setUp(std::string* error)
    {
        x_ = testing::XSession::start({"openbox", "--sm-disable"}, "_NET_SUPPORTING_WM_CHECK", error);
        if (!x_) {
            return false;
        }
        bus_ = std::make_unique<testing::PrivateBus>();
        if (!bus_->ok()) {
            *error = "dbus-daemon did not start";
            return false;
        }
        panel_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(bus_->address(), "panel"));
        watcher_ = std::make_unique<testing::StatusWatcher>(*panel_);
        if (!panel_->isConnected() || !watcher_->publish()) {
            *error = "the stand-in panel could not take the watcher's name";
            return false;
        }
        QObject::connect(watcher_.get(), &testing::StatusWatcher::registered, [this] {
            ++registrations_;
            wait_.check();
        });
        display_ = std::make_unique<XWatch>(x_->display(), wait_);
        if (!display_->ok()) {
            *error = "cannot connect to the X server";
            return false;
        }
        if (!cache_.isValid()) {
            *error = "no temporary folder";
            return false;
        }
        return true;
    }

    std::optional<RunFigures> run(std::string* error)
    {
        QTemporaryDir home;
        const QString configDir = home.path() + "/config/norvane";
        const QString runtimeDir = home.path() + "/run";
        if (!home.isValid() || !QDir().mkpath(configDir) || !QDir().mkpath(runtimeDir)) {
            *error = "cannot make the home folder";
            return std::nullopt;
        }
        QFile::setPermissions(runtimeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile config(configDir + "/config.json");
        if (!config.open(QIODevice::WriteOnly) || config.write(realisticConfig()) <= 0) {
            *error = "cannot write the configuration";
            return std::nullopt;
        }
        config.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.path() + "/config");
        env.insert("XDG_CACHE_HOME", cache_.path());
        env.insert("XDG_RUNTIME_DIR", runtimeDir);
        env.insert("DISPLAY", QString::fromStdString(x_->display()));
        env.insert("DBUS_SESSION_BUS_ADDRESS", bus_->address());
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove("WAYLAND_DISPLAY");

        RunFigures figures;
        QProcess app;
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const auto stop = qScopeGuard([&app] {
            app.terminate();
            if (!app.waitForFinished(5000)) {
                app.kill();
                app.waitForFinished(3000);
            }
        });

        // (1) Start to tray item registered.
        const int registeredBefore = registrations_;
        QElapsedTimer clock;
        clock.start();
        app.start(QString::fromLatin1(appPath), {});
        if (!wait_.until([&] { return registrations_ > registeredBefore || app.state() == QProcess::NotRunning; },
                         stepLimit) ||
            registrations_ == registeredBefore) {
            *error = "no tray item registered";
            return std::nullopt;
        }
        figures.trayMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        const auto atStart = testing::managedWindows(x_->display());
        figures.windowsAtStart = describe(atStart);

        // (2) Resident memory while the app waits in the tray.
        pause(settle);
        const auto idle = residentMiB(app.processId());
        if (!idle) {
            *error = "cannot read the app's memory";
            return std::nullopt;
        }
        figures.idleMiB = *idle;

        // (3) A second start asks for the main window and hands over.
        std::set<unsigned long> shownBefore;
        for (const ManagedWindow& w : testing::managedWindows(x_->display())) {
            if (w.viewable) {
                shownBefore.insert(w.id);
            }
        }
        std::optional<ManagedWindow> mainWindow;
        QProcess second;
        second.setProcessEnvironment(env);
        second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        clock.restart();
        second.start(QString::fromLatin1(appPath), {QStringLiteral("--settings")});
        const bool opened = wait_.until(
            [&] {
                const auto windows = testing::managedWindows(x_->display());
                display_->follow(windows);
                for (const ManagedWindow& w : windows) {
                    if (isMainWindow(w) && shownBefore.count(w.id) == 0) {
                        mainWindow = w;
                        return true;
                    }
                }
                return false;
            },
            stepLimit);
        figures.mainWindowMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (!opened) {
            *error = "no main window titled 岚枢 of at least 860x520 was shown";
            return std::nullopt;
        }
        // It may be gone already: waitForFinished() is false for an ended process.
        const bool ended = second.state() == QProcess::NotRunning || second.waitForFinished(10000);
        if (!ended || second.exitStatus() != QProcess::NormalExit || second.exitCode() != 0) {
            *error = "the second start did not hand over and exit";
            return std::nullopt;
        }

        // (4) Resident memory once the main window is closed again.
        display_->requestClose(mainWindow->id);
        const bool closed = wait_.until(
            [&] {
                for (const ManagedWindow& w : testing::managedWindows(x_->display())) {
                    if (w.id == mainWindow->id && w.viewable) {
                        return false;
                    }
                }
                return true;
            },
            stepLimit);
        if (!closed || app.state() != QProcess::Running) {
            *error = closed ? "the app ended when its main window closed" : "the main window did not close";
            return std::nullopt;
        }
        pause(settle);
        const auto afterClose = residentMiB(app.processId());
        if (!afterClose) {
            *error = "cannot read the app's memory";
            return std::nullopt;
        }
        figures.afterCloseMiB = *afterClose;
        return figures;
    }

private:
    void pause(std::chrono::milliseconds time)
    {
        wait_.until([] { return false; }, time);
    }

    std::unique_ptr<testing::XSession> x_;
    std::unique_ptr<testing::PrivateBus> bus_;
    std::unique_ptr<QDBusConnection> panel_;
    std::unique_ptr<testing::StatusWatcher> watcher_;
    Wait wait_;
    std::unique_ptr<XWatch> display_;
    QTemporaryDir cache_;
    int registrations_ = 0;
};

struct Goal {
    const char* what;
    const char* unit;
    double limit;
    double RunFigures::*figure;
};

const Goal goals[] = {
    {"start to tray item registered", "ms", 300, &RunFigures::trayMs},
    {"resident memory before any window is asked for", "MiB", 60, &RunFigures::idleMiB},
    {"first opening of the main window (--settings)", "ms", 400, &RunFigures::mainWindowMs},
    {"resident memory after closing the main window", "MiB", 150, &RunFigures::afterCloseMiB},
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void printRun(const char* label, const RunFigures& f)
{
    std::printf("%-22s tray %6.1f ms   idle %6.1f MiB   main window %6.1f ms   after closing %6.1f MiB\n", label,
                f.trayMs, f.idleMiB, f.mainWindowMs, f.afterCloseMiB);
}

int runBench(int runs)
{
    Bench bench;
    std::string error;
    if (!bench.setUp(&error)) {
        std::fprintf(stderr, "bench_desktop_app: %s\n", error.c_str());
        return 1;
    }
    std::printf("bench_desktop_app: %s\n", appPath);
    std::printf("Xvfb 1024x768 with openbox; 20 groups x 10 mappings; %d runs after one warm-up run\n\n", runs);

    std::vector<RunFigures> counted;
    std::set<std::string> windowsAtStart;
    for (int i = 0; i <= runs; ++i) {
        const auto figures = bench.run(&error);
        if (!figures) {
            std::fprintf(stderr, "bench_desktop_app: run %d: %s\n", i, error.c_str());
            return 1;
        }
        printRun(i == 0 ? "warm-up (not counted)" : ("run " + std::to_string(i)).c_str(), *figures);
        std::fflush(stdout);
        windowsAtStart.insert(figures->windowsAtStart);
        if (i > 0) {
            counted.push_back(*figures);
        }
    }

    std::printf("\n%-48s %10s %10s %10s\n", "", "median", "max", "goal");
    for (const Goal& goal : goals) {
        std::vector<double> values;
        values.reserve(counted.size());
        for (const RunFigures& f : counted) {
            values.push_back(f.*goal.figure);
        }
        const double mid = median(values);
        const double top = *std::max_element(values.begin(), values.end());
        const char* verdict = mid <= goal.limit ? (top <= goal.limit ? "PASS" : "PASS (max over)") : "OVER";
        std::printf("%-48s %6.1f %-3s %6.1f %-3s <= %3.0f %-3s  %s\n", goal.what, mid, goal.unit, top, goal.unit,
                    goal.limit, goal.unit, verdict);
    }
    // The figures before any window presume the app started to the tray
    // alone; without input access it opens its onboarding window at once.
    for (const std::string& windows : windowsAtStart) {
        if (windows != "none") {
            std::printf("\nnote: the app had already shown windows when its tray item registered: %s\n"
                        "      (the onboarding window, when this session gives no input access)\n",
                        windows.c_str());
        }
    }
    return 0;
}

} // namespace
} // namespace norvane::bench

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    if (runs < 1) {
        std::fprintf(stderr, "usage: bench_desktop_app [runs]\n");
        return 2;
    }
    return norvane::bench::runBench(runs);
}
