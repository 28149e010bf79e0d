#pragma once

#include "platform/linux/workspace/app_catalog.h"
#include "platform/linux/workspace/desktop_entries.h"
#include "platform/linux/workspace/focus_tracker.h"
#include "platform/linux/workspace/linux_workspace.h"
#include "platform/linux/workspace/process_key_delivery.h"
#include "platform/linux/workspace/session.h"
#include "platform/linux/workspace/window_system.h"

#include <memory>
#include <optional>
#include <string>

namespace norvane::linux_workspace {

// Everything this folder offers, wired for the session the program runs in:
// the catalog (install it as the AppNameSource), the Workspace, the focus
// source publishing into the engine's snapshot, and keys for one process.
class LinuxDesktop {
public:
    struct Options {
        std::string iconTheme = "hicolor";           // the desktop's icon theme
        FocusTracker::ActivationListener onActivate; // called on the focus thread
        DesktopSession session = detectSession();
    };

    LinuxDesktop(FrontmostSnapshot& snapshot, Options options);
    ~LinuxDesktop();
    LinuxDesktop(const LinuxDesktop&) = delete;
    LinuxDesktop& operator=(const LinuxDesktop&) = delete;

    // Starts following focus. Returns why it cannot (an unsupported desktop
    // or an unreachable window manager); the catalog and launching work
    // regardless, and nothing then counts as running. On KDE or GNOME under
    // X11, when the shell's helper cannot report, the X display is followed
    // instead: windows() and workspace() are then new objects, so take them
    // after start().
    std::optional<std::string> start();

    [[nodiscard]] const DesktopSession& session() const noexcept { return session_; }
    // Why the shell's own helper is not used (the X display is followed
    // instead); empty when it is, or when the desktop has none.
    [[nodiscard]] const std::string& fallbackReason() const noexcept { return fallbackReason_; }

    [[nodiscard]] const std::shared_ptr<AppCatalog>& catalog() noexcept { return catalog_; }
    [[nodiscard]] Workspace& workspace() noexcept { return *workspace_; }
    [[nodiscard]] FocusTracker& tracker() noexcept { return tracker_; }
    // Null on an unsupported desktop.
    [[nodiscard]] WindowSystem* windows() noexcept { return windows_.get(); }
    // Keys for one process, typed through `emitter` (the input layer's
    // output queue); it must not outlive this object. Null on an unsupported
    // desktop.
    [[nodiscard]] std::unique_ptr<ProcessKeyDelivery> makeKeyDelivery(KeyEmitter& emitter);

private:
    DesktopSession session_;
    DesktopEntryIndex index_;
    std::shared_ptr<AppCatalog> catalog_;
    FocusTracker tracker_;
    std::unique_ptr<WindowSystem> windows_;
    std::unique_ptr<LinuxWorkspace> workspace_;
    std::string fallbackReason_;
};

} // namespace norvane::linux_workspace
