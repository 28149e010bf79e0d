#include "private_bus.h"

namespace norvane::testing {

PrivateBus::PrivateBus()
{
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    if (!daemon_.waitForStarted(5000)) {
        return;
    }
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5000)) {
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateBus::~PrivateBus()
{
    daemon_.terminate();
    if (!daemon_.waitForFinished(3000)) {
        daemon_.kill();
        daemon_.waitForFinished(3000);
    }
}

} // namespace norvane::testing
