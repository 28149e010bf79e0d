#pragma once

#include "platform/linux/workspace/shell_window.h"

#include <glib.h>

namespace norvane::linux_workspace {

// Reads a window list sent as `av`, each element a variant holding an `av`
// of (id, appId, wmClass, title, pid, userFacing, minimized): what a KWin
// script's callDBus makes of an array of arrays. `list` is the method's
// parameters, "(av)". The types are loose on that path (a JS number may
// arrive as an int32 or a double), so pid takes any number; an element of any
// other shape, or without an id, is skipped. A ".desktop" suffix on appId is
// dropped.
[[nodiscard]] ShellWindowList shellWindowsFromVariants(GVariant* list);

} // namespace norvane::linux_workspace
