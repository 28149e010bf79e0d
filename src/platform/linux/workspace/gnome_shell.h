#pragma once

#include "platform/linux/workspace/shell_commands.h"

#include <optional>
#include <string>
#include <string_view>

namespace norvane::linux_workspace {

// GNOME Shell, through Norvane's extension (focus@norvane.org). The
// extension runs inside the shell and pushes its reports to ShellBus; it
// exports /org/norvane/ShellExtension (org.norvane.ShellExtension1:
// Activate(s) -> b, Minimize(s) -> b, Report()) on the shell's own
// connection and answers only the owner of org.norvane.Norvane.
//
// Installing writes the extension into the user's extensions folder
// ($XDG_DATA_HOME/gnome-shell/extensions/focus@norvane.org) in the form the
// shell's version loads (GNOME 43 and 44: a script with init(); 45 and
// later: an ES module) and enables it. GNOME Shell only loads extensions it
// found when it started, so a new install runs after the next login (on
// X11 a restart of the shell does too); helperState says so.
class GnomeShell final : public ShellCommands {
public:
    static constexpr const char* uuid = "focus@norvane.org";
    static constexpr const char* objectPath = "/org/norvane/ShellExtension";
    static constexpr const char* interfaceName = "org.norvane.ShellExtension1";

    // `sourceDir`: the extension's source files; empty to look for them with
    // findGnomeExtensionSource() when they are needed.
    explicit GnomeShell(std::string sourceDir = {});

    [[nodiscard]] std::string shellLabel() const override { return "GNOME Shell"; }
    [[nodiscard]] std::string shellBusName() const override { return "org.gnome.Shell"; }

    std::optional<std::string> startHelper(GDBusConnection* bus) override;
    void stopHelper(GDBusConnection* bus) override;
    [[nodiscard]] HelperState helperState(GDBusConnection* bus) override;
    std::optional<std::string> install(GDBusConnection* bus) override;
    std::optional<std::string> uninstall(GDBusConnection* bus) override;
    bool activate(GDBusConnection* bus, const std::string& windowID) override;
    bool minimize(GDBusConnection* bus, const std::string& windowID) override;

    // Where the extension goes: $XDG_DATA_HOME (else ~/.local/share)
    // /gnome-shell/extensions/focus@norvane.org.
    [[nodiscard]] static std::string installDir();

private:
    std::string sourceDir_;
};

// The extension's source folder: $NORVANE_GNOME_EXTENSION (a source tree or
// a test), else share/norvane/gnome-shell beside the running program
// (../share), under /usr or under /usr/local. Empty when none has the files.
[[nodiscard]] std::string findGnomeExtensionSource();

// The major version in a GNOME Shell version text ("43.9", "45.rc",
// "GNOME Shell 46.2"); 0 when there is none.
[[nodiscard]] int gnomeShellMajor(std::string_view version);

// The two files of the extension as GNOME Shell `major` loads them.
struct GnomeExtensionFiles {
    std::string extensionJS;
    std::string metadataJSON;
};
struct GnomeExtensionBuild {
    std::optional<GnomeExtensionFiles> files;
    std::string error; // why not, when `files` is empty
};
[[nodiscard]] GnomeExtensionBuild buildGnomeExtension(const std::string& sourceDir, int major);

} // namespace norvane::linux_workspace
