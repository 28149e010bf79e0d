#pragma once

#include <optional>
#include <string>

namespace norvane::ui {

// How the application in front is followed on a desktop whose shell needs a
// helper of Norvane's (the KWin script on KDE Plasma, the extension on
// GNOME), as the settings page shows it.
struct WindowTrackingStatus {
    enum class Shell { none, kde, gnome };
    Shell shell = Shell::none; // none: another desktop, nothing to show
    bool installed = false;    // the helper is where the shell finds it
    bool enabled = false;      // the shell is told to load it
    bool loaded = false;       // the shell runs it now
    bool reporting = false;    // its reports reach Norvane
    bool followsX11 = false;   // the helper is not used; the X display is followed instead
    std::string detail;        // the helper's own sentence on what is missing

    // Installing puts the helper in place and enables it; for a helper
    // loaded at run time (KWin) there is nothing to install.
    [[nodiscard]] bool installHelps() const { return shell == Shell::gnome && !loaded && (!installed || !enabled); }
    // In place and enabled, but the shell only loads it when it starts next.
    [[nodiscard]] bool waitsForLogin() const { return shell == Shell::gnome && installed && enabled && !loaded; }

    bool operator==(const WindowTrackingStatus&) const = default;
};

// The shell helper behind the settings page row. Main thread.
class WindowTracking {
public:
    virtual ~WindowTracking() = default;
    [[nodiscard]] virtual WindowTrackingStatus status() = 0;
    // Installs and enables the helper; the reason on failure.
    virtual std::optional<std::string> install() = 0;
};

} // namespace norvane::ui
