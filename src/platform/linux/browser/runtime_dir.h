#pragma once

#include <optional>
#include <string>

namespace norvane::linux_browser {

// The folder holding the bridge socket: $XDG_RUNTIME_DIR/norvane, or
// /run/user/<uid>/norvane when XDG_RUNTIME_DIR is unset and that folder is
// the user's. Nothing (with a reason) when neither is usable.
std::optional<std::string> bridgeDirectory(std::string& error);
std::optional<std::string> bridgeSocketPath(std::string& error);

// Makes `dir` a private folder: created with mode 0700 when missing;
// otherwise it must be a real folder (not a link) owned by this user, and
// its mode is tightened to 0700. Used by the app before listening.
bool ensurePrivateDirectory(const std::string& dir, std::string& error);

// Checks without changing anything that `dir` is a folder of this user that
// nobody else can enter. Used by the host before connecting.
bool isPrivateDirectory(const std::string& dir, std::string& error);

} // namespace norvane::linux_browser
