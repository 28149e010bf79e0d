#pragma once

#include "platform/linux/workspace/app_identity.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace norvane::linux_workspace {

// One window of an i3 or sway layout tree.
struct I3Window {
    std::int64_t conID = 0;
    WindowIdentity identity; // sway: app_id and pid; both: X11 class and instance
    std::uint32_t xWindow = 0;
    bool userFacing = true;
    bool floating = false;
    bool scratchpad = false; // hidden in the scratchpad
};

struct I3Tree {
    std::vector<I3Window> windows;   // most recently focused first
    std::optional<I3Window> focused; // nothing: an empty workspace has focus
};

// Parses a GET_TREE reply; nothing when it is not a layout tree.
std::optional<I3Tree> parseI3Tree(std::string_view json);
// Parses the "container" of a window event; nothing when it holds no window.
std::optional<I3Window> parseI3WindowEvent(std::string_view json, std::string* change);

} // namespace norvane::linux_workspace
