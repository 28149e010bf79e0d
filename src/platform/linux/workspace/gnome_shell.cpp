#include "platform/linux/workspace/gnome_shell.h"

#include "platform/atomic_file.h"
#include "platform/linux/workspace/glib_ptr.h"

// The default settings backend, to tell a store that keeps nothing.
#define G_SETTINGS_ENABLE_BACKEND
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gio/gsettingsbackend.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

namespace norvane::linux_workspace {

namespace {

namespace fs = std::filesystem;

constexpr const char* shellName = "org.gnome.Shell";
constexpr const char* shellPath = "/org/gnome/Shell";
constexpr const char* extensionsInterface = "org.gnome.Shell.Extensions";
constexpr const char* settingsSchema = "org.gnome.shell";
constexpr const char* enabledKey = "enabled-extensions";
constexpr const char* disabledKey = "disabled-extensions";
constexpr const char* userExtensionsOffKey = "disable-user-extensions";
constexpr const char* sourceVariable = "NORVANE_GNOME_EXTENSION";
constexpr const char* reporterMarker = "/* @NORVANE_REPORTER@ */";
constexpr int callTimeoutMs = 1000;

// GNOME Shell loads extensions as ES modules from 45 on. The metadata names
// every version it declares support for (the shell refuses the others);
// the installer adds the running one when it is newer.
constexpr int oldestMajor = 43;
constexpr int firstModuleMajor = 45;
constexpr int newestKnownMajor = 49;

// The `state` of org.gnome.Shell.Extensions.GetExtensionInfo.
enum class ExtensionState { unknown = 0, active = 1, inactive = 2, error = 3, outOfDate = 4 };

struct VariantUnref {
    void operator()(GVariant* v) const noexcept { g_variant_unref(v); }
};
using Variant = std::unique_ptr<GVariant, VariantUnref>;

std::string env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::optional<std::string> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return in.bad() ? std::nullopt : std::optional(text.str());
}

// The given connection, or the session bus when none was given.
glib::Object<GDBusConnection> busOr(GDBusConnection* bus)
{
    if (bus) {
        return glib::Object<GDBusConnection>(G_DBUS_CONNECTION(g_object_ref(bus)));
    }
    return glib::Object<GDBusConnection>(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
}

// A call to the shell; the reply, or nothing with the reason in `why`.
Variant callShell(GDBusConnection* bus, const char* path, const char* interface, const char* method,
                  GVariant* parameters, const GVariantType* replyType, std::string* why = nullptr)
{
    if (!bus) {
        if (parameters) {
            g_variant_unref(g_variant_ref_sink(parameters));
        }
        if (why) {
            *why = "the session bus cannot be reached";
        }
        return nullptr;
    }
    GError* error = nullptr;
    Variant reply(g_dbus_connection_call_sync(bus, shellName, path, interface, method, parameters, replyType,
                                              G_DBUS_CALL_FLAGS_NO_AUTO_START, callTimeoutMs, nullptr, &error));
    if (error) {
        if (why) {
            g_dbus_error_strip_remote_error(error);
            *why = error->message;
        }
        g_error_free(error);
    }
    return reply;
}

bool shellRunning(GDBusConnection* bus)
{
    if (!bus) {
        return false;
    }
    const Variant reply(g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                    "org.freedesktop.DBus", "NameHasOwner",
                                                    g_variant_new("(s)", shellName), G_VARIANT_TYPE("(b)"),
                                                    G_DBUS_CALL_FLAGS_NONE, callTimeoutMs, nullptr, nullptr));
    gboolean owned = FALSE;
    if (reply) {
        g_variant_get(reply.get(), "(b)", &owned);
    }
    return owned != FALSE;
}

struct ExtensionInfo {
    ExtensionState state = ExtensionState::unknown; // unknown: the shell has not loaded it
    std::string error;                              // the shell's message for the error state
};

// What the running shell says about the extension; nothing when it does not
// answer (not running, or its extension service is not up yet).
std::optional<ExtensionInfo> extensionInfo(GDBusConnection* bus)
{
    const auto reply = callShell(bus, shellPath, extensionsInterface, "GetExtensionInfo",
                                 g_variant_new("(s)", GnomeShell::uuid), G_VARIANT_TYPE("(a{sv})"));
    if (!reply) {
        return std::nullopt;
    }
    const Variant dict(g_variant_get_child_value(reply.get(), 0));
    ExtensionInfo info;
    double state = 0;
    if (g_variant_lookup(dict.get(), "state", "d", &state)) {
        info.state = static_cast<ExtensionState>(static_cast<int>(state));
    }
    const char* error = nullptr;
    if (g_variant_lookup(dict.get(), "error", "&s", &error) && error) {
        info.error = error;
    }
    return info;
}

// The running shell's version, else the installed one's.
std::string shellVersion(GDBusConnection* bus)
{
    if (const auto reply = callShell(bus, shellPath, "org.freedesktop.DBus.Properties", "Get",
                                     g_variant_new("(ss)", shellName, "ShellVersion"), G_VARIANT_TYPE("(v)"))) {
        const Variant value(g_variant_get_child_value(reply.get(), 0));
        const Variant inner(g_variant_get_variant(value.get()));
        if (g_variant_is_of_type(inner.get(), G_VARIANT_TYPE_STRING)) {
            return g_variant_get_string(inner.get(), nullptr);
        }
    }
    const char* argv[] = {"gnome-shell", "--version", nullptr};
    gchar* out = nullptr;
    gint status = 0;
    if (!g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr,
                      static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDERR_TO_DEV_NULL), nullptr, nullptr,
                      &out, nullptr, &status, nullptr)) {
        return {};
    }
    auto text = glib::take(out);
    return g_spawn_check_wait_status(status, nullptr) ? text : std::string();
}

