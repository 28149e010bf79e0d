#include "platform/linux/workspace/session.h"

#include "platform/linux/workspace/hyprland_window_system.h"
#include "platform/linux/workspace/i3_window_system.h"
#include "platform/linux/workspace/x11_window_system.h"

#include <cstdlib>
#include <filesystem>

namespace norvane {

namespace {

std::string var(const std::function<const char*(const char*)>& getenv, const char* name)
{
    const char* value = getenv(name);
    return value ? std::string(value) : std::string();
}

} // namespace

DesktopSession detectSession(const std::function<const char*(const char*)>& getenv)
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
    if (wayland || display.empty()) {
        return {Kind::unsupported, {}, {}};
    }
    return {Kind::x11, display, {}};
}

DesktopSession detectSession()
{
    return detectSession([](const char* name) { return std::getenv(name); });
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
    case Kind::unsupported:
        break;
    }
    return nullptr;
}

} // namespace norvane
