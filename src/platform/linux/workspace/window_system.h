#pragma once

#include "platform/input_event.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace norvane::linux_workspace {

// One top-level window as the desktop reports it.
struct WindowInfo {
    std::uint64_t window = 0; // X11 window id, i3/sway container id, Hyprland address
    std::string appID;        // resolved desktop-entry id, else the raw class; empty when unknown
    int pid = 0;              // 0 when the desktop does not say
    bool userFacing = true;   // an ordinary application window (no dock, panel, dialog, skip-taskbar)
    bool hidden = false;      // minimised, in the scratchpad or on the hidden special workspace

    friend bool operator==(const WindowInfo&, const WindowInfo&) = default;
};

// One desktop's window manager: follows focus (publishing to the
// FocusTracker it was built with) and acts on windows. start() and stop() are
// called on the main thread; the other calls may come from any thread.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Connects and starts following focus on a thread of its own. Returns
    // the reason when the desktop cannot be reached.
    virtual std::optional<std::string> start() = 0;
    virtual void stop() = 0;

    // Every top-level window, the most recently focused first.
    virtual std::vector<WindowInfo> windows() = 0;
    // Brings a window to the front, restoring it if it is hidden. Returns
    // false when the request could not be sent.
    virtual bool activate(std::uint64_t window) = 0;
    // Hides a window: minimise, scratchpad, or the special workspace.
    virtual bool hide(std::uint64_t window) = 0;
    // Delivers key events to a window without focusing it, where the desktop
    // can (Hyprland). Returns false when it cannot; the caller then focuses
    // the window and types.
    virtual bool sendKeys(std::uint64_t /*window*/, std::span<const InputEvent> /*events*/) { return false; }
};

} // namespace norvane::linux_workspace