// --- the shell's settings ----------------------------------------------------

// org.gnome.shell, where the shell reads which extensions to load. Nothing,
// with the reason, when its schema is not installed or the settings cannot
// be stored (GLib falls back to a store in memory that keeps nothing).
glib::Object<GSettings> shellSettings(std::string* why)
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, settingsSchema, TRUE) : nullptr;
    if (!schema) {
        *why = "GNOME Shell's settings (org.gnome.shell) are not installed";
        return nullptr;
    }
    g_settings_schema_unref(schema);
    GSettingsBackend* backend = g_settings_backend_get_default();
    const std::string backendType = G_OBJECT_TYPE_NAME(backend);
    g_object_unref(backend);
    if (backendType == "GMemorySettingsBackend" || backendType == "GNullSettingsBackend") {
        *why = "GNOME's settings store (dconf) is not available to Norvane, so the extension cannot be enabled";
        return nullptr;
    }
    return glib::Object<GSettings>(g_settings_new(settingsSchema));
}

std::vector<std::string> strings(GSettings* settings, const char* key)
{
    const glib::Strv values(g_settings_get_strv(settings, key));
    std::vector<std::string> out;
    for (gchar** v = values.get(); v && *v; ++v) {
        out.emplace_back(*v);
    }
    return out;
}

bool setStrings(GSettings* settings, const char* key, const std::vector<std::string>& values)
{
    std::vector<const gchar*> raw;
    raw.reserve(values.size() + 1);
    for (const auto& v : values) {
        raw.push_back(v.c_str());
    }
    raw.push_back(nullptr);
    return g_settings_set_strv(settings, key, raw.data()) != FALSE;
}

bool contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

// Adds the extension to enabled-extensions (once) and takes it out of
// disabled-extensions, which wins over the other, as the shell does.
std::optional<std::string> enableInSettings(GSettings* settings)
{
    const std::string id = GnomeShell::uuid;
    auto enabled = strings(settings, enabledKey);
    auto disabled = strings(settings, disabledKey);
    bool written = true;
    if (!contains(enabled, id)) {
        enabled.push_back(id);
        written = setStrings(settings, enabledKey, enabled);
    }
    if (written && contains(disabled, id)) {
        disabled.erase(std::remove(disabled.begin(), disabled.end(), id), disabled.end());
        written = setStrings(settings, disabledKey, disabled);
    }
    g_settings_sync();
    if (!written) {
        return std::string("the GNOME setting ") + enabledKey + " cannot be changed (it is locked)";
    }
    return std::nullopt;
}

