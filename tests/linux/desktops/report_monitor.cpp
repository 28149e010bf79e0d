#include "report_monitor.h"

#include "platform/linux/workspace/bus_connection.h"

#include <gio/gio.h>

namespace norvane::testing {

struct ReportFilter {
    // Every message a monitor gets is a copy for watching: it is dropped
    // here, since GDBus would otherwise answer a method call, and the bus
    // disconnects a monitor that sends anything.
    static GDBusMessage* filter(GDBusConnection* /*connection*/, GDBusMessage* message, gboolean incoming,
                                gpointer self)
    {
        if (!incoming) {
            return message;
        }
        GVariant* body = g_dbus_message_get_body(message);
        const char* id = nullptr;
        if (g_strcmp0(g_dbus_message_get_member(message), "Activated") == 0 && body &&
            g_variant_is_of_type(body, G_VARIANT_TYPE("(ssssi)"))) {
            g_variant_get_child(body, 0, "&s", &id);
        }
        if (id && *id) {
            auto* monitor = static_cast<ReportMonitor*>(self);
            const std::lock_guard guard(monitor->lock_);
            monitor->seen_.push_back(ReportMonitor::Clock::now());
        }
        g_object_unref(message);
        return nullptr;
    }
};

ReportMonitor::ReportMonitor(const std::string& address) : connection_(linux_workspace::openBusConnection(address))
{
    if (!connection_) {
        return;
    }
    filter_ = g_dbus_connection_add_filter(connection_, &ReportFilter::filter, this, nullptr);
    const char* rules[] = {"type='method_call',interface='org.norvane.Shell1',member='Activated'", nullptr};
    GVariant* reply = g_dbus_connection_call_sync(
        connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus.Monitoring",
        "BecomeMonitor", g_variant_new("(^asu)", rules, 0U), nullptr, G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
    if (reply) {
        g_variant_unref(reply);
    }
}

ReportMonitor::~ReportMonitor()
{
    if (connection_) {
        g_dbus_connection_remove_filter(connection_, filter_);
        g_dbus_connection_close_sync(connection_, nullptr, nullptr);
        g_object_unref(connection_);
    }
}

std::optional<ReportMonitor::Clock::time_point> ReportMonitor::firstAfter(Clock::time_point since)
{
    const std::lock_guard guard(lock_);
    for (const auto& at : seen_) {
        if (at > since) {
            return at;
        }
    }
    return std::nullopt;
}

} // namespace norvane::testing
