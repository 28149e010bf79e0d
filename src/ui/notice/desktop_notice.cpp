#include "ui/notice/desktop_notice.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace norvane::ui {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

// As long as the panel on X11 stays: 1.1 s, then its fade-out.
constexpr int expireMs = 1400;

} // namespace

DesktopNotice::DesktopNotice(QObject* parent) : QObject(parent), bus_(QDBusConnection::sessionBus())
{
    bus_.connect(service, path, interface, QStringLiteral("NotificationClosed"), this, SLOT(closed(uint, uint)));
}

void DesktopNotice::show(const QString& icon, const QString& summary, const QString& body)
{
    Request request{icon, summary, body};
    if (waiting_) {
        // Only the latest one matters.
        next_ = std::move(request);
        return;
    }
    send(request);
}

void DesktopNotice::send(const Request& request)
{
    // Transient with low urgency: a confirmation that servers need not keep
    // in their history.
    const QVariantMap hints{
        {QStringLiteral("transient"), true},
        {QStringLiteral("urgency"), QVariant::fromValue(uchar{0})},
        {QStringLiteral("desktop-entry"), QStringLiteral("norvane")},
    };
    auto message = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    message << QStringLiteral("岚枢") << shownId_ << request.icon << request.summary << request.body << QStringList()
            << hints << expireMs;
    waiting_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<uint> reply = *call;
        waiting_ = false;
        if (reply.isError()) {
            shownId_ = 0;
            if (!warned_) {
                warned_ = true;
                qWarning("norvane: no desktop notification: %s", qPrintable(reply.error().message()));
            }
        } else {
            shownId_ = reply.value();
        }
        if (next_) {
            const Request queued = std::move(*next_);
            next_.reset();
            send(queued);
        }
    });
}

void DesktopNotice::closed(uint id, uint /*reason*/)
{
    if (id == shownId_) {
        shownId_ = 0;
    }
}

} // namespace norvane::ui
