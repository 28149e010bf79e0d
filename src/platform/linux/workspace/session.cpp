#include "platform/linux/workspace/session.h"

#include "platform/linux/workspace/bus_connection.h"
#include "platform/linux/workspace/glib_ptr.h"
#include "platform/linux/workspace/hyprland_window_system.h"
#include "platform/linux/workspace/i3_window_system.h"
#include "platform/linux/workspace/shell_commands_factory.h"
#include "platform/linux/workspace/shell_window_system.h"
#include "platform/linux/workspace/x11_window_system.h"

#include <cstdlib>
#include <filesystem>

namespace norvane::linux_workspace {

namespace {

std::string var(const std::function<const char*(const char*)>& getenv, const char* name)
{
    const char* value = getenv(name);
    return value ? std::string(value) : std::string();
}

// XDG_CURRENT_DESKTOP is a colon-separated list, most specific first
// ("ubuntu:GNOME"); KDE Plasma names itself "KDE".
std::optional<DesktopSession::Kind> shellDesktop(std::string_view desktops)
{
    while (!desktops.empty()) {
        const auto colon = desktops.find(':');
        const auto name = asciiLower(desktops.substr(0, colon));
        if (name == "kde") {
            return DesktopSession::Kind::kde;
        }
        if (name == "gnome") {
            return DesktopSession::Kind::gnome;
        }
        desktops = colon == std::string_view::npos ? std::string_view() : desktops.substr(colon + 1);
    }
    return std::nullopt;
}

// Asked over a connection of its own, closed again at once: nothing of it
// stays in the process.
bool sessionBusHasName(const char* name)
{
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    bool has = false;
    if (GDBusConnection* conn = openBusConnection({})) {
        if (GVariant* reply = g_dbus_connection_call_sync(
                conn, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
                g_variant_new("(s)", name), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr)) {
            gboolean owned = FALSE;
            g_variant_get(reply, "(b)", &owned);
            has = owned != FALSE;
            g_variant_unref(reply);
        }
        g_dbus_connection_close_sync(conn, nullptr, nullptr);
        g_object_unref(conn);
    }
    while (g_main_context_iteration(context, FALSE)) {
    }
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
    return has;
}

} // namespace

DesktopSession detectSession(const std::function<const char*(const char*)>& getenv,
                             const std::function<bool(const char* busName)>& nameOnBus)
{
    using Kind = DesktopSession::Kind;
    const auto display = var(getenv, "DISPLAY");
    if (const auto signature = var(getenv, "HYPRLAND_INSTANCE_SIGNATURE"); !signature.empty()) {
        // Since 0.40 the sockets live in the runtime directory, before in /tmp.
        const auto runtime = var(getenv, "XDG_RUNTIME_DIR");
        std::string dir = runtime.empty() ? std::string() : runtime + "/hypr/" + signature;
        std::error_code ec;
        if (dir.empty() || !std::filesystem::exists(dir, ec)) {
            dir = "/tmp/hypr/" + signature;
        }
        return {Kind::hyprland, dir, {}};
    }
    if (auto sock = var(getenv, "SWAYSOCK"); !sock.empty()) {
        return {Kind::sway, std::move(sock), {}};
    }
    if (auto sock = var(getenv, "I3SOCK"); !sock.empty()) {
        return {Kind::i3, std::move(sock), display};
    }
    const bool wayland = !var(getenv, "WAYLAND_DISPLAY").empty() || var(getenv, "XDG_SESSION_TYPE") == "wayland";
    if (const auto shell = shellDesktop(var(getenv, "XDG_CURRENT_DESKTOP"))) {
        // On Wayland the X display is XWayland's: no place to fall back to.
        return {*shell, {}, wayland ? std::string() : display};
    }
    if (wayland && var(getenv, "XDG_CURRENT_DESKTOP").empty() && nameOnBus) {
        if (nameOnBus("org.kde.KWin")) {
            return {Kind::kde, {}, {}};
        }
        if (nameOnBus("org.gnome.Shell")) {
            return {Kind::gnome, {}, {}};
        }
    }
    if (wayland || display.empty()) {
        return {Kind::unsupported, {}, {}};
    }
    return {Kind::x11, display, {}};
}

DesktopSession detectSession()
{
    return detectSession([](const char* name) { return std::getenv(name); }, sessionBusHasName);
}

std::unique_ptr<WindowSystem> makeWindowSystem(const DesktopSession& session, DesktopEntryIndex& entries,
                                               FocusTracker& tracker)
{
    using Kind = DesktopSession::Kind;
    switch (session.kind) {
    case Kind::x11:
        return std::make_unique<X11WindowSystem>(session.address, entries, tracker);
    case Kind::i3:
        return std::make_unique<I3WindowSystem>(
            session.address, entries, tracker, session.display.empty() ? std::nullopt : std::optional(session.display));
    case Kind::sway:
        return std::make_unique<I3WindowSystem>(session.address, entries, tracker, std::nullopt);
    case Kind::hyprland:
        return std::make_unique<HyprlandWindowSystem>(session.address, entries, tracker);
    case Kind::kde:
    case Kind::gnome:
        if (auto commands = makeShellCommands(session.kind)) {
            return std::make_unique<ShellWindowSystem>(std::move(commands), entries, tracker, session.address);
        }
        break;
    case Kind::unsupported:
        break;
    }
    return nullptr;
}

std::string sessionLabel(DesktopSession::Kind kind)
{
    using Kind = DesktopSession::Kind;
    switch (kind) {
    case Kind::x11:
        return "X11";
    case Kind::i3:
        return "i3";
    case Kind::sway:
        return "sway";
    case Kind::hyprland:
        return "Hyprland";
    case Kind::kde:
        return "KDE Plasma";
    case Kind::gnome:
        return "GNOME";
    case Kind::unsupported:
        break;
    }
    return "an unsupported desktop";
}

} // namespace norvane::linux_workspace
