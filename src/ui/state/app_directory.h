#pragma once

#include <optional>
#include <string>
#include <vector>

namespace norvane::ui {

// An application the user can pick.
struct AppEntry {
    std::string id; // desktop-entry id
    std::string name;
};

// What the interface needs to know about applications beyond the model: the
// installed ones to choose from and where their icons are. The desktop's
// catalog implements it in the app; tests use a list.
class AppDirectory {
public:
    virtual ~AppDirectory() = default;
    // Installed applications meant for menus, sorted by name.
    [[nodiscard]] virtual std::vector<AppEntry> installed() = 0;
    // Ids of the running applications a person works with (those with a
    // desktop entry), in the desktop's order; may repeat.
    [[nodiscard]] virtual std::vector<std::string> running() = 0;
    // An image file for the application's icon near `sizePx` pixels; nothing
    // when neither it nor the fallback icon has one.
    [[nodiscard]] virtual std::optional<std::string> iconFile(const std::optional<std::string>& appID, int sizePx) = 0;
};

} // namespace norvane::ui
