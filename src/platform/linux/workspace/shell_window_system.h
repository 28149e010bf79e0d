#pragma once

#include "platform/linux/workspace/desktop_entries.h"
#include "platform/linux/workspace/focus_tracker.h"
#include "platform/linux/workspace/shell_bus.h"
#include "platform/linux/workspace/shell_commands.h"
#include "platform/linux/workspace/window_system.h"

#include <memory>

namespace norvane::linux_workspace {

// A WindowSystem for desktops whose shell reports focus through its own
// helper (KDE Plasma's KWin script, GNOME Shell's extension): reports arrive
// on ShellBus, are resolved to desktop-entry ids and published to the
// tracker; the window list is the shell's last report; activating and
// hiding go through the ShellCommands. Windows get stable numeric ids for
// the shell's text ids. When the shell restarts, the helper is started again.
class ShellWindowSystem final : public WindowSystem {
public:
    ShellWindowSystem(std::unique_ptr<ShellCommands> commands, DesktopEntryIndex& entries, FocusTracker& tracker,
                      std::string busAddress = {});
    ~ShellWindowSystem() override;

    std::optional<std::string> start() override;
    void stop() override;
    std::vector<WindowInfo> windows() override;
    bool activate(std::uint64_t window) override;
    bool hide(std::uint64_t window) override;

    // For status reports: whether the helper has said hello since start.
    [[nodiscard]] bool helperReporting() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace norvane::linux_workspace
