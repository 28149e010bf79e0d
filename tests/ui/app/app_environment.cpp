#include "app_environment.h"

#include <gtest/gtest.h>

namespace norvane::testing {

QProcessEnvironment appEnvironment(const AppSession& session, const QString& platform)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", session.home);
    env.insert("XDG_CONFIG_HOME", session.home + "/config");
    env.insert("XDG_RUNTIME_DIR", session.home + "/run");
    env.insert("DISPLAY", QString::fromStdString(session.display));
    env.insert("DBUS_SESSION_BUS_ADDRESS", session.busAddress);
    env.insert("QT_QPA_PLATFORM", platform);
    if (platform == QLatin1String("offscreen")) {
        env.remove("DISPLAY");
    }
    env.remove("WAYLAND_DISPLAY");
    // Memory errors still fail the app; leak reports do not: the X11
    // platform plugin and the GL libraries it loads leave a few allocations
    // at exit that are not ours (the unit tests check ours).
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    return env;
}

void startDesktop(std::unique_ptr<XSession>& x, std::unique_ptr<PrivateBus>& bus)
{
    std::string error;
    x = XSession::start({"openbox", "--sm-disable"}, "_NET_SUPPORTING_WM_CHECK", &error);
    ASSERT_TRUE(x) << error;
    bus = std::make_unique<PrivateBus>();
    ASSERT_TRUE(bus->ok()) << "dbus-daemon did not start";
}

} // namespace norvane::testing
