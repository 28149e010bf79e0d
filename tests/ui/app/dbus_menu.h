#pragma once

#include <QDBusConnection>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <optional>

namespace norvane::testing {

// One entry of a menu exported with com.canonical.dbusmenu.
struct MenuEntry {
    int id = 0;
    QString label; // without mnemonic underscores
    bool enabled = true;
    bool separator = false;
    int toggleState = -1; // 1 on, 0 off, -1 not a toggle
};

// Reads and clicks a remote menu the way a panel does: AboutToShow, then
// GetLayout, then Event "clicked".
class DBusMenu {
public:
    DBusMenu(QDBusConnection bus, QString service, QString path)
        : bus_(std::move(bus)), service_(std::move(service)), path_(std::move(path))
    {}
    // The top level entries after telling the owner the menu opens.
    [[nodiscard]] std::optional<QList<MenuEntry>> open();
    bool click(int id);

private:
    QDBusConnection bus_;
    QString service_;
    QString path_;
};

[[nodiscard]] const MenuEntry* findEntry(const QList<MenuEntry>& entries, const QString& label);

} // namespace norvane::testing
