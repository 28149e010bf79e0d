#include "session_bus.h"

#include "platform/linux/workspace/bus_connection.h"
#include "x_session.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gio/gio.h>
#include <thread>

namespace norvane::testing {

namespace {

GVariant* busCall(GDBusConnection* conn, const char* method, GVariant* args, const char* type)
{
    return g_dbus_connection_call_sync(conn, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                       method, args, G_VARIANT_TYPE(type), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
                                       nullptr);
}

} // namespace

PrivateSessionBus::PrivateSessionBus()
{
    char pattern[] = "/tmp/norvane-bus-XXXXXX";
    if (!mkdtemp(pattern)) {
        return;
    }
    dir_ = pattern;
    const std::string address = "unix:path=" + dir_ + "/bus";
    pid_ = spawnQuiet({"dbus-daemon", "--session", "--nofork", "--address=" + address}, {});
    if (pid_ < 0) {
        return;
    }
    // Ready once a client gets through (the socket exists before it listens).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (GDBusConnection* probe = linux_workspace::openBusConnection(address)) {
            g_dbus_connection_close_sync(probe, nullptr, nullptr);
            g_object_unref(probe);
            while (g_main_context_iteration(nullptr, FALSE)) {
            }
            address_ = address;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

PrivateSessionBus::~PrivateSessionBus()
{
    stopProcess(pid_);
    if (!dir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
}

BusClient::BusClient(const std::string& address) : conn_(linux_workspace::openBusConnection(address)) {}

BusClient::~BusClient()
{
    if (conn_) {
        g_dbus_connection_close_sync(conn_, nullptr, nullptr);
        g_object_unref(conn_);
        // The "closed" notice queued on the default context holds the last
        // reference.
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
    }
}

std::string BusClient::uniqueName() const
{
    const char* name = conn_ ? g_dbus_connection_get_unique_name(conn_) : nullptr;
    return name ? name : "";
}

bool BusClient::own(const std::string& name)
{
    GVariant* reply = busCall(conn_, "RequestName", g_variant_new("(su)", name.c_str(), 4U), "(u)");
    if (!reply) {
        return false;
    }
    guint32 result = 0;
    g_variant_get(reply, "(u)", &result);
    g_variant_unref(reply);
    return result == 1 || result == 4;
}

bool BusClient::release(const std::string& name)
{
    GVariant* reply = busCall(conn_, "ReleaseName", g_variant_new("(s)", name.c_str()), "(u)");
    if (!reply) {
        return false;
    }
    g_variant_unref(reply);
    return true;
}

std::string BusClient::ownerOf(const std::string& name)
{
    GVariant* reply = busCall(conn_, "GetNameOwner", g_variant_new("(s)", name.c_str()), "(s)");
    if (!reply) {
        return {};
    }
    const char* owner = nullptr;
    g_variant_get(reply, "(&s)", &owner);
    std::string out = owner;
    g_variant_unref(reply);
    return out;
}

std::string BusClient::call(const char* method, GVariant* args, GVariant** reply)
{
    GError* error = nullptr;
    GVariant* result =
        g_dbus_connection_call_sync(conn_, "org.norvane.Norvane", "/org/norvane/Shell", "org.norvane.Shell1", method,
                                    args, nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
    if (!result) {
        gchar* remote = g_dbus_error_get_remote_error(error);
        std::string name = remote ? remote : (error ? error->message : "error");
        g_free(remote);
        g_clear_error(&error);
        return name;
    }
    if (reply) {
        *reply = result;
    } else {
        g_variant_unref(result);
    }
    return {};
}

std::string BusClient::hello()
{
    return call("Hello", g_variant_new("(ss)", "test shell", "1"));
}

std::string BusClient::activated(const std::string& id, const std::string& appID, const std::string& wmClass, int pid)
{
    return call("Activated",
                g_variant_new("(ssssi)", id.c_str(), appID.c_str(), wmClass.c_str(), "a title", gint32{pid}));
}

std::string BusClient::windows(const std::vector<Window>& list)
{
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("a(ssssibb)"));
    for (const auto& w : list) {
        g_variant_builder_add(&builder, "(ssssibb)", w.id.c_str(), w.appID.c_str(), w.wmClass.c_str(), "title",
                              gint32{w.pid}, gboolean{w.userFacing}, gboolean{w.minimized});
    }
    return call("Windows", g_variant_new("(a(ssssibb))", &builder));
}

std::string BusClient::windowList(const std::vector<Window>& list)
{
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("av"));
    for (const auto& w : list) {
        GVariant* fields[] = {g_variant_new_variant(g_variant_new_string(w.id.c_str())),
                              g_variant_new_variant(g_variant_new_string(w.appID.c_str())),
                              g_variant_new_variant(g_variant_new_string(w.wmClass.c_str())),
                              g_variant_new_variant(g_variant_new_string("title")),
                              g_variant_new_variant(g_variant_new_double(w.pid)), // a JS number
                              g_variant_new_variant(g_variant_new_boolean(w.userFacing)),
                              g_variant_new_variant(g_variant_new_boolean(w.minimized))};
        g_variant_builder_add(&builder, "v", g_variant_new_array(G_VARIANT_TYPE_VARIANT, fields, std::size(fields)));
    }
    return call("WindowList", g_variant_new("(av)", &builder));
}

} // namespace norvane::testing
