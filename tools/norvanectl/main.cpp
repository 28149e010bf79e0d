// norvanectl: command-line companion of Norvane.
#include "commands.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace {

struct Command {
    std::string_view name;
    std::string_view arguments;
    std::string_view description;
    int (*run)(int argc, char** argv);
};

// To add a subcommand: declare its run function in commands.h, add its
// source to CMakeLists.txt and one line here.
constexpr std::array commands = {
    Command{"check", "FILE", "read a configuration file and print it as Norvane would save it", norvane::ctl::runCheck},
    Command{"simulate", "--config FILE < SCRIPT", "run the engine on a simulated desktop, one step per script line",
            norvane::ctl::runSimulate},
    Command{"browser", "install|status|uninstall",
            "set up the browser bridge for page rules, or show which browsers report", norvane::ctl::runBrowser},
    Command{"devices", "", "list input devices, how each is classified and whether it is grabbed or read",
            norvane::ctl::runDevices},
    Command{"monitor", "", "print each key combination or mouse button as the engine sees it, until interrupted",
            norvane::ctl::runMonitor},
    Command{"access", "grant|revoke",
            "give the user at this seat access to keyboards, mice and /dev/uinput, or take it away (needs an "
            "administrator)",
            norvane::ctl::runAccess},
    Command{"desktop", "status|install|uninstall",
            "show how Norvane follows the window in front on this desktop; on KDE Plasma and GNOME put its helper "
            "in the shell, or take it out",
            norvane::ctl::runDesktop},
};

void printUsage(std::FILE* out)
{
    std::fputs("usage: norvanectl COMMAND [ARGUMENTS]\n\ncommands:\n", out);
    for (const auto& c : commands) {
        std::fprintf(out, "  %.*s %.*s\n      %.*s\n", static_cast<int>(c.name.size()), c.name.data(),
                     static_cast<int>(c.arguments.size()), c.arguments.data(), static_cast<int>(c.description.size()),
                     c.description.data());
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        printUsage(stderr);
        return norvane::ctl::exitUsage;
    }
    const std::string_view name = argv[1];
    if (name == "help" || name == "-h" || name == "--help") {
        printUsage(stdout);
        return norvane::ctl::exitOK;
    }
    for (const auto& c : commands) {
        if (c.name == name) {
            return c.run(argc - 1, argv + 1);
        }
    }
    std::fprintf(stderr, "norvanectl: unknown command '%s'\n", argv[1]);
    printUsage(stderr);
    return norvane::ctl::exitUsage;
}
