#pragma once

#include "platform/linux/workspace/linux_desktop.h"
#include "platform/linux/workspace/shell_helper_control.h"
#include "ui/general/window_tracking.h"

namespace norvane::ui {

// The shell helper of this session: its state from the shell, whether its
// reports reach the running window system, and its installation. Says once
// in the log when GNOME only loads the extension after the next login.
class LinuxWindowTracking final : public WindowTracking {
public:
    explicit LinuxWindowTracking(linux_workspace::LinuxDesktop& desktop);

    [[nodiscard]] WindowTrackingStatus status() override;
    std::optional<std::string> install() override;

private:
    void noteLoginWait(const WindowTrackingStatus& status);

    linux_workspace::LinuxDesktop& desktop_;
    linux_workspace::ShellHelperControl control_;
    bool loginWaitLogged_ = false;
};

} // namespace norvane::ui
