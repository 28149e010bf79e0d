#pragma once

#include "platform/linux/workspace/desktop_entries.h"
#include "platform/linux/workspace/focus_tracker.h"
#include "platform/linux/workspace/window_system.h"

#include <functional>
#include <memory>
#include <string>

namespace norvane {

// Which desktop this session runs, as far as following focus goes.
struct DesktopSession {
    enum class Kind { x11, i3, sway, hyprland, unsupported } kind = Kind::unsupported;
    std::string address; // X display, IPC socket path, or Hyprland's socket directory
    std::string display; // i3: the X display its windows live on
};

// Reads the session from the environment: Hyprland's instance signature,
// sway's and i3's sockets, then a plain X display. A Wayland session of
// another compositor is unsupported even with XWayland running, since its X
// server only sees X clients.
DesktopSession detectSession(const std::function<const char*(const char*)>& getenv);
DesktopSession detectSession();

// The window system for a session; nullptr when unsupported.
std::unique_ptr<WindowSystem> makeWindowSystem(const DesktopSession& session, DesktopEntryIndex& entries,
                                               FocusTracker& tracker);

} // namespace norvane
