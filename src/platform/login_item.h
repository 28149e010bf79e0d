#pragma once

#include <optional>
#include <string>

namespace norvane {

// Starting the application when the user logs in (on Linux: the XDG
// autostart entry). Main thread.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    // Whether the application is registered to start at login.
    [[nodiscard]] virtual bool isEnabled() = 0;
    // Registers or unregisters; the reason as text when it failed.
    virtual std::optional<std::string> setEnabled(bool enabled) = 0;
};

} // namespace norvane
