#pragma once

#include <QDBusConnection>
#include <QRect>
#include <QString>

#include <optional>
#include <vector>

namespace norvane::testing {

// One object of an application's accessibility tree, as a screen reader
// sees it over AT-SPI.
struct AccessibleObject {
    QString role; // the role's name: "push button", "label", "menu item"...
    QString name;
    QRect extents; // on the screen
};

// The accessibility bus of a session (the one org.a11y.Bus on the session
// bus names), read the way an assistive tool reads it.
class AccessibleTree {
public:
    AccessibleTree(const QString& sessionBusAddress, const QString& connectionName);
    ~AccessibleTree();
    AccessibleTree(const AccessibleTree&) = delete;
    AccessibleTree& operator=(const AccessibleTree&) = delete;

    [[nodiscard]] bool connected() const { return bus_.has_value() && bus_->isConnected(); }
    // Whether the registry, which lists the applications, is on the bus.
    [[nodiscard]] bool hasRegistry() const;

    // The objects on screen of the application registered as `app`, in tree
    // order; hidden objects and everything under them are left out.
    [[nodiscard]] std::vector<AccessibleObject> showing(const QString& app) const;
    // The first object on screen with this role and name.
    [[nodiscard]] std::optional<AccessibleObject> find(const QString& app, const QString& role,
                                                       const QString& name) const;

private:
    struct Ref {
        QString service;
        QString path;
    };
    [[nodiscard]] std::vector<Ref> children(const Ref& ref) const;
    void collect(const Ref& ref, int depth, std::vector<AccessibleObject>& out) const;

    QString connectionName_;
    std::optional<QDBusConnection> bus_;
};

} // namespace norvane::testing
