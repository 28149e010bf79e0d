#pragma once

#include "platform/login_item.h"

#include <optional>
#include <string>
#include <vector>

namespace norvane::linux_workspace {

// Launch at login through the XDG autostart entry norvane.desktop. The
// user's entry ($XDG_CONFIG_HOME/autostart, else ~/.config/autostart)
// overrides a system-wide one ($XDG_CONFIG_DIRS/autostart); turning launch
// at login off while a system-wide entry exists writes a Hidden=true entry.
class AutostartLoginItem final : public LoginItem {
public:
    static constexpr const char* fileName = "norvane.desktop";

    struct Dirs {
        std::string user;                // where the user's entry is written
        std::vector<std::string> system; // earlier directories take precedence
    };
    static Dirs defaultDirs();
    // The program the installed desktop entry norvane.desktop starts, else
    // the running one (from /proc/self/exe).
    static std::vector<std::string> currentCommand();

    // `command`: the program and its arguments to start at login.
    explicit AutostartLoginItem(std::vector<std::string> command, Dirs dirs = defaultDirs());

    // Whether the program starts at login now.
    [[nodiscard]] bool enabled() const;
    // Each returns the reason when it failed; enabled() then tells the state.
    std::optional<std::string> enable();
    std::optional<std::string> disable();

    // The application model's view of the same switch.
    [[nodiscard]] bool isEnabled() override { return enabled(); }
    std::optional<std::string> setEnabled(bool on) override { return on ? enable() : disable(); }

    [[nodiscard]] std::string userEntryPath() const;

private:
    std::vector<std::string> command_;
    Dirs dirs_;
};

// The Exec= value for an argument list, quoted and escaped as desktop entries
// require.
std::string desktopExecLine(const std::vector<std::string>& argv);

} // namespace norvane::linux_workspace
