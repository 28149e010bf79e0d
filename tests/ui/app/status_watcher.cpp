#include "status_watcher.h"

#include <QDBusMessage>

namespace norvane::testing {

StatusWatcher::StatusWatcher(QDBusConnection bus) : bus_(std::move(bus)) {}

bool StatusWatcher::publish()
{
    return bus_.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                               QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                   QDBusConnection::ExportAllProperties) &&
           bus_.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

void StatusWatcher::RegisterStatusNotifierItem(const QString& service)
{
    // An item names either its bus name or its object path.
    const QString sender = calledFromDBus() ? message().service() : QString();
    if (service.startsWith(QLatin1Char('/'))) {
        service_ = sender;
        path_ = service;
    } else {
        service_ = service;
        path_ = QStringLiteral("/StatusNotifierItem");
    }
    items_ << service_ + path_;
    emit StatusNotifierItemRegistered(service_ + path_);
    emit registered();
}

void StatusWatcher::RegisterStatusNotifierHost(const QString&) {}

} // namespace norvane::testing
