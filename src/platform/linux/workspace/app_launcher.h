#pragma once

#include <optional>
#include <string>

namespace norvane::linux_workspace {

// Starts the application of a desktop entry file through GIO (Exec= with
// field codes, Terminal=, D-Bus activation). Returns the reason on failure.
std::optional<std::string> launchDesktopEntry(const std::string& entryPath);

} // namespace norvane::linux_workspace
