#pragma once

#include "platform/linux/workspace/desktop_entries.h"
#include "platform/linux/workspace/focus_tracker.h"
#include "platform/linux/workspace/window_system.h"

#include <memory>
#include <optional>
#include <string>

namespace norvane::linux_workspace {

// i3 and sway through their IPC socket: window and workspace events on a
// subscription connection, GET_TREE at start and whenever an event leaves
// the focus unclear (a closed window, a switch to an empty workspace).
// Windows are named by container id; hidden ones go to the scratchpad.
class I3WindowSystem final : public WindowSystem {
public:
    // `x11Display`: i3 does not report process ids; with a display they are
    // read from the windows (_NET_WM_PID, _GTK_APPLICATION_ID). Sway reports
    // them itself: pass nothing.
    I3WindowSystem(std::string socketPath, DesktopEntryIndex& entries, FocusTracker& tracker,
                   std::optional<std::string> x11Display);
    ~I3WindowSystem() override;

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
