#include "ui/general/linux_window_tracking.h"

#include "platform/linux/workspace/shell_window_system.h"

#include <QtGlobal>

namespace norvane::ui {

using linux_workspace::DesktopSession;
using linux_workspace::LinuxDesktop;
using linux_workspace::ShellWindowSystem;

LinuxWindowTracking::LinuxWindowTracking(LinuxDesktop& desktop) : desktop_(desktop), control_(desktop.session().kind) {}

WindowTrackingStatus LinuxWindowTracking::status()
{
    WindowTrackingStatus status;
    using Kind = DesktopSession::Kind;
    switch (desktop_.session().kind) {
    case Kind::kde:
        status.shell = WindowTrackingStatus::Shell::kde;
        break;
    case Kind::gnome:
        status.shell = WindowTrackingStatus::Shell::gnome;
        break;
    default:
        return status;
    }
    status.followsX11 = !desktop_.fallbackReason().empty();
    if (const auto* shell = dynamic_cast<ShellWindowSystem*>(desktop_.windows())) {
        status.reporting = shell->helperReporting();
    }
    const auto state = control_.state();
    status.installed = state.helper.installed;
    status.enabled = state.helper.enabled;
    status.loaded = state.helper.loaded;
    status.detail = state.error.empty() ? state.helper.detail : state.error;
    noteLoginWait(status);
    return status;
}

std::optional<std::string> LinuxWindowTracking::install()
{
    auto failure = control_.install();
    if (!failure) {
        noteLoginWait(status());
    }
    return failure;
}

void LinuxWindowTracking::noteLoginWait(const WindowTrackingStatus& status)
{
    if (loginWaitLogged_ || !status.waitsForLogin()) {
        return;
    }
    loginWaitLogged_ = true;
    qWarning("norvane: Norvane's GNOME Shell extension is installed; GNOME Shell starts it at the next login. Until "
             "then %s",
             status.followsX11 ? "the application in front is followed through the X display."
                               : "rules for particular applications cannot tell which application is in front.");
}

} // namespace norvane::ui
