#pragma once

#include "platform/linux/workspace/session.h"
#include "platform/linux/workspace/shell_commands.h"

#include <memory>

namespace norvane::linux_workspace {

// The commands for a desktop whose shell reports through its own helper;
// nullptr for every other kind of session.
std::unique_ptr<ShellCommands> makeShellCommands(DesktopSession::Kind kind);

} // namespace norvane::linux_workspace
