#pragma once

#include "platform/linux/workspace/desktop_entries.h"
#include "platform/linux/workspace/focus_tracker.h"
#include "platform/linux/workspace/window_system.h"

#include <memory>
#include <string>

namespace norvane::linux_workspace {

// Hyprland: focus from the event socket (.socket2.sock), everything else as
// short requests on the command socket (.socket.sock), which the compositor
// serves synchronously: connect, write, read, close. Windows are named by
// their address; hidden ones go to a special workspace of our own; keys for
// one application go through sendshortcut.
class HyprlandWindowSystem final : public WindowSystem {
public:
    static constexpr const char* hiddenWorkspace = "special:norvane";

    // `socketDir` holds .socket.sock and .socket2.sock.
    HyprlandWindowSystem(const std::string& socketDir, DesktopEntryIndex& entries, FocusTracker& tracker);
    ~HyprlandWindowSystem() override;

    std::optional<std::string> start() override;
    void stop() override;
    std::vector<WindowInfo> windows() override;
    bool activate(std::uint64_t window) override;
    bool hide(std::uint64_t window) override;
    bool sendKeys(std::uint64_t window, std::span<const InputEvent> events) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace norvane::linux_workspace
