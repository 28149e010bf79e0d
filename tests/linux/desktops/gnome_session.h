#pragma once

#include "desktop_processes.h"

#include <memory>
#include <optional>
#include <string>

namespace norvane::testing {

// A private GNOME session for one test program: a session bus, an empty
// stand-in system bus (GNOME Shell 43 stops at start-up when the system bus
// is missing but /run/systemd/seats exists), and private HOME and XDG
// folders that this process uses too, so GSettings, the desktop entries and
// the extensions folder are the same for the test and for the shell. A
// headless GNOME Shell can be started and stopped on it more than once.
//
// Made on first use, before anything in the process asks GLib for the user's
// folders or the session bus (GLib keeps the first answers), and kept until
// the program ends.
class GnomeSession {
public:
    static constexpr const char* binary = "/usr/bin/gnome-shell";
    [[nodiscard]] static bool installed();

    static GnomeSession& process();
    ~GnomeSession();
    GnomeSession(const GnomeSession&) = delete;
    GnomeSession& operator=(const GnomeSession&) = delete;

    // Why the buses did not come up; nothing when they did.
    [[nodiscard]] const std::optional<std::string>& failure() const noexcept { return failure_; }

    // Starts gnome-shell and waits until it has finished starting.
    std::optional<std::string> startShell();
    void stopShell();
    [[nodiscard]] bool shellRunning() { return shell_.running(); }

    // A GTK window whose Wayland app_id is `appID` (client.py).
    Child startClient(const std::string& appID, const std::string& title);
    // Writes applications/<id>.desktop into the private data folder.
    void addDesktopEntry(const std::string& id, const std::string& text) const;

    [[nodiscard]] const std::string& busAddress() const noexcept { return bus_->address(); }
    [[nodiscard]] std::string dataHome() const { return dir_.path() + "/home/.local/share"; }
    // Seconds from starting gnome-shell until it said it had started.
    [[nodiscard]] double shellStartSeconds() const noexcept { return shellStartSeconds_; }
    [[nodiscard]] std::string shellLog() const;

private:
    GnomeSession();
    // One start; false when the shell exited or did not finish starting.
    bool startShellOnce();
    [[nodiscard]] std::string home() const { return dir_.path() + "/home"; }
    [[nodiscard]] std::string runtimeDir() const { return dir_.path() + "/xdg"; }
    [[nodiscard]] std::string logPath() const { return dir_.path() + "/gnome-shell.log"; }

    TempDir dir_;
    std::unique_ptr<PrivateBus> systemBus_;
    std::unique_ptr<PrivateBus> bus_;
    Child shell_;
    double shellStartSeconds_ = 0;
    std::optional<std::string> failure_;
};

} // namespace norvane::testing
