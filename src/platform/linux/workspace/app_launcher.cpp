#include "platform/linux/workspace/app_launcher.h"

#include "platform/linux/workspace/glib_ptr.h"

#include <gio/gdesktopappinfo.h>

namespace norvane::linux_workspace {

std::optional<std::string> launchDesktopEntry(const std::string& entryPath)
{
    const glib::Object<GDesktopAppInfo> info(g_desktop_app_info_new_from_filename(entryPath.c_str()));
    if (!info) {
        return "cannot read the desktop entry " + entryPath;
    }
    const glib::Object<GAppLaunchContext> context(g_app_launch_context_new());
    GError* raw = nullptr;
    if (!g_app_info_launch(G_APP_INFO(info.get()), nullptr, context.get(), &raw)) {
        const glib::Error error(raw);
        return error ? std::string(error->message) : std::string("cannot start ") + entryPath;
    }
    return std::nullopt;
}

} // namespace norvane::linux_workspace
