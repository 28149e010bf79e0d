// norvanectl access grant|revoke: gives the user at the local, active seat
// access to the input devices, or takes it away again, through the packaged
// helper: run directly by root, otherwise through pkexec, which asks for an
// administrator.
#include "commands.h"
#include "platform/linux/input/input_access.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

namespace norvane::ctl {

namespace {

void usage()
{
    std::fputs("usage: norvanectl access grant|revoke\n", stderr);
}

std::string manualRevokeCommands()
{
    return "sudo rm -f " + std::string(linux_input::accessRulePath) + " " + std::string(linux_input::uinputLoadPath) +
           "\n"
           "sudo udevadm control --reload-rules\n"
           "sudo udevadm trigger --action=change --subsystem-match=input\n"
           "sudo udevadm trigger --action=change --subsystem-match=misc --sysname-match=uinput\n";
}

// Runs the helper with `verb`; its exit status, or -1 when it could not run.
int runHelper(std::string helper, std::string verb)
{
    std::string pkexec = "pkexec";
    std::array<char*, 4> argv{};
    if (::geteuid() == 0) {
        argv = {helper.data(), verb.data(), nullptr, nullptr};
    } else {
        argv = {pkexec.data(), helper.data(), verb.data(), nullptr};
    }
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

int runAccess(int argc, char** argv)
{
    const std::string_view verb = argc == 2 ? argv[1] : "";
    if (verb != "grant" && verb != "revoke") {
        usage();
        return exitUsage;
    }
    const bool grant = verb == "grant";
    const std::string helper = linux_input::findAccessHelper();
    if (helper.empty()) {
        std::fprintf(stderr, "norvanectl access %s: norvane-access-helper is not installed. By hand:\n\n%s", argv[1],
                     grant ? linux_input::manualAccessCommands().c_str() : manualRevokeCommands().c_str());
        return exitFailure;
    }
    const int status = runHelper(helper, std::string(verb));
    if (status == 0) {
        std::puts(grant ? "The user at this seat may now read keyboards and mice and create virtual input devices."
                        : "The access is taken back. Programs that opened input devices keep them until they close "
                          "them: quit Norvane in every session (or log out) to end it now.");
        return exitOK;
    }
    // pkexec: 126 the request was dismissed, 127 not authorized.
    if (::geteuid() != 0 && (status == 126 || status == 127)) {
        std::fprintf(stderr, "norvanectl access %s: an administrator did not authorize it\n", argv[1]);
    } else {
        std::fprintf(stderr, "norvanectl access %s: %s failed (%s)\n", argv[1], helper.c_str(),
                     status < 0 ? "it could not run" : ("exit status " + std::to_string(status)).c_str());
    }
    return exitFailure;
}

} // namespace norvane::ctl
