#pragma once

#include "platform/linux/workspace/desktop_entries.h"
#include "platform/linux/workspace/focus_tracker.h"
#include "platform/linux/workspace/window_system.h"

#include <functional>
#include <memory>
#include <string>

namespace norvane::linux_workspace {

// Which desktop this session runs, as far as following focus goes.
struct DesktopSession {
    enum class Kind { x11, i3, sway, hyprland, kde, gnome, unsupported } kind = Kind::unsupported;
    std::string address; // X display, IPC socket path, or Hyprland's socket directory
    // i3: the X display its windows live on. KDE and GNOME on X11: the
    // display to follow instead when the shell's helper cannot report.
    std::string display;
};

// Reads the session from the environment: Hyprland's instance signature,
// sway's and i3's sockets, then KDE Plasma or GNOME from XDG_CURRENT_DESKTOP
// (their shells report focus through a helper of ours on the session bus),
// then a plain X display. A Wayland session that names no desktop is KDE or
// GNOME when `nameOnBus` finds KWin's or GNOME Shell's name on the session
// bus. A Wayland session of another compositor is unsupported even with
// XWayland running, since its X server only sees X clients.
DesktopSession detectSession(const std::function<const char*(const char*)>& getenv,
                             const std::function<bool(const char* busName)>& nameOnBus = {});
// The process's environment and session bus.
DesktopSession detectSession();

// The window system for a session; nullptr when unsupported, and for KDE or
// GNOME when there are no commands for their shell.
std::unique_ptr<WindowSystem> makeWindowSystem(const DesktopSession& session, DesktopEntryIndex& entries,
                                               FocusTracker& tracker);

// How a session's desktop is named to the user: "GNOME", "KDE Plasma", "X11".
std::string sessionLabel(DesktopSession::Kind kind);

} // namespace norvane::linux_workspace
