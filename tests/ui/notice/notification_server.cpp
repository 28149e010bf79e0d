#include "notification_server.h"

namespace norvane::testing {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");

} // namespace

NotificationServer::NotificationServer()
    : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("notification-server")))
{
    registered_ = bus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                      QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
                  bus_.registerService(service);
}

NotificationServer::~NotificationServer()
{
    bus_.unregisterService(service);
    bus_.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    QDBusConnection::disconnectFromBus(QStringLiteral("notification-server"));
}

uint NotificationServer::Notify(const QString& appName, uint replacesId, const QString& icon, const QString& summary,
                                const QString& body, const QStringList& /*actions*/, const QVariantMap& hints,
                                int expireTimeout)
{
    const uint id = open_.contains(replacesId) ? replacesId : ++lastId_;
    open_.insert(id);
    calls_.push_back({appName, replacesId, icon, summary, body, hints, expireTimeout, id});
    return id;
}

void NotificationServer::close(uint id)
{
    open_.erase(id);
    emit NotificationClosed(id, 1);
}

} // namespace norvane::testing
