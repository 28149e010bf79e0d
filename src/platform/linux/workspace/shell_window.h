#pragma once

#include <string>
#include <vector>

namespace norvane::linux_workspace {

// One window as a desktop shell's own helper (the KWin script, the GNOME
// Shell extension) describes it on the session bus.
struct ShellWindow {
    std::string id;      // the shell's window id, opaque text; empty means none
    std::string appID;   // the shell's desktop-entry id (a ".desktop" suffix is dropped), may be empty
    std::string wmClass; // resource class (Wayland app_id or X11 WM_CLASS class)
    std::string title;
    int pid = 0;
    bool userFacing = true; // an ordinary application window (no dock, panel, dialog, skip-taskbar)
    bool minimized = false;

    friend bool operator==(const ShellWindow&, const ShellWindow&) = default;
};

using ShellWindowList = std::vector<ShellWindow>; // most recently focused first

} // namespace norvane::linux_workspace
