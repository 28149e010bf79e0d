#include "platform/linux/session/logind_session.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include <unistd.h>

namespace norvane::linux_session {

namespace {

const QString service = QStringLiteral("org.freedesktop.login1");
const QString managerPath = QStringLiteral("/org/freedesktop/login1");
const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString activeProperty = QStringLiteral("Active");

} // namespace

LogindSession::LogindSession(QDBusConnection bus, QString sessionId, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), sessionId_(std::move(sessionId))
{
    if (!bus_.isConnected()) {
        // Deferred, so that whoever made us can connect to settled() first.
        QMetaObject::invokeMethod(
            this, [this] { giveUp(QStringLiteral("no system bus: ") + bus_.lastError().message()); },
            Qt::QueuedConnection);
        return;
    }
    find(sessionId_.isEmpty() ? Lookup::byPid : Lookup::byId);
}

void LogindSession::find(Lookup step)
{
    QDBusMessage call;
    switch (step) {
    case Lookup::byId:
        call = QDBusMessage::createMethodCall(service, managerPath, managerInterface, QStringLiteral("GetSession"));
        call << sessionId_;
        break;
    case Lookup::byPid:
        call =
            QDBusMessage::createMethodCall(service, managerPath, managerInterface, QStringLiteral("GetSessionByPID"));
        call << static_cast<uint>(::getpid());
        break;
    case Lookup::automatic:
        call = QDBusMessage::createMethodCall(service, managerPath, managerInterface, QStringLiteral("GetSession"));
        call << QStringLiteral("auto");
        break;
    }
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, step](QDBusPendingCallWatcher* w) { found(w, step); });
}

void LogindSession::found(QDBusPendingCallWatcher* call, Lookup step)
{
    call->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *call;
    if (!reply.isError()) {
        follow(reply.value().path());
        return;
    }
    const QDBusError error = reply.error();
    // logind is not there at all: asking again by another name cannot help.
    const bool noLogind = error.type() == QDBusError::ServiceUnknown || error.type() == QDBusError::NoReply ||
                          error.type() == QDBusError::Disconnected;
    if (!noLogind && step != Lookup::automatic) {
        find(Lookup::automatic);
        return;
    }
    giveUp(error.message());
}

void LogindSession::follow(const QString& path)
{
    path_ = path;
    // Listen first, then read: a change between the two is not missed.
    if (!bus_.connect(service, path_, propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                      SLOT(propertiesChanged(QString, QVariantMap, QStringList)))) {
        giveUp(QStringLiteral("cannot listen to the session: ") + bus_.lastError().message());
        return;
    }
    readActive();
}

void LogindSession::readActive()
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path_, propertiesInterface, QStringLiteral("Get"));
    call << sessionInterface << activeProperty;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *w;
        if (reply.isError()) {
            giveUp(QStringLiteral("cannot read the session's state: ") + reply.error().message());
            return;
        }
        setActive(reply.value().variant().toBool());
        if (!settled_) {
            settled_ = true;
            emit settled();
        }
    });
}

void LogindSession::propertiesChanged(const QString& interface, const QVariantMap& changed,
                                      const QStringList& invalidated)
{
    if (interface != sessionInterface) {
        return;
    }
    if (const auto it = changed.constFind(activeProperty); it != changed.cend()) {
        setActive(it->toBool());
    } else if (invalidated.contains(activeProperty)) {
        readActive();
    }
}

void LogindSession::setActive(bool active)
{
    if (active == active_) {
        return;
    }
    active_ = active;
    if (handler_) {
        handler_(active);
    }
}

void LogindSession::giveUp(const QString& why)
{
    // What is known stays: until then the session counts as active (as
    // without logind), and a session left unfollowed later keeps its state.
    problem_ = why.isEmpty() ? QStringLiteral("logind did not answer") : why;
    if (!settled_) {
        settled_ = true;
        emit settled();
    }
}

} // namespace norvane::linux_session
