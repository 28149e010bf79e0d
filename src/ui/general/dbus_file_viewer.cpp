#include "ui/general/dbus_file_viewer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace norvane::ui {

namespace {

// A file manager that is not running is started by the bus; allow for that,
// but not for a hung one.
constexpr int callTimeoutMs = 5000;

} // namespace

bool DBusFileViewer::openFolder(const QString& path)
{
    const QFileInfo file(path);
    const QString folder = file.isDir() ? file.absoluteFilePath() : file.absolutePath();
    return QFileInfo(folder).isDir() && QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void DBusFileViewer::reveal(const QString& path, std::function<void(bool shown)> done)
{
    // A missing file cannot be selected: its folder is the nearest thing.
    if (!QFileInfo::exists(path)) {
        done(openFolder(path));
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        done(openFolder(path));
        return;
    }
    auto call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString()} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [path, done = std::move(done)](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<> reply = *w;
                done(!reply.isError() || openFolder(path));
            });
}

} // namespace norvane::ui
