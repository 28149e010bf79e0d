#pragma once

#include "platform/linux/workspace/session.h"
#include "platform/linux/workspace/shell_commands.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace norvane::linux_workspace {

// How the running Norvane says the shell's reports stand (its answer to
// org.norvane.Shell1.Status).
struct ShellReportStatus {
    std::string shell;                   // the shell's bus name
    bool present = false;                // the shell is on the bus
    bool reporting = false;              // its helper has reported since the shell (re)started
    std::int64_t msSinceLastReport = -1; // -1: no report yet
};

// The desktop shell's helper seen from outside the window system: its state,
// installing and removing it (`norvanectl desktop`, the settings page), and
// asking the running Norvane whether reports arrive. Calls go over a session
// bus connection of its own, made on first need; any thread, one at a time.
class ShellHelperControl {
public:
    // `busAddress`: empty for the session bus.
    explicit ShellHelperControl(DesktopSession::Kind kind, std::string busAddress = {});
    ShellHelperControl(std::unique_ptr<ShellCommands> commands, std::string busAddress);
    ~ShellHelperControl();
    ShellHelperControl(const ShellHelperControl&) = delete;
    ShellHelperControl& operator=(const ShellHelperControl&) = delete;

    // Whether this desktop has a helper of ours at all (KDE Plasma, GNOME).
    [[nodiscard]] bool hasHelper() const noexcept { return commands_ != nullptr; }
    // "KDE Plasma", "GNOME Shell"; empty without a helper.
    [[nodiscard]] std::string shellLabel() const;

    // The helper's state; the reason instead when the bus cannot be reached.
    struct State {
        ShellCommands::HelperState helper;
        std::string error; // set when the state could not be read
    };
    [[nodiscard]] State state();
    std::optional<std::string> install();
    std::optional<std::string> uninstall();

    // The running Norvane's answer; nothing when no Norvane owns its name on
    // this bus (it is not running, or it follows focus some other way).
    [[nodiscard]] std::optional<ShellReportStatus> runningStatus();

private:
    struct Bus;
    Bus* bus(std::string* error);

    std::unique_ptr<ShellCommands> commands_;
    std::string busAddress_;
    std::unique_ptr<Bus> bus_;
};

} // namespace norvane::linux_workspace