// --- files ---------------------------------------------------------------------

bool hasFiles(const fs::path& dir, std::initializer_list<const char*> names)
{
    std::error_code ec;
    return std::all_of(names.begin(), names.end(), [&](const char* n) { return fs::is_regular_file(dir / n, ec); });
}

std::string systemError(const std::string& what, int error)
{
    return what + ": " + std::strerror(error);
}

// Puts the files in `target` in one step: they are written to a new folder
// beside it, which then takes the old one's place, so the shell never finds
// half an extension.
std::optional<std::string> replaceFolder(const fs::path& target, const GnomeExtensionFiles& files)
{
    std::error_code ec;
    const fs::path parent = target.parent_path();
    fs::create_directories(parent, ec);
    if (ec) {
        return parent.string() + ": " + ec.message();
    }
    std::string pattern = (parent / ("." + target.filename().string() + ".new-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) {
        return systemError(parent.string(), errno);
    }
    const fs::path fresh = pattern;
    const auto fail = [&](std::string why) {
        fs::remove_all(fresh, ec);
        return std::optional(std::move(why));
    };
    for (const auto& [name, text] :
         {std::pair{"extension.js", &files.extensionJS}, std::pair{"metadata.json", &files.metadataJSON}}) {
        if (auto why = writeFileAtomically((fresh / name).string(), *text)) {
            return fail(*why);
        }
    }
    fs::permissions(fresh,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    ec);
    if (!fs::exists(fs::symlink_status(target, ec))) {
        if (std::rename(fresh.c_str(), target.c_str()) != 0) {
            return fail(systemError(target.string(), errno));
        }
        return std::nullopt;
    }
    // Swap the two in one step; the old copy is then at `fresh`.
    if (renameat2(AT_FDCWD, fresh.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
        fs::remove_all(fresh, ec);
        return std::nullopt;
    }
    // A file system that cannot swap: move the old one aside first.
    const fs::path old = fresh.string() + ".old";
    if (std::rename(target.c_str(), old.c_str()) != 0) {
        return fail(systemError(target.string(), errno));
    }
    if (std::rename(fresh.c_str(), target.c_str()) != 0) {
        const int error = errno;
        std::rename(old.c_str(), target.c_str());
        return fail(systemError(target.string(), error));
    }
    fs::remove_all(old, ec);
    return std::nullopt;
}

std::string notLoadedDetail()
{
    if (env("XDG_SESSION_TYPE") == "x11") {
        return "GNOME Shell loads the extension after the next login, or after a restart of the shell "
               "(Alt+F2, then r).";
    }
    return "GNOME Shell loads the extension after the next login.";
}

} // namespace

GnomeShell::GnomeShell(std::string sourceDir) : sourceDir_(std::move(sourceDir)) {}

std::string GnomeShell::installDir()
{
    auto data = env("XDG_DATA_HOME");
    if (data.empty() || data.front() != '/') {
        data = env("HOME") + "/.local/share";
    }
    return data + "/gnome-shell/extensions/" + uuid;
}

std::optional<std::string> GnomeShell::startHelper(GDBusConnection* bus)
{
    const auto conn = busOr(bus);
    const auto info = extensionInfo(conn.get());
    if (info && info->state == ExtensionState::active) {
        std::string why;
        if (!callShell(conn.get(), objectPath, interfaceName, "Report", nullptr, G_VARIANT_TYPE("()"), &why)) {
            return "Norvane's GNOME Shell extension does not answer: " + why;
        }
        return std::nullopt;
    }
    const auto state = helperState(conn.get());
    // Installed and enabled, and the shell is not running it just now
    // (still starting, or the screen is locked): it reports by itself once
    // it runs.
    const bool later = !info || (info->state != ExtensionState::unknown && info->state != ExtensionState::error &&
                                 info->state != ExtensionState::outOfDate);
    if (state.installed && state.enabled && later && shellRunning(conn.get())) {
        return std::nullopt;
    }
    return state.detail.empty() ? std::string("Norvane's GNOME Shell extension is not running.") : state.detail;
}

void GnomeShell::stopHelper(GDBusConnection* /*bus*/)
{
    // The extension belongs to the shell and stays; it sees Norvane leave
    // the bus and stops reporting until it comes back.
}

ShellCommands::HelperState GnomeShell::helperState(GDBusConnection* bus)
{
    HelperState state;
    state.installed = hasFiles(installDir(), {"extension.js", "metadata.json"});
    std::string why;
    const auto settings = shellSettings(&why);
    bool userExtensionsOff = false;
    if (settings) {
        userExtensionsOff = g_settings_get_boolean(settings.get(), userExtensionsOffKey) != FALSE;
        state.enabled = !userExtensionsOff && contains(strings(settings.get(), enabledKey), uuid) &&
                        !contains(strings(settings.get(), disabledKey), uuid);
    }
    const auto conn = busOr(bus);
    const bool running = shellRunning(conn.get());
    const auto info = running ? extensionInfo(conn.get()) : std::nullopt;
    state.loaded = info && info->state == ExtensionState::active;
    if (state.loaded) {
        return state;
    }
    if (!state.installed) {
        state.detail = "Norvane's GNOME Shell extension is not installed.";
    } else if (!settings) {
        state.detail = why + ".";
    } else if (userExtensionsOff) {
        state.detail = "Extensions are turned off in GNOME; turn them on in the Extensions app.";
    } else if (!state.enabled) {
        state.detail = "Norvane's GNOME Shell extension is installed but not enabled.";
    } else if (!running) {
        state.detail = "GNOME Shell is not running.";
    } else if (!info) {
        state.detail = "GNOME Shell does not say whether it runs the extension.";
    } else if (info->state == ExtensionState::unknown) {
        state.detail = notLoadedDetail();
    } else if (info->state == ExtensionState::error) {
        state.detail = "GNOME Shell could not start Norvane's extension" +
                       (info->error.empty() ? std::string(".") : ": " + info->error);
    } else if (info->state == ExtensionState::outOfDate) {
        state.detail = "The installed extension is not marked for this version of GNOME Shell; install it again.";
    } else {
        state.detail = "GNOME Shell has the extension switched off right now (for example while the screen is "
                       "locked).";
    }
    return state;
}

std::optional<std::string> GnomeShell::install(GDBusConnection* bus)
{
    const std::string source = sourceDir_.empty() ? findGnomeExtensionSource() : sourceDir_;
    if (source.empty()) {
        return "Norvane's GNOME Shell extension files are missing (share/norvane/gnome-shell)";
    }
    const auto conn = busOr(bus);
    const auto version = shellVersion(conn.get());
    const int major = gnomeShellMajor(version);
    if (major == 0) {
        return std::string("GNOME Shell is not installed here (no version from gnome-shell --version)");
    }
    auto built = buildGnomeExtension(source, major);
    if (!built.files) {
        return built.error;
    }
    std::string why;
    const auto settings = shellSettings(&why);
    if (!settings) {
        return why;
    }
    if (auto failed = replaceFolder(installDir(), *built.files)) {
        return failed;
    }
    if (auto failed = enableInSettings(settings.get())) {
        return failed;
    }
    // A shell that already has the extension (an update, or one that was
    // switched off) starts it now; for a new one this changes nothing.
    if (shellRunning(conn.get())) {
        (void)callShell(conn.get(), shellPath, extensionsInterface, "EnableExtension", g_variant_new("(s)", uuid),
                        G_VARIANT_TYPE("(b)"));
    }
    return std::nullopt;
}

std::optional<std::string> GnomeShell::uninstall(GDBusConnection* /*bus*/)
{
    // Taken out of enabled-extensions, the extension is switched off in a
    // running shell too.
    std::string why;
    if (const auto settings = shellSettings(&why)) {
        auto enabled = strings(settings.get(), enabledKey);
        if (contains(enabled, uuid)) {
            enabled.erase(std::remove(enabled.begin(), enabled.end(), std::string(uuid)), enabled.end());
            const bool written = setStrings(settings.get(), enabledKey, enabled);
            g_settings_sync();
            if (!written) {
                return std::string("the GNOME setting ") + enabledKey + " cannot be changed (it is locked)";
            }
        }
    }
    std::error_code ec;
    fs::remove_all(installDir(), ec);
    if (ec) {
        return installDir() + ": " + ec.message();
    }
    return std::nullopt;
}

bool GnomeShell::activate(GDBusConnection* bus, const std::string& windowID)
{
    const auto reply = callShell(busOr(bus).get(), objectPath, interfaceName, "Activate",
                                 g_variant_new("(s)", windowID.c_str()), G_VARIANT_TYPE("(b)"));
    gboolean done = FALSE;
    if (reply) {
        g_variant_get(reply.get(), "(b)", &done);
    }
    return done != FALSE;
}

bool GnomeShell::minimize(GDBusConnection* bus, const std::string& windowID)
{
    const auto reply = callShell(busOr(bus).get(), objectPath, interfaceName, "Minimize",
                                 g_variant_new("(s)", windowID.c_str()), G_VARIANT_TYPE("(b)"));
    gboolean done = FALSE;
    if (reply) {
        g_variant_get(reply.get(), "(b)", &done);
    }
    return done != FALSE;
}

std::string findGnomeExtensionSource()
{
    std::vector<fs::path> candidates;
    if (const auto dir = env(sourceVariable); !dir.empty()) {
        candidates.emplace_back(dir);
    }
    std::error_code ec;
    if (const auto self = fs::read_symlink("/proc/self/exe", ec); !ec) {
        candidates.push_back(self.parent_path() / "../share/norvane/gnome-shell");
    }
    candidates.emplace_back("/usr/share/norvane/gnome-shell");
    candidates.emplace_back("/usr/local/share/norvane/gnome-shell");
    for (const auto& c : candidates) {
        if (hasFiles(c, {"reporter.js", "metadata.json", "extension-legacy.js", "extension-module.js"})) {
            const auto canonical = fs::canonical(c, ec);
            return ec ? c.string() : canonical.string();
        }
    }
    return {};
}

int gnomeShellMajor(std::string_view version)
{
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    const auto start = std::find_if(version.begin(), version.end(), digit);
    int major = 0;
    for (auto it = start; it != version.end() && digit(*it); ++it) {
        major = major * 10 + (*it - '0');
        if (major > 100000) {
            return 0;
        }
    }
    return major;
}

GnomeExtensionBuild buildGnomeExtension(const std::string& sourceDir, int major)
{
    if (major < oldestMajor) {
        return {std::nullopt, "GNOME Shell " + std::to_string(major) + " is older than " + std::to_string(oldestMajor) +
                                  ", the first version Norvane's extension supports"};
    }
    const bool module = major >= firstModuleMajor;
    const fs::path dir = sourceDir;
    const auto entryName = module ? "extension-module.js" : "extension-legacy.js";
    const auto entry = readFile(dir / entryName);
    const auto reporter = readFile(dir / "reporter.js");
    const auto metadata = readFile(dir / "metadata.json");
    if (!entry || !reporter || !metadata) {
        return {std::nullopt, "Norvane's GNOME Shell extension files cannot be read in " + sourceDir};
    }
    const auto marker = entry->find(reporterMarker);
    if (marker == std::string::npos) {
        return {std::nullopt, (dir / entryName).string() + " has no place for the reporter"};
    }
    GnomeExtensionFiles files;
    files.extensionJS = *entry;
    files.extensionJS.replace(marker, std::strlen(reporterMarker), *reporter);

    auto json = nlohmann::json::parse(*metadata, nullptr, false);
    if (!json.is_object()) {
        return {std::nullopt, (dir / "metadata.json").string() + " is not a JSON object"};
    }
    auto versions = nlohmann::json::array();
    const int last = module ? std::max(major, newestKnownMajor) : firstModuleMajor - 1;
    for (int v = module ? firstModuleMajor : oldestMajor; v <= last; ++v) {
        versions.push_back(std::to_string(v));
    }
    json["shell-version"] = versions;
    files.metadataJSON = json.dump(2) + "\n";
    return {std::move(files), {}};
}

} // namespace norvane::linux_workspace
