#pragma once

#include <string>

using GDBusConnection = struct _GDBusConnection; // NOLINT(bugprone-reserved-identifier)

namespace norvane::linux_workspace {

// Opens a message-bus connection of the caller's own (not the process's
// shared one) to `address`, or to the session bus when it is empty. Its
// signal handlers and exported objects are served on the main context that
// is the thread default while it is opened. Closing it never ends the
// process. Null, with the reason in `error` if given, when the bus cannot be
// reached.
GDBusConnection* openBusConnection(const std::string& address, std::string* error = nullptr);

} // namespace norvane::linux_workspace
