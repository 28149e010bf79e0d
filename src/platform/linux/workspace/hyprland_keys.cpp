#include "platform/linux/workspace/hyprland_keys.h"

#include "model/combo.h"
#include "model/keys.h"

#include <array>
#include <string_view>
#include <utility>

namespace norvane::linux_workspace {

namespace {

// Key names of the text form whose XKB name differs; letters, digits and
// f1-f20 (upper-cased) need no entry.
constexpr std::array<std::pair<std::string_view, std::string_view>, 25> xkbNames{{
    {"=", "equal"},
    {"-", "minus"},
    {"]", "bracketright"},
    {"[", "bracketleft"},
    {"'", "apostrophe"},
    {";", "semicolon"},
    {"\\", "backslash"},
    {",", "comma"},
    {"/", "slash"},
    {".", "period"},
    {"`", "grave"},
    {"return", "Return"},
    {"tab", "Tab"},
    {"space", "space"},
    {"delete", "BackSpace"},
    {"esc", "Escape"},
    {"forwarddelete", "Delete"},
    {"home", "Home"},
    {"end", "End"},
    {"pageup", "Prior"},
    {"pagedown", "Next"},
    {"left", "Left"},
    {"right", "Right"},
    {"down", "Down"},
    {"up", "Up"},
}};

std::optional<std::string> xkbName(std::int64_t keyCode)
{
    const auto name = keyNameForCode(keyCode);
    if (!name) {
        return std::nullopt;
    }
    for (const auto& [ours, xkb] : xkbNames) {
        if (ours == *name) {
            return std::string(xkb);
        }
    }
    if (name->size() >= 2 && name->front() == 'f') {
        std::string upper(*name);
        upper.front() = 'F';
        return upper;
    }
    return std::string(*name); // letters and digits
}

} // namespace

std::optional<std::string> hyprlandShortcut(const InputEvent& keyDown)
{
    auto key = xkbName(keyDown.keyCode);
    if (!key) {
        return std::nullopt;
    }
    std::string mods;
    constexpr std::array<std::pair<std::uint64_t, std::string_view>, 4> names{{
        {mod::control, "CTRL"},
        {mod::option, "ALT"},
        {mod::shift, "SHIFT"},
        {mod::command, "SUPER"},
    }};
    for (const auto& [bit, name] : names) {
        if ((keyDown.flags & bit) != 0) {
            if (!mods.empty()) {
                mods += ' ';
            }
            mods += name;
        }
    }
    return mods + "," + *key;
}

} // namespace norvane::linux_workspace
