#include "platform/linux/workspace/shell_helper_control.h"

#include "platform/linux/workspace/bus_connection.h"
#include "platform/linux/workspace/glib_ptr.h"
#include "platform/linux/workspace/shell_bus.h"
#include "platform/linux/workspace/shell_commands_factory.h"

namespace norvane::linux_workspace {

struct ShellHelperControl::Bus {
    GDBusConnection* conn = nullptr;
    // The connection's notices go to a context of ours, run dry before it is
    // freed, so that nothing is left queued for a main loop that never runs.
    GMainContext* context = g_main_context_new();

    ~Bus()
    {
        g_main_context_push_thread_default(context);
        if (conn) {
            g_dbus_connection_close_sync(conn, nullptr, nullptr);
            g_object_unref(conn);
        }
        while (g_main_context_iteration(context, FALSE)) {
        }
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
    }
};

ShellHelperControl::ShellHelperControl(DesktopSession::Kind kind, std::string busAddress)
    : ShellHelperControl(makeShellCommands(kind), std::move(busAddress))
{}

ShellHelperControl::ShellHelperControl(std::unique_ptr<ShellCommands> commands, std::string busAddress)
    : commands_(std::move(commands)), busAddress_(std::move(busAddress))
{}

ShellHelperControl::~ShellHelperControl()
{
    commands_.reset(); // before the connection it may have used
    bus_.reset();
}

std::string ShellHelperControl::shellLabel() const
{
    return commands_ ? commands_->shellLabel() : std::string();
}

ShellHelperControl::Bus* ShellHelperControl::bus(std::string* error)
{
    if (bus_) {
        return bus_.get();
    }
    auto made = std::make_unique<Bus>();
    std::string why;
    g_main_context_push_thread_default(made->context);
    made->conn = openBusConnection(busAddress_, &why);
    g_main_context_pop_thread_default(made->context);
    if (!made->conn) {
        if (error) {
            *error = "cannot reach the session bus: " + why;
        }
        return nullptr;
    }
    bus_ = std::move(made);
    return bus_.get();
}

ShellHelperControl::State ShellHelperControl::state()
{
    State out;
    if (!commands_) {
        out.error = "this desktop has no helper of Norvane's";
        return out;
    }
    if (Bus* b = bus(&out.error)) {
        out.helper = commands_->helperState(b->conn);
    }
    return out;
}

std::optional<std::string> ShellHelperControl::install()
{
    if (!commands_) {
        return std::string("this desktop has no helper of Norvane's to install");
    }
    std::string error;
    Bus* b = bus(&error);
    if (!b) {
        return error;
    }
    return commands_->install(b->conn);
}

std::optional<std::string> ShellHelperControl::uninstall()
{
    if (!commands_) {
        return std::string("this desktop has no helper of Norvane's to remove");
    }
    std::string error;
    Bus* b = bus(&error);
    if (!b) {
        return error;
    }
    return commands_->uninstall(b->conn);
}

std::optional<ShellReportStatus> ShellHelperControl::runningStatus()
{
    Bus* b = bus(nullptr);
    if (!b) {
        return std::nullopt;
    }
    // NO_AUTO_START: never have the bus start anything in Norvane's name.
    GVariant* reply = g_dbus_connection_call_sync(b->conn, ShellBus::busName, ShellBus::objectPath,
                                                  ShellBus::interfaceName, "Status", nullptr, G_VARIANT_TYPE("(sbbx)"),
                                                  G_DBUS_CALL_FLAGS_NO_AUTO_START, 2000, nullptr, nullptr);
    if (!reply) {
        return std::nullopt;
    }
    ShellReportStatus status;
    const char* shell = nullptr;
    gboolean present = FALSE;
    gboolean reporting = FALSE;
    gint64 since = -1;
    g_variant_get(reply, "(&sbbx)", &shell, &present, &reporting, &since);
    status.shell = shell;
    status.present = present != FALSE;
    status.reporting = reporting != FALSE;
    status.msSinceLastReport = since;
    g_variant_unref(reply);
    return status;
}

} // namespace norvane::linux_workspace
