#pragma once

#include "platform/linux/workspace/desktop_entries.h"
#include "platform/linux/workspace/focus_tracker.h"
#include "platform/linux/workspace/window_system.h"

#include <memory>
#include <string>

namespace norvane::linux_workspace {

// Any EWMH window manager on X11. Focus comes from PropertyNotify of
// _NET_ACTIVE_WINDOW on the root window; windows are raised with
// _NET_ACTIVE_WINDOW requests and hidden by ICCCM iconify.
class X11WindowSystem final : public WindowSystem {
public:
    // `display` empty: $DISPLAY.
    X11WindowSystem(std::string display, DesktopEntryIndex& entries, FocusTracker& tracker);
    ~X11WindowSystem() override;

    std::optional<std::string> start() override;
    void stop() override;
    std::vector<WindowInfo> windows() override;
    bool activate(std::uint64_t window) override;
    bool hide(std::uint64_t window) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace norvane::linux_workspace
