#pragma once

#include "platform/linux/workspace/desktop_entries.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace norvane::linux_workspace {

// What a window says about the application it belongs to.
struct WindowIdentity {
    std::string appID;      // Wayland app_id, or X11 _GTK_APPLICATION_ID
    std::string wmClass;    // X11 WM_CLASS class part (res_class)
    std::string wmInstance; // X11 WM_CLASS instance part (res_name)
    int pid = 0;
};

// The sandbox (Flatpak application id, or snap name) a process runs in.
using SandboxLookup = std::function<std::optional<std::string>(int pid)>;

// Resolves a window to its application id the way desktop shells do: the
// app id (or GTK application id) when it names an entry; then the class and
// instance against StartupWMClass and entry ids, ignoring case (a browser's
// profile suffix in the instance is dropped); then the process's sandbox id;
// otherwise the raw app id or class. Nothing when the window names nothing.
std::optional<std::string> resolveAppID(const DesktopEntries& entries, const WindowIdentity& window,
                                        const SandboxLookup& sandbox);

// Reads the sandbox of a running process from /proc (cgroup and Flatpak's
// info file); nothing for an unsandboxed or vanished process.
std::optional<std::string> processSandbox(int pid);

// The sandbox named by the text of /proc/PID/cgroup: a Flatpak scope
// (app-flatpak-ID-N.scope) or a snap scope (snap.NAME.APP-….scope).
std::optional<std::string> sandboxFromCgroup(std::string_view cgroupText);

} // namespace norvane::linux_workspace
