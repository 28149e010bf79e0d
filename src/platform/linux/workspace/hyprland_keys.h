#pragma once

#include "platform/input_event.h"

#include <optional>
#include <string>

namespace norvane::linux_workspace {

// The argument of Hyprland's sendshortcut for one key press: the modifier
// names and the key's XKB name, "CTRL SHIFT,t". Nothing for a key that has no
// XKB name here.
std::optional<std::string> hyprlandShortcut(const InputEvent& keyDown);

} // namespace norvane::linux_workspace
