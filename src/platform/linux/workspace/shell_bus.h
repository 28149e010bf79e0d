#pragma once

#include "platform/linux/workspace/shell_window.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

using GDBusConnection = struct _GDBusConnection; // NOLINT(bugprone-reserved-identifier): GLib names it so

namespace norvane::linux_workspace {

// Norvane's end of the conversation with a desktop shell that reports focus
// itself. It owns the name "org.norvane.Norvane" on the session bus and
// exports /org/norvane/Shell with the interface org.norvane.Shell1:
//
//   Hello(s shell, s version)                  the helper has (re)started
//   Activated(s id, s appId, s wmClass, s title, i pid)
//                                              a window came to the front; id "" when none
//   Windows(a(ssssibb) windows)                every window, most recently focused first:
//                                              (id, appId, wmClass, title, pid, userFacing, minimized)
//   WindowList(av windows)                     the same list as Windows, each window an av of
//                                              those seven fields: the only form a KWin script
//                                              can send (its callDBus turns every JS array into
//                                              av); see shell_window_variants.h
//   Status() -> (s shell, b present, b reporting, x msSinceLastReport)
//                                              read-only, for `norvanectl desktop status`
//
// Hello, Activated, Windows and WindowList are accepted only from the
// connection that owns `shellName` (org.kde.KWin, org.gnome.Shell) at the
// time of the call; any other caller gets org.freedesktop.DBus.Error.AccessDenied
// and changes nothing, so no client can fake the window in front.
//
// Everything runs on a thread of its own with its own GLib main context; the
// listener is called there.
class ShellBus {
public:
    struct Listener {
        std::function<void(const ShellWindow* front)> activated; // nullptr: nothing in front
        std::function<void(ShellWindowList windows)> windows;
        std::function<void(const std::string& shell, const std::string& version)> hello;
        // The shell's name got an owner (at start, and after the shell
        // restarted) or lost it.
        std::function<void(bool present)> shellPresence;
    };

    // `shellName`: the well-known name of the shell itself. `busAddress`:
    // empty for the session bus (tests pass a private bus).
    ShellBus(std::string shellName, Listener listener, std::string busAddress = {});
    ~ShellBus();
    ShellBus(const ShellBus&) = delete;
    ShellBus& operator=(const ShellBus&) = delete;

    // Connects, takes the name and starts the thread. Returns the reason when
    // the bus cannot be reached or the name is held by someone else.
    std::optional<std::string> start();
    void stop();

    // The connection, for calls to the shell (thread-safe GDBus calls with a
    // timeout). Null before start() and after stop().
    [[nodiscard]] GDBusConnection* connection() const noexcept;
    // The unique name currently owning `shellName`, empty when none.
    [[nodiscard]] std::string shellOwner() const;
    // When the last accepted report arrived (steady clock); nothing yet.
    [[nodiscard]] std::optional<std::chrono::steady_clock::time_point> lastReport() const;

    static constexpr const char* busName = "org.norvane.Norvane";
    static constexpr const char* objectPath = "/org/norvane/Shell";
    static constexpr const char* interfaceName = "org.norvane.Shell1";

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace norvane::linux_workspace
