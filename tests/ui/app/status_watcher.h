#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>

namespace norvane::testing {

// A StatusNotifier watcher and host, as a desktop panel provides: tray items
// register with it, and it remembers who did.
class StatusWatcher final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    explicit StatusWatcher(QDBusConnection bus);
    bool publish();

    [[nodiscard]] QStringList items() const { return items_; }
    [[nodiscard]] bool hostRegistered() const { return true; }
    [[nodiscard]] int protocolVersion() const { return 0; }
    // The bus name of the first registered item's owner.
    [[nodiscard]] const QString& itemService() const noexcept { return service_; }
    [[nodiscard]] const QString& itemPath() const noexcept { return path_; }

public slots:
    void RegisterStatusNotifierItem(const QString& service);
    void RegisterStatusNotifierHost(const QString& service);

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();
    void registered();

private:
    QDBusConnection bus_;
    QStringList items_;
    QString service_;
    QString path_;
};

} // namespace norvane::testing
