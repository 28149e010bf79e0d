#include "platform/linux/workspace/kwin_shell.h"

#include "platform/linux/workspace/glib_ptr.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gio/gio.h>
#include <glib/gstdio.h>
#include <memory>
#include <string_view>
#include <thread>

namespace norvane::linux_workspace {

namespace {

namespace fs = std::filesystem;

constexpr const char* kwinName = "org.kde.KWin";
constexpr const char* scriptingPath = "/Scripting";
constexpr const char* scriptingInterface = "org.kde.kwin.Scripting";
constexpr const char* scriptInterface = "org.kde.kwin.Script";
constexpr const char* commandName = "norvane-command";
// KWin answers these in a few milliseconds; a KWin that does not answer
// within this must not hold up the caller for long.
constexpr int callTimeoutMs = 1000;
// Window ids are short (KWin's are UUIDs); anything longer is not one.
constexpr std::size_t longestID = 256;

struct VariantUnref {
    void operator()(GVariant* v) const noexcept { g_variant_unref(v); }
};

struct Reply {
    std::unique_ptr<GVariant, VariantUnref> value;
    std::string error;    // empty on success
    bool missing = false; // no such object, interface or method (yet)

    explicit operator bool() const { return value != nullptr; }
};

// `parameters` is floating and consumed.
Reply call(GDBusConnection* bus, const char* path, const char* interface, const char* method, GVariant* parameters,
           const char* replyType)
{
    Reply out;
    GError* raw = nullptr;
    out.value.reset(g_dbus_connection_call_sync(bus, kwinName, path, interface, method, parameters,
                                                replyType ? G_VARIANT_TYPE(replyType) : nullptr, G_DBUS_CALL_FLAGS_NONE,
                                                callTimeoutMs, nullptr, &raw));
    if (!out.value) {
        const glib::Error error(raw);
        out.error = error && error->message ? error->message : "no answer";
        out.missing = g_error_matches(error.get(), G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_OBJECT) ||
                      g_error_matches(error.get(), G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_INTERFACE) ||
                      g_error_matches(error.get(), G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD);
    }
    return out;
}

bool unloadScript(GDBusConnection* bus, const char* name)
{
    const auto reply = call(bus, scriptingPath, scriptingInterface, "unloadScript", g_variant_new("(s)", name), "(b)");
    gboolean unloaded = FALSE;
    if (reply) {
        g_variant_get(reply.value.get(), "(b)", &unloaded);
    }
    return unloaded != FALSE;
}

// KWin takes its bus name a little before its scripting object exists
// (40-70 ms apart here), so a load right after KWin (re)started can find no
// object: it is tried again after these pauses, about a second in all.
constexpr std::array<int, 6> scriptingPauseMs = {20, 40, 80, 160, 320, 400};

Reply loadScript(GDBusConnection* bus, const std::string& path, const char* name)
{
    for (std::size_t pause = 0;; ++pause) {
        auto reply = call(bus, scriptingPath, scriptingInterface, "loadScript",
                          g_variant_new("(ss)", path.c_str(), name), "(i)");
        if (reply || !reply.missing || pause == scriptingPauseMs.size()) {
            return reply;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(scriptingPauseMs.at(pause)));
    }
}

// A JavaScript string literal holding `text` exactly: everything but
// letters, digits and a few harmless marks is written as \u escapes, so no
// text can end the literal or the line. Nothing for text that is not UTF-8.
std::optional<std::string> jsString(const std::string& text)
{
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        return std::nullopt;
    }
    std::string out = "\"";
    const auto escape = [&out](gunichar unit) {
        std::array<char, 16> buffer{}; // room for any unit, though only UTF-16 units come here
        std::snprintf(buffer.data(), buffer.size(), "\\u%04x", unit);
        out += buffer.data();
    };
    for (const char* p = text.c_str(); p < text.c_str() + text.size(); p = g_utf8_next_char(p)) {
        const gunichar c = g_utf8_get_char(p);
        if (c < 0x80 && (g_ascii_isalnum(static_cast<gchar>(c)) ||
                         std::string_view("{}-_.:").find(static_cast<char>(c)) != std::string_view::npos)) {
            out += static_cast<char>(c);
        } else if (c < 0x10000) {
            escape(c);
        } else {
            escape(0xD800 + ((c - 0x10000) >> 10)); // a surrogate pair
            escape(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    out += '"';
    return out;
}

// Finds the window by its id (String(internalId), as the reporter sends it)
// under either version's names, and acts on it.
std::string commandScript(const std::string& idLiteral, bool activate)
{
    std::string script = "(function () {\n"
                         "    var id = " +
                         idLiteral +
                         ";\n"
                         "    var plasma6 = typeof workspace.windowList === \"function\";\n"
                         "    var list = plasma6 ? workspace.windowList() : workspace.clientList();\n"
                         "    for (var i = 0; i < list.length; ++i) {\n"
                         "        var w = list[i];\n"
                         "        if (String(w.internalId) !== id) {\n"
                         "            continue;\n"
                         "        }\n";
    if (activate) {
        script += "        w.minimized = false;\n"
                  "        if (plasma6) {\n"
                  "            workspace.activeWindow = w;\n"
                  "        } else {\n"
                  "            workspace.activeClient = w;\n"
                  "        }\n";
    } else {
        script += "        w.minimized = true;\n";
    }
    script += "        return;\n"
              "    }\n"
              "})();\n";
    return script;
}

bool regularFile(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

std::string executableDir()
{
    std::error_code ec;
    const auto self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.parent_path().string();
}

} // namespace

KWinShell::KWinShell(std::string scriptPath) : scriptPath_(std::move(scriptPath)) {}

KWinShell::~KWinShell()
{
    if (!folder_.empty()) {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
}

std::string KWinShell::findScript()
{
    if (const char* env = std::getenv("NORVANE_KWIN_SCRIPT"); env != nullptr && regularFile(env)) {
        return env;
    }
    const std::string relative = "/share/norvane/kwin/reporter.js";
    const auto dir = executableDir();
    const std::array<std::string, 3> candidates = {
        dir.empty() ? std::string() : dir + "/.." + relative,
        "/usr" + relative,
        "/usr/local" + relative,
    };
    for (const auto& candidate : candidates) {
        if (regularFile(candidate)) {
            return fs::path(candidate).lexically_normal().string();
        }
    }
    return {};
}

std::optional<std::string> KWinShell::loadAndRun(GDBusConnection* bus, const std::string& path, const char* name)
{
    gint32 id = -1;
    for (int attempt = 0; attempt < 2 && id < 0; ++attempt) {
        auto reply = loadScript(bus, path, name);
        if (!reply) {
            return "KWin did not load " + path + ": " + reply.error;
        }
        g_variant_get(reply.value.get(), "(i)", &id);
        if (id < 0) {
            // -1: a script of this name is loaded already (left behind by a
            // Norvane that did not stop cleanly); replace it.
            unloadScript(bus, name);
        }
    }
    if (id < 0) {
        return "KWin refused to load " + path;
    }

    // Plasma 5 puts the loaded script at /<id>, Plasma 6 at
    // /Scripting/Script<id>. Try the style that worked last first.
    const std::array<std::string, 2> paths = {"/" + std::to_string(id), "/Scripting/Script" + std::to_string(id)};
    const int known = objectStyle_.load();
    std::string error;
    for (int i = 0; i < 2; ++i) {
        const int style = known == 2 ? 2 - i : i + 1;
        const auto reply = call(bus, paths.at(style - 1).c_str(), scriptInterface, "run", nullptr, nullptr);
        if (reply) {
            objectStyle_ = style;
            return std::nullopt;
        }
        error = reply.error;
    }
    // Neither object answered: ask KWin to run every loaded script.
    if (call(bus, scriptingPath, scriptingInterface, "start", nullptr, nullptr)) {
        return std::nullopt;
    }
    unloadScript(bus, name);
    return "KWin did not run " + path + ": " + error;
}

std::optional<std::string> KWinShell::startHelper(GDBusConnection* bus)
{
    if (!bus) {
        return std::string("not connected to the session bus");
    }
    if (!regularFile(scriptPath_)) {
        return "the KWin script is missing (" + (scriptPath_.empty() ? std::string("not found") : scriptPath_) +
               "): reinstall Norvane";
    }
    return loadAndRun(bus, scriptPath_, pluginName);
}

void KWinShell::stopHelper(GDBusConnection* bus)
{
    if (bus) {
        unloadScript(bus, pluginName);
    }
}

ShellCommands::HelperState KWinShell::helperState(GDBusConnection* bus)
{
    HelperState state;
    // Loaded at run time: on disk is all "installed" can mean.
    state.installed = regularFile(scriptPath_);
    state.enabled = state.installed;
    if (!state.installed) {
        state.detail = "The KWin script is missing; reinstall Norvane.";
        return state;
    }
    if (!bus) {
        state.detail = "Not connected to the session bus.";
        return state;
    }
    const auto reply =
        call(bus, scriptingPath, scriptingInterface, "isScriptLoaded", g_variant_new("(s)", pluginName), "(b)");
    if (!reply) {
        state.detail = "KWin does not answer: " + reply.error;
        return state;
    }
    gboolean loaded = FALSE;
    g_variant_get(reply.value.get(), "(b)", &loaded);
    state.loaded = loaded != FALSE;
    if (!state.loaded) {
        state.detail = "The KWin script is loaded while Norvane runs.";
    }
    return state;
}

std::optional<std::string> KWinShell::install(GDBusConnection* /*bus*/)
{
    return std::nullopt; // loaded from Norvane's own files at every start
}

std::optional<std::string> KWinShell::uninstall(GDBusConnection* /*bus*/)
{
    return std::nullopt; // nothing was written where KWin looks
}

bool KWinShell::activate(GDBusConnection* bus, const std::string& windowID)
{
    return runCommand(bus, Command::activate, windowID);
}

bool KWinShell::minimize(GDBusConnection* bus, const std::string& windowID)
{
    return runCommand(bus, Command::minimize, windowID);
}

std::optional<std::string> KWinShell::commandFolder()
{
    if (folder_.empty()) {
        std::string pattern = std::string(g_get_user_runtime_dir()) + "/norvane-kwin-XXXXXX";
        if (g_mkdtemp_full(pattern.data(), 0700) == nullptr) {
            return std::nullopt;
        }
        folder_ = pattern;
    }
    return folder_;
}

bool KWinShell::runCommand(GDBusConnection* bus, Command command, const std::string& windowID)
{
    if (!bus || windowID.empty() || windowID.size() > longestID) {
        return false;
    }
    const auto literal = jsString(windowID);
    if (!literal) {
        return false;
    }
    const std::lock_guard guard(commandLock_);
    const auto folder = commandFolder();
    if (!folder) {
        return false;
    }
    const std::string path = *folder + "/command.js";
    const auto script = commandScript(*literal, command == Command::activate);
    // Read once and deleted at once: no need to make it durable.
    if (!g_file_set_contents_full(path.c_str(), script.data(), static_cast<gssize>(script.size()),
                                  G_FILE_SET_CONTENTS_NONE, 0600, nullptr)) {
        return false;
    }
    // KWin has run the script when run() answers, so it can go at once.
    const bool ran = !loadAndRun(bus, path, commandName);
    unloadScript(bus, commandName);
    g_unlink(path.c_str());
    return ran;
}

} // namespace norvane::linux_workspace
