#pragma once

#include "private_bus.h"
#include "x_session.h"

#include <QProcessEnvironment>
#include <QString>

#include <memory>
#include <string>

namespace norvane::testing {

// Where the app under test lives and whom it talks to: a home folder of its
// own (config in home/config, runtime files in home/run), the private X
// display and the private session bus.
struct AppSession {
    QString home;
    std::string display;
    QString busAddress;
};

// The environment the app under test runs in, on the Qt platform named
// (`offscreen` leaves the display out).
QProcessEnvironment appEnvironment(const AppSession& session, const QString& platform = QStringLiteral("xcb"));

// The desktop the app tests share: Xvfb with openbox, and a private session
// bus. Fails the calling test set-up when either does not start.
void startDesktop(std::unique_ptr<XSession>& x, std::unique_ptr<PrivateBus>& bus);

} // namespace norvane::testing
