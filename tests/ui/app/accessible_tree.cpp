#include "accessible_tree.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace norvane::testing {

namespace {

const QString accessibleInterface = QStringLiteral("org.a11y.atspi.Accessible");
const QString rootPath = QStringLiteral("/org/a11y/atspi/accessible/root");
// AT-SPI's state bit for an object that is drawn on screen now.
constexpr quint32 stateShowing = 25;
// Deeper than any window here; guards against a tree with a cycle.
constexpr int depthLimit = 64;
constexpr int callTimeoutMs = 3000;

QDBusMessage call(const QDBusConnection& bus, const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& arguments = {})
{
    auto message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, callTimeoutMs);
}

QVariant firstResult(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    return reply.arguments().constFirst();
}

} // namespace

AccessibleTree::AccessibleTree(const QString& sessionBusAddress, const QString& connectionName)
    : connectionName_(connectionName)
{
    const QDBusConnection session = QDBusConnection::connectToBus(sessionBusAddress, connectionName + "-session");
    const QString address =
        firstResult(call(session, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress")).toString();
    QDBusConnection::disconnectFromBus(connectionName + "-session");
    if (!address.isEmpty()) {
        bus_ = QDBusConnection::connectToBus(address, connectionName);
    }
}

AccessibleTree::~AccessibleTree()
{
    bus_.reset();
    QDBusConnection::disconnectFromBus(connectionName_);
}

bool AccessibleTree::hasRegistry() const
{
    return connected() && bus_->interface() != nullptr &&
           bus_->interface()->isServiceRegistered(QStringLiteral("org.a11y.atspi.Registry")).value();
}

std::vector<AccessibleTree::Ref> AccessibleTree::children(const Ref& ref) const
{
    std::vector<Ref> out;
    const QVariant result = firstResult(call(*bus_, ref.service, ref.path, accessibleInterface, "GetChildren"));
    if (!result.canConvert<QDBusArgument>()) {
        return out;
    }
    const auto arg = result.value<QDBusArgument>();
    arg.beginArray();
    while (!arg.atEnd()) {
        QString service;
        QDBusObjectPath path;
        arg.beginStructure();
        arg >> service >> path;
        arg.endStructure();
        out.push_back({service, path.path()});
    }
    arg.endArray();
    return out;
}

void AccessibleTree::collect(const Ref& ref, int depth, std::vector<AccessibleObject>& out) const
{
    if (depth > depthLimit) {
        return;
    }
    const QVariant states = firstResult(call(*bus_, ref.service, ref.path, accessibleInterface, "GetState"));
    quint32 low = 0;
    if (states.canConvert<QDBusArgument>()) {
        // Two words of bits, the low one first.
        QList<quint32> words;
        states.value<QDBusArgument>() >> words;
        low = words.value(0);
    }
    if ((low & (1U << stateShowing)) == 0) {
        return;
    }
    AccessibleObject object;
    object.role = firstResult(call(*bus_, ref.service, ref.path, accessibleInterface, "GetRoleName")).toString();
    object.name = firstResult(call(*bus_, ref.service, ref.path, "org.freedesktop.DBus.Properties", "Get",
                                   {accessibleInterface, QStringLiteral("Name")}))
                      .value<QDBusVariant>()
                      .variant()
                      .toString();
    const QVariant extents = firstResult(
        call(*bus_, ref.service, ref.path, "org.a11y.atspi.Component", "GetExtents", {QVariant::fromValue(0U)}));
    if (extents.canConvert<QDBusArgument>()) {
        int x = 0;
        int y = 0;
        int w = 0;
        int h = 0;
        const auto arg = extents.value<QDBusArgument>();
        arg.beginStructure();
        arg >> x >> y >> w >> h;
        arg.endStructure();
        object.extents = QRect(x, y, w, h);
    }
    out.push_back(object);
    for (const auto& child : children(ref)) {
        collect(child, depth + 1, out);
    }
}

std::vector<AccessibleObject> AccessibleTree::showing(const QString& app) const
{
    std::vector<AccessibleObject> out;
    if (!connected()) {
        return out;
    }
    // The registry lists every application that announced itself.
    for (const auto& application : children({"org.a11y.atspi.Registry", rootPath})) {
        const QString name =
            firstResult(call(*bus_, application.service, application.path, "org.freedesktop.DBus.Properties", "Get",
                             {accessibleInterface, QStringLiteral("Name")}))
                .value<QDBusVariant>()
                .variant()
                .toString();
        if (name != app) {
            continue;
        }
        for (const auto& window : children(application)) {
            collect(window, 0, out);
        }
    }
    return out;
}

std::optional<AccessibleObject> AccessibleTree::find(const QString& app, const QString& role, const QString& name) const
{
    for (auto& object : showing(app)) {
        if (object.role == role && object.name == name) {
            return object;
        }
    }
    return std::nullopt;
}

} // namespace norvane::testing
