#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <set>
#include <vector>

namespace norvane::testing {

// A stand-in desktop notification server on its own bus connection. It
// records every Notify call and closes notifications when told to.
class NotificationServer final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call {
        QString appName;
        uint replacesId = 0;
        QString icon;
        QString summary;
        QString body;
        QVariantMap hints;
        int expireTimeout = 0;
        uint id = 0; // the one returned
    };

    NotificationServer();
    ~NotificationServer() override;

    [[nodiscard]] bool registered() const noexcept { return registered_; }
    [[nodiscard]] const std::vector<Call>& calls() const noexcept { return calls_; }
    // As when the notification expires.
    void close(uint id);

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int expireTimeout);

signals:
    void NotificationClosed(uint id, uint reason);

private:
    QDBusConnection bus_;
    bool registered_ = false;
    std::vector<Call> calls_;
    std::set<uint> open_;
    uint lastId_ = 0;
};

} // namespace norvane::testing
