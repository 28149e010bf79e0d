#include "login1_standin.h"

#include <QDBusMessage>

namespace norvane::testing {

namespace {

const QString connectionName = QStringLiteral("login1-standin");

} // namespace

QDBusObjectPath StandinManager::GetSession(const QString& id)
{
    owner_.asked << id;
    const QString name = id == QLatin1String("auto") ? owner_.autoSession : id;
    if (const auto it = owner_.sessions_.find(name); it != owner_.sessions_.end()) {
        return QDBusObjectPath(it->second->path());
    }
    sendErrorReply(QStringLiteral("org.freedesktop.login1.NoSuchSession"),
                   QStringLiteral("No session '%1' known").arg(id));
    return {};
}

QDBusObjectPath StandinManager::GetSessionByPID(uint pid)
{
    owner_.asked << QStringLiteral("pid:%1").arg(pid);
    if (const auto it = owner_.sessions_.find(owner_.pidSession); it != owner_.sessions_.end()) {
        return QDBusObjectPath(it->second->path());
    }
    sendErrorReply(QStringLiteral("org.freedesktop.login1.NoSessionForPID"),
                   QStringLiteral("PID %1 does not belong to any known session").arg(pid));
    return {};
}

Login1Standin::Login1Standin(const QString& address) : bus_(QDBusConnection::connectToBus(address, connectionName))
{
    ok_ = bus_.isConnected() && bus_.registerService(QStringLiteral("org.freedesktop.login1")) &&
          bus_.registerObject(QStringLiteral("/org/freedesktop/login1"), &manager_, QDBusConnection::ExportAllSlots);
}

Login1Standin::~Login1Standin()
{
    bus_.unregisterService(QStringLiteral("org.freedesktop.login1"));
    QDBusConnection::disconnectFromBus(connectionName);
}

StandinSession& Login1Standin::addSession(const QString& id, bool active)
{
    auto session = std::make_unique<StandinSession>(id, active);
    bus_.registerObject(session->path(), session.get(), QDBusConnection::ExportAllProperties);
    auto& slot = sessions_[id];
    slot = std::move(session);
    return *slot;
}

void Login1Standin::setActive(const QString& id, bool active, bool invalidateOnly)
{
    StandinSession& session = *sessions_.at(id);
    session.active_ = active;
    auto signal = QDBusMessage::createSignal(session.path(), QStringLiteral("org.freedesktop.DBus.Properties"),
                                             QStringLiteral("PropertiesChanged"));
    QVariantMap changed;
    QStringList invalidated;
    if (invalidateOnly) {
        invalidated << QStringLiteral("Active");
    } else {
        changed.insert(QStringLiteral("Active"), active);
    }
    signal << QStringLiteral("org.freedesktop.login1.Session") << changed << invalidated;
    bus_.send(signal);
}

} // namespace norvane::testing
