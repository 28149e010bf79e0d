#include "platform/linux/input/input_access.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <limits.h>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

namespace norvane::linux_input {

namespace {

constexpr std::string_view helperName = "norvane-access-helper";

bool isExecutable(const std::string& path)
{
    return !path.empty() && ::access(path.c_str(), X_OK) == 0;
}

std::string executableDir()
{
    std::array<char, PATH_MAX> buffer{};
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) {
        return {};
    }
    std::string path(buffer.data(), static_cast<std::size_t>(n));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace

InputAccess checkInputAccess(const std::string& inputDir, const std::string& uinput)
{
    InputAccess access;
    access.uinputWritable = ::access(uinput.c_str(), R_OK | W_OK) == 0;
    if (DIR* dir = ::opendir(inputDir.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (!name.starts_with("event")) {
                continue;
            }
            ++access.eventNodes;
            const std::string path = inputDir + "/" + std::string(name);
            if (::access(path.c_str(), R_OK) == 0) {
                ++access.readableNodes;
            }
        }
        ::closedir(dir);
    }
    return access;
}

std::string manualAccessCommands()
{
    std::string commands;
    commands += "sudo tee " + std::string(accessRulePath) + " >/dev/null <<'EOF'\n";
    commands += accessRule;
    commands += "EOF\n";
    commands += "echo uinput | sudo tee " + std::string(uinputLoadPath) + " >/dev/null\n";
    commands += "sudo modprobe uinput\n";
    commands += "sudo udevadm control --reload-rules\n";
    commands += "sudo udevadm trigger --action=change --subsystem-match=input\n";
    commands += "sudo udevadm trigger --action=change --subsystem-match=misc --sysname-match=uinput\n";
    return commands;
}

std::string findAccessHelper()
{
    if (const char* env = std::getenv("NORVANE_ACCESS_HELPER"); env != nullptr && isExecutable(env)) {
        return env;
    }
    const std::string name(helperName);
    const std::array<std::string, 3> candidates = {
        executableDir() + "/../libexec/norvane/" + name,
        "/usr/libexec/norvane/" + name,
        "/usr/local/libexec/norvane/" + name,
    };
    for (const auto& candidate : candidates) {
        if (isExecutable(candidate)) {
            return candidate;
        }
    }
    return {};
}

std::string LinuxAccessPermission::instructions()
{
    return "无法自动授予输入设备的访问权限。请在终端中运行以下命令：\n\n" + manualAccessCommands();
}

LinuxAccessPermission::~LinuxAccessPermission()
{
    {
        const std::lock_guard lock(mutex_);
        if (child_ > 0) {
            ::kill(child_, SIGTERM);
        }
    }
    if (waiter_.joinable()) {
        waiter_.join();
    }
}

void LinuxAccessPermission::request(RequestDone done)
{
    std::unique_lock lock(mutex_);
    if (child_ > 0) {
        // The earlier request is still with the user.
        lock.unlock();
        done(std::nullopt);
        return;
    }
    if (waiter_.joinable()) {
        waiter_.join(); // finished: its child is gone
    }
    if (helper_.empty()) {
        lock.unlock();
        done(instructions());
        return;
    }
    // Without a polkit agent pkexec would ask for a password on our terminal;
    // the user gets the commands instead.
    std::string program = "pkexec";
    std::string noTextAgent = "--disable-internal-agent";
    std::array<char*, 4> argv = {program.data(), noTextAgent.data(), helper_.data(), nullptr};
    pid_t pid = -1;
    if (::posix_spawnp(&pid, "pkexec", nullptr, nullptr, argv.data(), environ) != 0) {
        lock.unlock();
        done(instructions());
        return;
    }
    child_ = pid;
    waiter_ = std::thread([this, pid, done = std::move(done)] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        {
            const std::lock_guard guard(mutex_);
            child_ = -1;
        }
        const bool granted = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        done(granted ? std::nullopt : std::optional<std::string>(instructions()));
    });
}

} // namespace norvane::linux_input
