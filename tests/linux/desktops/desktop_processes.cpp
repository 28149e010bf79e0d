#include "desktop_processes.h"

#include "platform/linux/workspace/bus_connection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gio/gio.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace norvane::testing {

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

Child::Child(Child&& other) noexcept : pid_(std::exchange(other.pid_, -1)) {}

Child& Child::operator=(Child&& other) noexcept
{
    if (this != &other) {
        stop();
        pid_ = std::exchange(other.pid_, -1);
    }
    return *this;
}

Child Child::spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                   const std::string& logPath, int keepFd)
{
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    std::vector<char*> envp;
    envp.reserve(env.size() + 1);
    for (const auto& e : env) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);

    Child child;
    child.pid_ = fork();
    if (child.pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int in = open("/dev/null", O_RDONLY);
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        dup2(in, STDIN_FILENO);
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        for (int fd = 3; fd < 1024; ++fd) {
            if (fd != keepFd) {
                close(fd);
            }
        }
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    return child;
}

bool Child::running()
{
    if (pid_ <= 0) {
        return false;
    }
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

void Child::stop(int signal)
{
    if (pid_ <= 0) {
        return;
    }
    kill(pid_, signal);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (waitpid(pid_, nullptr, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
}

PrivateBus::PrivateBus(const std::string& dir)
{
    int fds[2];
    if (pipe(fds) != 0) {
        return;
    }
    // --print-address writes the address once the daemon listens.
    daemon_ = Child::spawn({"/usr/bin/dbus-daemon", "--session", "--nofork", "--address=unix:path=" + dir + "/bus",
                            "--print-address=" + std::to_string(fds[1])},
                           {"PATH=/usr/bin:/bin", "HOME=" + dir}, dir + "/dbus.log", fds[1]);
    close(fds[1]);
    std::string line;
    pollfd fd{fds[0], POLLIN, 0};
    while (poll(&fd, 1, 10000) > 0) {
        char c = 0;
        if (read(fds[0], &c, 1) != 1 || c == '\n') {
            break;
        }
        line += c;
    }
    close(fds[0]);
    address_ = line;
}

TempDir::TempDir()
{
    std::string pattern = "/tmp/norvane-desktop-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) {
        path_ = pattern;
    }
}

TempDir::~TempDir()
{
    if (!path_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
}

bool waitFor(const std::function<bool()>& ready, std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    while (!ready()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool nameHasOwner(const std::string& address, const std::string& name)
{
    GDBusConnection* c = linux_workspace::openBusConnection(address);
    if (!c) {
        return false;
    }
    GVariant* reply = g_dbus_connection_call_sync(
        c, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        g_variant_new("(s)", name.c_str()), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
    gboolean owned = FALSE;
    if (reply) {
        g_variant_get(reply, "(b)", &owned);
        g_variant_unref(reply);
    }
    g_dbus_connection_close_sync(c, nullptr, nullptr);
    g_object_unref(c);
    return owned != FALSE;
}

std::string percentiles(std::vector<double> ms)
{
    if (ms.empty()) {
        return "no samples";
    }
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) {
        const auto i = static_cast<std::size_t>(std::ceil(q * static_cast<double>(ms.size()))) - 1;
        return ms.at(std::min(i, ms.size() - 1));
    };
    char text[96];
    std::snprintf(text, sizeof text, "p50 %.2f ms, p99 %.2f ms, max %.2f ms (%zu samples)", at(0.5), at(0.99),
                  ms.back(), ms.size());
    return text;
}

} // namespace norvane::testing
