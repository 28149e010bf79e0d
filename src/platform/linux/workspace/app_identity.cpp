#include "platform/linux/workspace/app_identity.h"

#include "platform/linux/workspace/glib_ptr.h"

#include <fstream>
#include <sstream>

namespace norvane::linux_workspace {

namespace {

// Entry for a name that is meant to be an application id.
const DesktopEntry* byID(const DesktopEntries& entries, std::string_view name)
{
    if (name.empty()) {
        return nullptr;
    }
    if (const auto* e = entries.find(name)) {
        return e;
    }
    return entries.findCaseless(name);
}

// "google-chrome (/home/u/profile)" → "google-chrome".
std::string_view withoutProfileSuffix(std::string_view name)
{
    if (const auto open = name.find(" ("); open != std::string_view::npos && name.ends_with(')')) {
        return name.substr(0, open);
    }
    return name;
}

} // namespace

std::optional<std::string> resolveAppID(const DesktopEntries& entries, const WindowIdentity& window,
                                        const SandboxLookup& sandbox)
{
    if (const auto* e = byID(entries, window.appID)) {
        return e->id;
    }
    // A Wayland app_id is a class in all but name.
    const std::string_view instance = withoutProfileSuffix(window.wmInstance);
    for (const std::string_view name : {std::string_view(window.appID), std::string_view(window.wmClass), instance}) {
        if (name.empty()) {
            continue;
        }
        if (const auto* e = entries.findByWMClass(name)) {
            return e->id;
        }
    }
    for (const std::string_view name : {std::string_view(window.wmClass), instance}) {
        if (const auto* e = byID(entries, name)) {
            return e->id;
        }
    }
    if (window.pid > 0 && sandbox) {
        if (const auto id = sandbox(window.pid)) {
            if (const auto* e = entries.findBySandbox(*id)) {
                return e->id;
            }
        }
    }
    for (const auto* raw : {&window.appID, &window.wmClass, &window.wmInstance}) {
        if (!raw->empty()) {
            return *raw;
        }
    }
    return std::nullopt;
}

std::optional<std::string> sandboxFromCgroup(std::string_view cgroupText)
{
    constexpr std::string_view flatpak = "app-flatpak-";
    constexpr std::string_view snap = "snap.";
    std::size_t lineStart = 0;
    while (lineStart < cgroupText.size()) {
        auto lineEnd = cgroupText.find('\n', lineStart);
        if (lineEnd == std::string_view::npos) {
            lineEnd = cgroupText.size();
        }
        const auto line = cgroupText.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        const auto slash = line.rfind('/');
        const auto unit = slash == std::string_view::npos ? line : line.substr(slash + 1);
        if (!unit.ends_with(".scope")) {
            continue;
        }
        const auto stem = unit.substr(0, unit.size() - std::string_view(".scope").size());
        if (stem.starts_with(flatpak)) {
            // app-flatpak-org.example.App-1234: the id may hold dashes, the
            // instance number after the last one never does.
            const auto id = stem.substr(flatpak.size());
            const auto dash = id.rfind('-');
            if (dash != std::string_view::npos && dash > 0) {
                return std::string(id.substr(0, dash));
            }
        } else if (stem.starts_with(snap)) {
            const auto rest = stem.substr(snap.size());
            const auto dot = rest.find('.');
            if (dot != std::string_view::npos && dot > 0) {
                return std::string(rest.substr(0, dot));
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> processSandbox(int pid)
{
    if (pid <= 0) {
        return std::nullopt;
    }
    const std::string proc = "/proc/" + std::to_string(pid);
    if (std::ifstream cgroup(proc + "/cgroup"); cgroup) {
        std::stringstream text;
        text << cgroup.rdbuf();
        if (auto id = sandboxFromCgroup(text.str())) {
            return id;
        }
    }
    // Older Flatpak sessions run outside a scope of their own.
    const glib::KeyFile info(g_key_file_new());
    const auto path = proc + "/root/.flatpak-info";
    if (g_key_file_load_from_file(info.get(), path.c_str(), G_KEY_FILE_NONE, nullptr)) {
        auto name = glib::take(g_key_file_get_string(info.get(), "Application", "name", nullptr));
        if (!name.empty()) {
            return name;
        }
    }
    return std::nullopt;
}

} // namespace norvane::linux_workspace
