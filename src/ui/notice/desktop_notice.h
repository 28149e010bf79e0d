#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <optional>

namespace norvane::ui {

// The notice as a desktop notification (org.freedesktop.Notifications on the
// session bus). One notification at a time: while it is showing, the next
// notice replaces it in place instead of stacking a second one. Calls are
// asynchronous; the main thread never waits for the notification server.
class DesktopNotice final : public QObject {
    Q_OBJECT

public:
    // The program's icon name in the icon theme, for notices without an
    // application icon.
    static constexpr const char* programIcon = "norvane";

    explicit DesktopNotice(QObject* parent = nullptr);

    // `icon` is an image file path or an icon name.
    void show(const QString& icon, const QString& summary, const QString& body);

private:
    // The server's NotificationClosed signal.
    Q_SLOT void closed(uint id, uint reason);

    struct Request {
        QString icon;
        QString summary;
        QString body;
    };

    void send(const Request& request);

    QDBusConnection bus_;
    // The notification on screen, 0 for none.
    uint shownId_ = 0;
    // A call whose id has not come back yet: the next request waits for it,
    // so it can replace that notification.
    bool waiting_ = false;
    std::optional<Request> next_;
    bool warned_ = false;
};

} // namespace norvane::ui
