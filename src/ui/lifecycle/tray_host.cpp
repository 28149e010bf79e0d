#include "ui/lifecycle/tray_host.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>

namespace norvane::ui {

namespace {

const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");

} // namespace

void whenTrayHostReady(QObject* context, std::chrono::milliseconds limit, std::function<void(bool)> ready)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface()->isServiceRegistered(watcherName).value()) {
        QTimer::singleShot(0, context, [ready = std::move(ready)] { ready(true); });
        return;
    }
    // Shared by the watcher and the timer; whichever comes first answers.
    auto pending = std::make_shared<std::function<void(bool)>>(std::move(ready));
    auto* timer = new QTimer(context);
    timer->setSingleShot(true);
    QDBusServiceWatcher* watcher = nullptr;
    if (bus.isConnected()) {
        watcher = new QDBusServiceWatcher(watcherName, bus, QDBusServiceWatcher::WatchForRegistration, context);
    }
    auto finish = [pending, timer, watcher](bool found) {
        if (!*pending) {
            return;
        }
        auto call = std::move(*pending);
        *pending = nullptr;
        timer->deleteLater();
        if (watcher != nullptr) {
            watcher->deleteLater();
        }
        call(found);
    };
    if (watcher != nullptr) {
        QObject::connect(watcher, &QDBusServiceWatcher::serviceRegistered, context, [finish] { finish(true); });
    }
    QObject::connect(timer, &QTimer::timeout, context, [finish] { finish(QSystemTrayIcon::isSystemTrayAvailable()); });
    timer->start(limit);
}

} // namespace norvane::ui
