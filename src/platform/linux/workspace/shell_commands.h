#pragma once

#include <optional>
#include <string>

using GDBusConnection = struct _GDBusConnection; // NOLINT(bugprone-reserved-identifier): GLib names it so

namespace norvane::linux_workspace {

// What differs between desktop shells whose helper reports to ShellBus: how
// the helper is started and stopped, and how windows are activated and
// minimised. Called on the thread that owns the window system (start, stop,
// shellRestarted on ShellBus's thread) or any thread (activate, minimize);
// implementations keep their calls short (a few hundred ms at most).
class ShellCommands {
public:
    // Where the shell's helper stands, for `norvanectl desktop status` and
    // the settings page.
    struct HelperState {
        bool installed = false; // on disk where the shell looks (always true for a script loaded at run time)
        bool enabled = false;   // the shell is told to load it
        bool loaded = false;    // running in the shell now
        std::string detail;     // one plain sentence when something is missing (e.g. "loads after the next login")
    };

    virtual ~ShellCommands() = default;

    // Human name for logs and `norvanectl desktop status` ("KDE Plasma").
    [[nodiscard]] virtual std::string shellLabel() const = 0;
    // The shell's well-known bus name (org.kde.KWin, org.gnome.Shell).
    [[nodiscard]] virtual std::string shellBusName() const = 0;

    // Makes the shell's helper run and report (load and run the KWin
    // script; ask the GNOME extension to report again). Returns why it
    // cannot, in words a user can act on.
    virtual std::optional<std::string> startHelper(GDBusConnection* bus) = 0;
    // Undoes startHelper when Norvane quits (unload the KWin script).
    virtual void stopHelper(GDBusConnection* bus) = 0;

    [[nodiscard]] virtual HelperState helperState(GDBusConnection* bus) = 0;
    // Puts the helper where the shell finds it and enables it (GNOME: the
    // user's extensions folder and enabled-extensions); removes it again.
    // Nothing to do for a helper loaded at run time. The reason on failure.
    virtual std::optional<std::string> install(GDBusConnection* bus) = 0;
    virtual std::optional<std::string> uninstall(GDBusConnection* bus) = 0;

    virtual bool activate(GDBusConnection* bus, const std::string& windowID) = 0;
    virtual bool minimize(GDBusConnection* bus, const std::string& windowID) = 0;
};

} // namespace norvane::linux_workspace
