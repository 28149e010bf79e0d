#pragma once

#include "platform/linux/session/session_activity.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QDBusPendingCallWatcher;

namespace norvane::linux_session {

// Follows the `Active` property of this program's logind session over the
// system bus. The session is the one named by XDG_SESSION_ID, else the one
// this process belongs to, else logind's choice for the user ("auto": the
// user's graphical session, for a program started outside it). Every call is
// asynchronous: the main thread never waits on the system bus. Without
// logind (no system bus, no session) the session counts as active.
class LogindSession final : public QObject, public SessionActivity {
    Q_OBJECT
public:
    explicit LogindSession(QDBusConnection bus = QDBusConnection::systemBus(),
                           QString sessionId = qEnvironmentVariable("XDG_SESSION_ID"), QObject* parent = nullptr);

    [[nodiscard]] bool isActive() const override { return active_; }
    void setActiveHandler(Handler handler) override { handler_ = std::move(handler); }

    // The session's object path once found; empty before and without one.
    [[nodiscard]] const QString& sessionPath() const noexcept { return path_; }
    // Why the session cannot be followed; empty while it can (or is being found).
    [[nodiscard]] const QString& problem() const noexcept { return problem_; }

signals:
    // The session was found and its state read, or it cannot be followed.
    void settled();

private:
    Q_SLOT void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);

    enum class Lookup { byId, byPid, automatic };

    void find(Lookup step);
    void found(QDBusPendingCallWatcher* call, Lookup step);
    void follow(const QString& path);
    void readActive();
    void setActive(bool active);
    void giveUp(const QString& why);

    QDBusConnection bus_;
    QString sessionId_;
    QString path_;
    QString problem_;
    bool active_ = true;
    bool settled_ = false;
    Handler handler_;
};

} // namespace norvane::linux_session
