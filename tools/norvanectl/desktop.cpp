// norvanectl desktop status|install|uninstall: which desktop this is, how
// Norvane follows the window in front there, and on KDE Plasma and GNOME the
// state of Norvane's helper inside the shell (install puts it in place).
#include "commands.h"
#include "platform/linux/workspace/session.h"
#include "platform/linux/workspace/shell_helper_control.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace norvane::ctl {

namespace {

using linux_workspace::DesktopSession;
using linux_workspace::ShellHelperControl;
using Kind = DesktopSession::Kind;

void usage()
{
    std::fputs("usage: norvanectl desktop status|install|uninstall\n", stderr);
}

bool shellDesktop(const DesktopSession& session)
{
    return session.kind == Kind::kde || session.kind == Kind::gnome;
}

std::string focusSource(const DesktopSession& session, const ShellHelperControl& control)
{
    switch (session.kind) {
    case Kind::x11:
        return "X11 (the active window of display " + session.address + ")";
    case Kind::i3:
        return "i3 (its IPC socket " + session.address + ")";
    case Kind::sway:
        return "sway (its IPC socket " + session.address + ")";
    case Kind::hyprland:
        return "Hyprland (its event socket in " + session.address + ")";
    case Kind::kde:
    case Kind::gnome: {
        std::string text = control.hasHelper() ? control.shellLabel() + " reporting through Norvane's helper"
                                               : "none of the shell's own yet (this build has no helper for " +
                                                     sessionLabel(session.kind) + ")";
        if (!session.display.empty()) {
            text += control.hasHelper() ? "; X11 (display " + session.display + ") when the helper cannot report"
                                        : "; X11 (display " + session.display + ") instead";
        }
        return text;
    }
    case Kind::unsupported:
        break;
    }
    return "none: Norvane cannot follow the window in front on this desktop";
}

const char* yesNo(bool value)
{
    return value ? "yes" : "no";
}

int status(const DesktopSession& session)
{
    ShellHelperControl control(session.kind);
    const bool shell = shellDesktop(session);
    std::printf("Desktop: %s%s\n", sessionLabel(session.kind).c_str(),
                shell ? (session.display.empty() ? " (Wayland)" : " (X11)") : "");
    std::printf("Focus source: %s\n", focusSource(session, control).c_str());
    if (!control.hasHelper()) {
        return exitOK;
    }
    const auto state = control.state();
    if (!state.error.empty()) {
        std::fprintf(stderr, "norvanectl desktop status: %s\n", state.error.c_str());
        return exitFailure;
    }
    const auto& h = state.helper;
    std::printf("Helper in %s: installed %s, enabled %s, loaded %s\n", control.shellLabel().c_str(), yesNo(h.installed),
                yesNo(h.enabled), yesNo(h.loaded));
    if (!h.detail.empty()) {
        std::printf("  %s\n", h.detail.c_str());
    }
    const auto running = control.runningStatus();
    if (!running) {
        std::printf("Norvane: Norvane is not running%s\n",
                    session.display.empty() ? "" : " (or it follows the X display because the helper did not start)");
        return exitOK;
    }
    if (!running->present) {
        std::printf("Norvane: running; %s is not on the session bus\n", control.shellLabel().c_str());
    } else if (running->reporting) {
        std::printf("Norvane: running and receiving reports (the last %.1f s ago)\n",
                    static_cast<double>(running->msSinceLastReport) / 1000.0);
    } else {
        std::printf("Norvane: running; no report from %s yet\n", control.shellLabel().c_str());
    }
    return exitOK;
}

int change(const DesktopSession& session, bool install)
{
    const char* verb = install ? "install" : "uninstall";
    ShellHelperControl control(session.kind);
    if (!control.hasHelper()) {
        if (shellDesktop(session)) {
            std::fprintf(stderr, "norvanectl desktop %s: this build has no helper for %s\n", verb,
                         sessionLabel(session.kind).c_str());
            return exitFailure;
        }
        if (session.kind == Kind::unsupported) {
            std::printf("Nothing to %s: Norvane has no way to follow the window in front on this desktop.\n", verb);
        } else {
            std::printf("Nothing to %s: Norvane follows the window in front through %s by itself.\n", verb,
                        focusSource(session, control).c_str());
        }
        return exitOK;
    }
    if (const auto why = install ? control.install() : control.uninstall()) {
        std::fprintf(stderr, "norvanectl desktop %s: %s\n", verb, why->c_str());
        return exitFailure;
    }
    const auto state = control.state();
    if (install) {
        std::printf("Norvane's helper for %s is in place.\n", control.shellLabel().c_str());
        if (state.error.empty() && !state.helper.loaded && !state.helper.detail.empty()) {
            std::printf("%s\n", state.helper.detail.c_str());
        }
    } else {
        std::printf("Norvane's helper for %s is removed.\n", control.shellLabel().c_str());
    }
    return exitOK;
}

} // namespace

int runDesktop(int argc, char** argv)
{
    if (argc != 2) {
        usage();
        return exitUsage;
    }
    const std::string_view sub = argv[1];
    const auto session = linux_workspace::detectSession();
    if (sub == "status") {
        return status(session);
    }
    if (sub == "install" || sub == "uninstall") {
        return change(session, sub == "install");
    }
    usage();
    return exitUsage;
}

} // namespace norvane::ctl
