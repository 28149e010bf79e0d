#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QMap>
#include <QObject>

#include <memory>
#include <vector>

namespace norvane::testing {

class Login1Standin;

// One session object: org.freedesktop.login1.Session with its Active property.
class StandinSession final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
    Q_PROPERTY(bool Active READ active)
public:
    StandinSession(QString id, bool active) : id_(std::move(id)), active_(active) {}
    [[nodiscard]] bool active() const { return active_; }
    [[nodiscard]] const QString& id() const { return id_; }
    [[nodiscard]] QString path() const { return QStringLiteral("/org/freedesktop/login1/session/") + id_; }

private:
    friend class Login1Standin;
    QString id_;
    bool active_;
};

// The manager: finds sessions by id (and "auto") and by process.
class StandinManager final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    explicit StandinManager(Login1Standin& owner) : owner_(owner) {}

public slots:
    QDBusObjectPath GetSession(const QString& id);
    QDBusObjectPath GetSessionByPID(uint pid);

private:
    Login1Standin& owner_;
};

// A stand-in for logind on a bus of the test's own: sessions whose Active
// property the test sets, announced as logind does (PropertiesChanged with
// the new value, or only invalidated).
class Login1Standin {
public:
    explicit Login1Standin(const QString& address);
    ~Login1Standin();
    Login1Standin(const Login1Standin&) = delete;
    Login1Standin& operator=(const Login1Standin&) = delete;

    [[nodiscard]] bool ok() const { return ok_; }
    StandinSession& addSession(const QString& id, bool active);
    // Which session GetSessionByPID answers for any process; "auto" answers
    // with autoSession. Empty: no such session.
    QString pidSession;
    QString autoSession;
    // Ids asked for, in order ("pid" for GetSessionByPID).
    QStringList asked;

    void setActive(const QString& id, bool active, bool invalidateOnly = false);

private:
    friend class StandinManager;
    QDBusConnection bus_;
    StandinManager manager_{*this};
    std::map<QString, std::unique_ptr<StandinSession>> sessions_;
    bool ok_ = false;
};

} // namespace norvane::testing
