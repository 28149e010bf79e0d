#include "platform/linux/workspace/bus_connection.h"

#include "platform/linux/workspace/glib_ptr.h"

namespace norvane::linux_workspace {

GDBusConnection* openBusConnection(const std::string& address, std::string* error)
{
    GError* raw = nullptr;
    std::string target = address;
    if (target.empty()) {
        target = glib::take(g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &raw));
        if (target.empty()) {
            const glib::Error owned(raw);
            if (error) {
                *error = "no session bus" + (owned ? ": " + std::string(owned->message) : std::string());
            }
            return nullptr;
        }
    }
    GDBusConnection* conn = g_dbus_connection_new_for_address_sync(
        target.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION |
                                          G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT),
        nullptr, nullptr, &raw);
    if (!conn) {
        const glib::Error owned(raw);
        if (error) {
            *error = "cannot connect to the bus" + (owned ? ": " + std::string(owned->message) : std::string());
        }
        return nullptr;
    }
    g_dbus_connection_set_exit_on_close(conn, FALSE);
    return conn;
}

} // namespace norvane::linux_workspace
