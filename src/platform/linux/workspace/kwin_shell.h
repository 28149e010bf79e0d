#pragma once

#include "platform/linux/workspace/shell_commands.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <string>

namespace norvane::linux_workspace {

// KDE Plasma's KWin (5.27 and 6). Norvane's reporter script is loaded and
// run through KWin's scripting interface (org.kde.kwin.Scripting on
// org.kde.KWin) and unloaded again when Norvane stops; it is never written
// where KWin looks for installed scripts, so there is nothing to install.
// Windows are activated and minimised by a small script naming the window,
// written to a private folder, run once and unloaded.
class KWinShell final : public ShellCommands {
public:
    explicit KWinShell(std::string scriptPath = findScript());
    ~KWinShell() override; // removes the private folder
    KWinShell(const KWinShell&) = delete;
    KWinShell& operator=(const KWinShell&) = delete;

    [[nodiscard]] std::string shellLabel() const override { return "KDE Plasma"; }
    [[nodiscard]] std::string shellBusName() const override { return "org.kde.KWin"; }

    std::optional<std::string> startHelper(GDBusConnection* bus) override;
    void stopHelper(GDBusConnection* bus) override;
    [[nodiscard]] HelperState helperState(GDBusConnection* bus) override;
    std::optional<std::string> install(GDBusConnection* bus) override;
    std::optional<std::string> uninstall(GDBusConnection* bus) override;

    bool activate(GDBusConnection* bus, const std::string& windowID) override;
    bool minimize(GDBusConnection* bus, const std::string& windowID) override;

    // The reporter script: $NORVANE_KWIN_SCRIPT (how a build tree or a test
    // points at data/kwin), else the installed copy next to the executable
    // (../share/norvane/kwin) or under /usr or /usr/local. Empty when none.
    [[nodiscard]] static std::string findScript();

    // The name the reporter is loaded under.
    static constexpr const char* pluginName = "norvane-reporter";

private:
    enum class Command { activate, minimize };
    bool runCommand(GDBusConnection* bus, Command command, const std::string& windowID);
    // Loads `path` as `name` (replacing a script of that name) and runs it.
    std::optional<std::string> loadAndRun(GDBusConnection* bus, const std::string& path, const char* name);
    std::optional<std::string> commandFolder();

    std::string scriptPath_;
    std::mutex commandLock_; // one command script at a time; guards folder_
    std::string folder_;     // private (0700) folder for command scripts, made on first use
    // How this KWin names a loaded script's object: 0 not known yet, 1 "/<id>"
    // (Plasma 5), 2 "/Scripting/Script<id>" (Plasma 6).
    std::atomic<int> objectStyle_{0};
};

} // namespace norvane::linux_workspace
