#include "platform/linux/workspace/login_item.h"

#include "platform/atomic_file.h"
#include "platform/linux/workspace/glib_ptr.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gio/gdesktopappinfo.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace norvane::linux_workspace {

namespace {

namespace fs = std::filesystem;

std::string env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// What an entry says about launching: absent, or on/off.
std::optional<bool> entryState(const std::string& path)
{
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        return std::nullopt;
    }
    const glib::KeyFile file(g_key_file_new());
    if (!fs::is_regular_file(path, ec) ||
        !g_key_file_load_from_file(file.get(), path.c_str(), G_KEY_FILE_NONE, nullptr)) {
        return false; // present but unusable: it still hides any system-wide entry
    }
    constexpr const char* group = G_KEY_FILE_DESKTOP_GROUP;
    if (!g_key_file_has_group(file.get(), group)) {
        return false;
    }
    const auto flag = [&](const char* key, bool fallback) {
        GError* error = nullptr;
        const bool value = g_key_file_get_boolean(file.get(), group, key, &error) != FALSE;
        if (error) {
            g_error_free(error);
            return fallback;
        }
        return value;
    };
    return !flag("Hidden", false) && flag("X-GNOME-Autostart-enabled", true);
}

std::string errorText(const std::string& path, const std::error_code& ec)
{
    return path + ": " + ec.message();
}

} // namespace

std::string desktopExecLine(const std::vector<std::string>& argv)
{
    std::string line;
    for (const auto& arg : argv) {
        if (!line.empty()) {
            line += ' ';
        }
        const bool quote = arg.empty() || arg.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
        std::string part;
        for (const char c : arg) {
            if (c == '%') {
                part += "%%";
            } else if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) {
                part += '\\';
                part += c;
            } else {
                part += c;
            }
        }
        line += quote ? "\"" + part + "\"" : part;
    }
    // The value is a string too, whose own escape character is the backslash.
    std::string escaped;
    for (const char c : line) {
        if (c == '\\') {
            escaped += "\\\\";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

AutostartLoginItem::Dirs AutostartLoginItem::defaultDirs()
{
    Dirs dirs;
    // Relative values are invalid and ignored, as the base directory rules say.
    auto configHome = env("XDG_CONFIG_HOME");
    if (configHome.empty() || configHome.front() != '/') {
        configHome = env("HOME") + "/.config";
    }
    dirs.user = configHome + "/autostart";
    auto configDirs = env("XDG_CONFIG_DIRS");
    if (configDirs.empty()) {
        configDirs = "/etc/xdg";
    }
    std::size_t start = 0;
    while (start <= configDirs.size()) {
        auto end = configDirs.find(':', start);
        if (end == std::string::npos) {
            end = configDirs.size();
        }
        if (const auto dir = configDirs.substr(start, end - start); !dir.empty() && dir.front() == '/') {
            dirs.system.push_back(dir + "/autostart");
        }
        start = end + 1;
    }
    return dirs;
}

std::vector<std::string> AutostartLoginItem::currentCommand()
{
    // An installed Norvane starts at login as its desktop entry says, even
    // when this copy runs from a build tree.
    const glib::Object<GDesktopAppInfo> installed(g_desktop_app_info_new(fileName));
    if (installed) {
        const char* exec = g_app_info_get_executable(G_APP_INFO(installed.get()));
        std::string program = exec != nullptr ? exec : "";
        if (!program.empty() && program.front() != '/') {
            program = glib::take(g_find_program_in_path(program.c_str()));
        }
        if (!program.empty() && ::access(program.c_str(), X_OK) == 0) {
            return {program};
        }
    }
    std::error_code ec;
    const auto self = fs::read_symlink("/proc/self/exe", ec);
    return {ec ? std::string("norvane") : self.string()};
}

AutostartLoginItem::AutostartLoginItem(std::vector<std::string> command, Dirs dirs)
    : command_(std::move(command)), dirs_(std::move(dirs))
{}

std::string AutostartLoginItem::userEntryPath() const
{
    return dirs_.user + "/" + fileName;
}

bool AutostartLoginItem::enabled() const
{
    if (const auto user = entryState(userEntryPath())) {
        return *user;
    }
    for (const auto& dir : dirs_.system) {
        if (const auto system = entryState(dir + "/" + fileName)) {
            return *system;
        }
    }
    return false;
}

std::optional<std::string> AutostartLoginItem::enable()
{
    if (command_.empty()) {
        return std::string("no program to start");
    }
    const std::string content = "[Desktop Entry]\n"
                                "Type=Application\n"
                                "Name=Norvane\n"
                                "Name[zh_CN]=岚枢\n"
                                "Exec=" +
                                desktopExecLine(command_) +
                                "\n"
                                "Icon=norvane\n"
                                "Terminal=false\n"
                                "NoDisplay=true\n"
                                "X-GNOME-Autostart-enabled=true\n";
    return writeFileAtomically(userEntryPath(), content, {.makeFolders = true});
}

std::optional<std::string> AutostartLoginItem::disable()
{
    bool systemEntry = false;
    for (const auto& dir : dirs_.system) {
        if (const auto state = entryState(dir + "/" + fileName)) {
            systemEntry = *state;
            break;
        }
    }
    if (systemEntry) {
        // Removing ours would let the system-wide entry start the program.
        return writeFileAtomically(userEntryPath(), "[Desktop Entry]\nType=Application\nName=Norvane\nHidden=true\n",
                                   {.makeFolders = true});
    }
    std::error_code ec;
    fs::remove(userEntryPath(), ec);
    if (ec) {
        return errorText(userEntryPath(), ec);
    }
    return std::nullopt;
}

} // namespace norvane::linux_workspace
