#include "kwin_session.h"

#include "platform/linux/workspace/bus_connection.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gio/gio.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace norvane::testing {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* socketName = "wayland-norvane";

bool scriptingAnswers(const std::string& address)
{
    GDBusConnection* c = linux_workspace::openBusConnection(address);
    if (!c) {
        return false;
    }
    GVariant* reply = g_dbus_connection_call_sync(c, "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting",
                                                  "isScriptLoaded", g_variant_new("(s)", "none"), G_VARIANT_TYPE("(b)"),
                                                  G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
    if (reply) {
        g_variant_unref(reply);
    }
    g_dbus_connection_close_sync(c, nullptr, nullptr);
    g_object_unref(c);
    return reply != nullptr;
}

} // namespace

bool KWinSession::installed()
{
    return access(binary, X_OK) == 0;
}

KWinSession::KWinSession() = default;

KWinSession::~KWinSession()
{
    stopKWin(SIGTERM);
    bus_.reset();
}

std::optional<std::string> KWinSession::start()
{
    if (dir().empty()) {
        return std::string("cannot make a temporary folder");
    }
    // The installed binary carries the file capability cap_sys_resource,
    // which makes exec fail where that capability is not in the bounding set
    // (containers); a plain copy carries none.
    std::error_code ec;
    fs::copy_file(binary, dir() + "/kwin_wayland", ec);
    if (ec) {
        return "cannot copy " + std::string(binary) + ": " + ec.message();
    }
    fs::create_directories(dir() + "/home", ec);
    fs::create_directory(dir() + "/xdg", ec);
    chmod((dir() + "/xdg").c_str(), 0700);

    bus_ = std::make_unique<PrivateBus>(dir());
    if (bus_->address().empty()) {
        return std::string("dbus-daemon did not start");
    }
    return startKWin();
}

std::optional<std::string> KWinSession::startKWin()
{
    const auto started = Clock::now();
    kwin_ = Child::spawn({dir() + "/kwin_wayland", "--virtual", "--no-lockscreen", "--no-global-shortcuts",
                          "--no-kactivities", "--width", "1024", "--height", "768", "--socket", socketName},
                         {"PATH=/usr/bin:/bin", "HOME=" + dir() + "/home", "XDG_RUNTIME_DIR=" + dir() + "/xdg",
                          "DBUS_SESSION_BUS_ADDRESS=" + busAddress(),
                          // QPainter: no GPU here, and cheaper than GL on llvmpipe.
                          "KWIN_COMPOSE=Q"},
                         dir() + "/kwin.log");
    const bool ready = waitFor(
        [&] {
            return !kwin_.running() || (nameHasOwner(busAddress(), "org.kde.KWin") && scriptingAnswers(busAddress()));
        },
        std::chrono::seconds(20));
    if (!ready || !kwin_.running()) {
        return "kwin_wayland did not start:\n" + kwinLog();
    }
    kwinStartSeconds_ = std::chrono::duration<double>(Clock::now() - started).count();
    return std::nullopt;
}

void KWinSession::stopKWin(int signal)
{
    kwin_.stop(signal);
}

Child KWinSession::startClient(const std::string& appID, const std::string& title)
{
    return Child::spawn({"/usr/bin/python3", std::string(NORVANE_DESKTOP_TEST_DIR) + "/client.py", appID, title},
                        {"PATH=/usr/bin:/bin", "HOME=" + dir() + "/home", "XDG_RUNTIME_DIR=" + dir() + "/xdg",
                         "WAYLAND_DISPLAY=" + std::string(socketName), "GDK_BACKEND=wayland",
                         "DBUS_SESSION_BUS_ADDRESS=" + busAddress(), "NO_AT_BRIDGE=1",
                         "XDG_DATA_DIRS=/usr/local/share:/usr/share"},
                        dir() + "/clients.log");
}

std::string KWinSession::kwinLog() const
{
    std::ifstream in(dir() + "/kwin.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace norvane::testing
