#include "platform/linux/workspace/shell_commands_factory.h"

#include "platform/linux/workspace/gnome_shell.h"
#include "platform/linux/workspace/kwin_shell.h"

namespace norvane::linux_workspace {

std::unique_ptr<ShellCommands> makeShellCommands(DesktopSession::Kind kind)
{
    using Kind = DesktopSession::Kind;
    switch (kind) {
    // One case per shell whose helper reports to ShellBus:
    case Kind::kde:
        return std::make_unique<KWinShell>();
    case Kind::gnome:
        return std::make_unique<GnomeShell>();
    case Kind::x11:
    case Kind::i3:
    case Kind::sway:
    case Kind::hyprland:
    case Kind::unsupported:
    default:
        break;
    }
    return nullptr;
}

} // namespace norvane::linux_workspace
