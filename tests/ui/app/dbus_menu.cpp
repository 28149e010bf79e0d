#include "dbus_menu.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDateTime>

namespace norvane::testing {

namespace {

const QString menuInterface = QStringLiteral("com.canonical.dbusmenu");

// (ia{sv}av): id, properties, children as variants of the same.
void readItem(const QDBusArgument& arg, MenuEntry& entry, QList<MenuEntry>* children)
{
    QVariantMap properties;
    arg.beginStructure();
    arg >> entry.id >> properties;
    arg.beginArray();
    while (!arg.atEnd()) {
        QDBusVariant child;
        arg >> child;
        if (children != nullptr) {
            MenuEntry childEntry;
            readItem(child.variant().value<QDBusArgument>(), childEntry, nullptr);
            children->append(childEntry);
        }
    }
    arg.endArray();
    arg.endStructure();
    entry.label = properties.value(QStringLiteral("label")).toString().remove(QLatin1Char('_'));
    entry.enabled = properties.value(QStringLiteral("enabled"), true).toBool();
    entry.separator = properties.value(QStringLiteral("type")).toString() == QLatin1String("separator");
    if (properties.contains(QStringLiteral("toggle-type"))) {
        entry.toggleState = properties.value(QStringLiteral("toggle-state"), 0).toInt();
    }
}

} // namespace

std::optional<QList<MenuEntry>> DBusMenu::open()
{
    auto aboutToShow = QDBusMessage::createMethodCall(service_, path_, menuInterface, QStringLiteral("AboutToShow"));
    aboutToShow << 0;
    bus_.call(aboutToShow, QDBus::Block, 5000);

    auto call = QDBusMessage::createMethodCall(service_, path_, menuInterface, QStringLiteral("GetLayout"));
    call << 0 << -1 << QStringList();
    const QDBusMessage reply = bus_.call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 2) {
        return std::nullopt;
    }
    MenuEntry root;
    QList<MenuEntry> entries;
    readItem(reply.arguments().at(1).value<QDBusArgument>(), root, &entries);
    return entries;
}

bool DBusMenu::click(int id)
{
    auto call = QDBusMessage::createMethodCall(service_, path_, menuInterface, QStringLiteral("Event"));
    call << id << QStringLiteral("clicked") << QVariant::fromValue(QDBusVariant(QString())) << 0u;
    return bus_.call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}

const MenuEntry* findEntry(const QList<MenuEntry>& entries, const QString& label)
{
    for (const auto& e : entries) {
        if (e.label == label) {
            return &e;
        }
    }
    return nullptr;
}

} // namespace norvane::testing
