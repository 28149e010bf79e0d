#pragma once

#include "platform/permission.h"

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <thread>

namespace norvane::linux_input {

// What this process may do with the input devices.
struct InputAccess {
    bool uinputWritable = false; // read/write on /dev/uinput
    std::size_t eventNodes = 0;  // /dev/input/event*
    std::size_t readableNodes = 0;

    // What remapping needs: the output device can be made and every event
    // node is readable.
    [[nodiscard]] bool canRemap() const noexcept { return uinputWritable && readableNodes == eventNodes; }
    [[nodiscard]] bool canRead() const noexcept { return eventNodes > 0 && readableNodes == eventNodes; }
};

[[nodiscard]] InputAccess checkInputAccess(const std::string& inputDir = "/dev/input",
                                           const std::string& uinput = "/dev/uinput");

// The udev rule that gives the active local user access (a file sorting
// before 73-seat-late, which turns the uaccess tag into access rights).
inline constexpr std::string_view accessRulePath = "/etc/udev/rules.d/72-norvane-uaccess.rules";
inline constexpr std::string_view accessRule =
    "KERNEL==\"event[0-9]*\", SUBSYSTEM==\"input\", TAG+=\"uaccess\"\n"
    "KERNEL==\"uinput\", SUBSYSTEM==\"misc\", TAG+=\"uaccess\", OPTIONS+=\"static_node=uinput\"\n";
inline constexpr std::string_view uinputLoadPath = "/etc/modules-load.d/norvane-uinput.conf";

// The exact shell commands that grant the access by hand, one per line.
[[nodiscard]] std::string manualAccessCommands();

// Where the packaged helper is: $NORVANE_ACCESS_HELPER (how a build tree or a
// test points at packaging/), else the installed location next to the
// executable (../libexec/norvane) or under /usr or /usr/local.
[[nodiscard]] std::string findAccessHelper();

// The permission of the engine on Linux: granted as checkInputAccess says;
// a request runs the packaged helper through pkexec (the polkit policy lets
// the active local user run it), which installs the udev rule and loads
// uinput. When pkexec is missing or fails, the request ends with the exact
// commands for the user.
class LinuxAccessPermission final : public AccessPermission {
public:
    explicit LinuxAccessPermission(std::string helper = findAccessHelper()) : helper_(std::move(helper)) {}
    // Ends a request still waiting for the user (its `done` still runs).
    ~LinuxAccessPermission() override;

    [[nodiscard]] bool hasInputAccess() override { return checkInputAccess().canRemap(); }
    void request(RequestDone done) override;

    // What a failed request tells the user (Chinese, like the rest of the
    // interface), with the commands.
    [[nodiscard]] static std::string instructions();

private:
    std::string helper_;
    std::mutex mutex_;
    std::thread waiter_;
    pid_t child_ = -1;
};

} // namespace norvane::linux_input
