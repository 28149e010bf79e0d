// A desktop panel's tray for the app in the kernel VM (vm_app_latency): owns
// the StatusNotifier watcher on the session bus, so that the app lives in the
// tray and keeps its window closed, as on a desktop. Creates READY_FILE once
// the watcher is on the bus. Under Qt's offscreen platform the app's tray
// icon never registers an item (that platform has no tray of its own); the
// app only needs to find the watcher. Says so if an item does register.
//
//   vm_tray_host READY_FILE
#include "status_watcher.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vm_tray_host READY_FILE\n");
        return 2;
    }
    norvane::testing::StatusWatcher watcher(QDBusConnection::sessionBus());
    if (!watcher.publish()) {
        std::fprintf(stderr, "vm_tray_host: cannot take the watcher's name on the session bus\n");
        return 1;
    }
    QObject::connect(&watcher, &norvane::testing::StatusWatcher::registered, &app, [&watcher] {
        std::printf("LATENCY tray: an item registered (%s)\n", qPrintable(watcher.itemService()));
        std::fflush(stdout);
    });
    QFile ready(QString::fromLocal8Bit(argv[1]));
    if (!ready.open(QIODevice::WriteOnly)) {
        return 1;
    }
    ready.close();
    return QCoreApplication::exec();
}
