#include "gnome_session.h"

#include "platform/linux/workspace/bus_connection.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gio/gio.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace norvane::testing {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* socketName = "wayland-norvane-gs";
// A start-up takes 1.3 to 3.7 s here, under load too.
constexpr auto startLimit = std::chrono::seconds(15);
constexpr int startAttempts = 2;

std::string readText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Children of this process it did not start itself: services the private
// bus started, orphaned when the bus stopped and adopted by this process
// (it is their subreaper).
std::vector<pid_t> adoptedChildren()
{
    std::vector<pid_t> pids;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const auto stat = readText(entry.path().string() + "/stat");
        const auto close = stat.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        std::istringstream rest(stat.substr(close + 1));
        char state = 0;
        pid_t parent = 0;
        if (rest >> state >> parent && parent == getpid()) {
            pids.push_back(static_cast<pid_t>(std::stoi(entry.path().filename().string())));
        }
    }
    return pids;
}

void endAdoptedChildren()
{
    auto pids = adoptedChildren();
    for (const pid_t pid : pids) {
        kill(pid, SIGTERM);
    }
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (!pids.empty()) {
        std::erase_if(pids, [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
        if (Clock::now() > deadline) {
            for (const pid_t pid : pids) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
            }
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Services the bus starts (dconf above all) get the session's folders.
bool setActivationEnvironment(const std::string& address, const std::vector<std::pair<std::string, std::string>>& vars)
{
    GDBusConnection* c = linux_workspace::openBusConnection(address);
    if (!c) {
        return false;
    }
    GVariantBuilder env;
    g_variant_builder_init(&env, G_VARIANT_TYPE("a{ss}"));
    for (const auto& [name, value] : vars) {
        g_variant_builder_add(&env, "{ss}", name.c_str(), value.c_str());
    }
    GVariant* reply = g_dbus_connection_call_sync(
        c, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "UpdateActivationEnvironment",
        g_variant_new("(a{ss})", &env), nullptr, G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
    if (reply) {
        g_variant_unref(reply);
    }
    g_dbus_connection_close_sync(c, nullptr, nullptr);
    g_object_unref(c);
    return reply != nullptr;
}

} // namespace

bool GnomeSession::installed()
{
    return access(binary, X_OK) == 0;
}

GnomeSession& GnomeSession::process()
{
    static GnomeSession session;
    return session;
}

GnomeSession::GnomeSession()
{
    if (dir_.path().empty()) {
        failure_ = "cannot make a temporary folder";
        return;
    }
    // Services of the private bus outlive it briefly; this process reaps them.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    std::error_code ec;
    fs::create_directories(dataHome() + "/applications", ec);
    fs::create_directories(home() + "/.config", ec);
    fs::create_directories(dir_.path() + "/system", ec);
    fs::create_directory(runtimeDir(), ec);
    chmod(runtimeDir().c_str(), 0700);
    fs::create_directory(dir_.path() + "/no-data", ec);

    systemBus_ = std::make_unique<PrivateBus>(dir_.path() + "/system");
    bus_ = std::make_unique<PrivateBus>(dir_.path());
    if (systemBus_->address().empty() || bus_->address().empty()) {
        failure_ = "dbus-daemon did not start";
        return;
    }
    const std::vector<std::pair<std::string, std::string>> folders = {
        {"HOME", home()},
        {"XDG_CONFIG_HOME", home() + "/.config"},
        {"XDG_DATA_HOME", dataHome()},
        {"XDG_RUNTIME_DIR", runtimeDir()},
        {"XDG_DATA_DIRS", "/usr/local/share:/usr/share"},
        {"DBUS_SYSTEM_BUS_ADDRESS", systemBus_->address()},
    };
    if (!setActivationEnvironment(bus_->address(), folders)) {
        failure_ = "the private bus does not take an activation environment";
        return;
    }
    // This process: the same folders and bus, but only the session's own
    // desktop entries (the schemas are found without the data folders).
    for (const auto& [name, value] : folders) {
        if (name != "HOME" && name != "XDG_DATA_DIRS") {
            setenv(name.c_str(), value.c_str(), 1);
        }
    }
    setenv("XDG_DATA_DIRS", (dir_.path() + "/no-data").c_str(), 1);
    setenv("GSETTINGS_SCHEMA_DIR", "/usr/share/glib-2.0/schemas", 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", bus_->address().c_str(), 1);
    setenv("XDG_SESSION_TYPE", "wayland", 1);
}

GnomeSession::~GnomeSession()
{
    stopShell();
    bus_.reset();
    systemBus_.reset();
    endAdoptedChildren();
}

std::optional<std::string> GnomeSession::startShell()
{
    if (failure_) {
        return failure_;
    }
    // Now and then (about one start in ten on a loaded machine) the headless
    // shell stops short of the end of its start-up and never gets there; a
    // second start gets through. Both logs are kept for a start that fails twice.
    std::string logs;
    for (int attempt = 1; attempt <= startAttempts; ++attempt) {
        if (startShellOnce()) {
            return std::nullopt;
        }
        logs += "attempt " + std::to_string(attempt) + ":\n" + shellLog() + "\n";
        stopShell();
        std::fprintf(stderr, "gnome-shell did not finish starting (attempt %d of %d)\n", attempt, startAttempts);
    }
    return "gnome-shell did not start:\n" + logs;
}

bool GnomeSession::startShellOnce()
{
    std::error_code ec;
    fs::remove(logPath(), ec);
    // A shell stopped within its first minute leaves its crash marker behind,
    // and the next one takes that for a crash loop: a fresh login has none.
    fs::remove(runtimeDir() + "/gnome-shell-disable-extensions", ec);
    const auto started = Clock::now();
    shell_ = Child::spawn({binary, "--headless", "--wayland", "--no-x11", "--virtual-monitor", "1024x768",
                           "--wayland-display", socketName},
                          {"PATH=/usr/bin:/bin", "HOME=" + home(), "XDG_CONFIG_HOME=" + home() + "/.config",
                           "XDG_DATA_HOME=" + dataHome(), "XDG_DATA_DIRS=/usr/local/share:/usr/share",
                           "XDG_RUNTIME_DIR=" + runtimeDir(), "XDG_SESSION_TYPE=wayland",
                           "DBUS_SESSION_BUS_ADDRESS=" + busAddress(),
                           "DBUS_SYSTEM_BUS_ADDRESS=" + systemBus_->address(), "NO_AT_BRIDGE=1"},
                          logPath());
    // Logged once the start-up animation is over and the shell is in use.
    const bool ready = waitFor(
        [&] { return !shell_.running() || readText(logPath()).find("GNOME Shell started") != std::string::npos; },
        startLimit);
    if (!ready || !shell_.running()) {
        return false;
    }
    shellStartSeconds_ = std::chrono::duration<double>(Clock::now() - started).count();
    return true;
}

void GnomeSession::stopShell()
{
    shell_.stop();
}

Child GnomeSession::startClient(const std::string& appID, const std::string& title)
{
    return Child::spawn({"/usr/bin/python3", std::string(NORVANE_DESKTOP_TEST_DIR) + "/client.py", appID, title},
                        {"PATH=/usr/bin:/bin", "HOME=" + home(), "XDG_RUNTIME_DIR=" + runtimeDir(),
                         "WAYLAND_DISPLAY=" + std::string(socketName), "GDK_BACKEND=wayland",
                         "DBUS_SESSION_BUS_ADDRESS=" + busAddress(), "NO_AT_BRIDGE=1",
                         "XDG_DATA_DIRS=/usr/local/share:/usr/share"},
                        dir_.path() + "/clients.log");
}

void GnomeSession::addDesktopEntry(const std::string& id, const std::string& text) const
{
    std::ofstream(dataHome() + "/applications/" + id + ".desktop") << text;
}

std::string GnomeSession::shellLog() const
{
    return readText(logPath());
}

} // namespace norvane::testing
