#include "sway_session.h"

#include "platform/linux/workspace/i3_ipc.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace norvane::testing {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto startLimit = 15s;
constexpr auto exitLimit = 5s;

std::string onPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        auto candidate = (fs::path(dir) / name).string();
        if (!dir.empty() && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

// Polls `done` until it holds or the limit passes.
template <typename F> bool waitFor(F done, std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

bool reaped(int pid)
{
    int status = 0;
    const int r = waitpid(pid, &status, WNOHANG);
    return r == pid || (r < 0 && errno == ECHILD);
}

void terminate(int pid)
{
    if (pid <= 0) {
        return;
    }
    kill(pid, SIGTERM);
    if (!waitFor([pid] { return reaped(pid); }, exitLimit)) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> out;
    out.reserve(strings.size() + 1);
    for (auto& s : strings) {
        out.push_back(s.data());
    }
    out.push_back(nullptr);
    return out;
}

} // namespace

bool SwaySession::installed()
{
    return !onPath("sway").empty();
}

std::unique_ptr<SwaySession> SwaySession::start(std::string* error)
{
    const auto sway = onPath("sway");
    if (sway.empty()) {
        *error = "sway is not installed";
        return nullptr;
    }
    std::unique_ptr<SwaySession> s(new SwaySession());
    char pattern[] = "/tmp/norvane-sway-XXXXXX";
    if (!mkdtemp(pattern)) {
        *error = "cannot make a folder for sway";
        return nullptr;
    }
    s->folder_ = pattern;
    // The unprivileged account reads the configuration from here.
    chmod(s->folder_.c_str(), 0755);
    s->home_ = s->folder_ + "/home";
    s->runtimeDir_ = s->folder_ + "/run";
    s->switchUser_ = geteuid() == 0;
    if (s->switchUser_) {
        const passwd* account = getpwnam("nobody");
        if (!account) {
            *error = "no unprivileged account (nobody) to run sway as";
            return nullptr;
        }
        s->uid_ = account->pw_uid;
        s->gid_ = account->pw_gid;
    } else {
        s->uid_ = geteuid();
        s->gid_ = getegid();
    }
    for (const auto* dir : {&s->home_, &s->runtimeDir_}) {
        fs::create_directory(*dir);
        // XDG_RUNTIME_DIR must be the user's own, mode 0700.
        if (chmod(dir->c_str(), 0700) != 0 || chown(dir->c_str(), s->uid_, s->gid_) != 0) {
            *error = "cannot prepare " + *dir;
            return nullptr;
        }
    }
    const auto config = s->folder_ + "/sway.conf";
    std::ofstream(config) << "output HEADLESS-1 resolution 1024x768\n"
                             "xwayland disable\n"
                             "focus_follows_mouse no\n";

    auto env = s->baseEnvironment();
    env.insert(env.end(), {"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman"});
    s->swayPid_ = s->spawn({sway, "-c", config}, env, s->folder_ + "/sway.log");
    if (s->swayPid_ < 0) {
        *error = "cannot start sway";
        return nullptr;
    }

    // Ready once the IPC socket answers; the Wayland socket exists by then.
    bool exited = false;
    const bool ready = waitFor(
        [&] {
            if (reaped(s->swayPid_)) {
                exited = true;
                return true;
            }
            std::error_code ec;
            for (const auto& entry : fs::directory_iterator(s->runtimeDir_, ec)) {
                const auto name = entry.path().filename().string();
                if (name.starts_with("sway-ipc.") && name.ends_with(".sock")) {
                    s->ipcSocket_ = entry.path().string();
                } else if (name.starts_with("wayland-") && !name.ends_with(".lock")) {
                    s->waylandDisplay_ = name;
                }
            }
            return !s->ipcSocket_.empty() && !s->waylandDisplay_.empty() &&
                   linux_workspace::i3ipc::request(s->ipcSocket_, linux_workspace::i3ipc::Request::getTree, "")
                       .has_value();
        },
        startLimit);
    if (exited || !ready) {
        if (exited) {
            s->swayPid_ = -1;
        }
        *error = std::string(exited ? "sway exited while starting" : "sway did not answer on its IPC socket") + ":\n" +
                 s->logTail();
        return nullptr;
    }
    return s;
}

SwaySession::~SwaySession()
{
    stop();
    if (!folder_.empty()) {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
}

std::vector<std::string> SwaySession::baseEnvironment() const
{
    return {"PATH=/usr/local/bin:/usr/bin:/bin", "HOME=" + home_, "XDG_RUNTIME_DIR=" + runtimeDir_, "LANG=C.UTF-8"};
}

int SwaySession::startClient(const std::string& appID)
{
    const auto foot = onPath("foot");
    const auto cat = onPath("cat");
    if (foot.empty() || cat.empty()) {
        return -1;
    }
    auto env = baseEnvironment();
    env.push_back("WAYLAND_DISPLAY=" + waylandDisplay_);
    // The account has no login shell: the terminal runs cat, which ends
    // when the terminal closes its side.
    const int pid = spawn({foot, "--app-id=" + appID, "--", cat}, env, folder_ + "/" + appID + ".log");
    if (pid > 0) {
        clients_.push_back(pid);
    }
    return pid;
}

void SwaySession::stopClient(int pid)
{
    if (std::erase(clients_, pid) > 0) {
        terminate(pid);
    }
}

int SwaySession::spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                       const std::string& logFile)
{
    // Everything the child needs is prepared before fork: the test process
    // runs threads, so the child only makes system calls.
    auto args = argv;
    auto environment = env;
    const auto argp = pointers(args);
    const auto envp = pointers(environment);
    const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int devnull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const bool switchUser = switchUser_;
    const auto uid = static_cast<uid_t>(uid_);
    const auto gid = static_cast<gid_t>(gid_);
    const char* cwd = home_.c_str();

    const pid_t pid = fork();
    if (pid == 0) {
        if (switchUser && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)) {
            _exit(126);
        }
        // Set after the switch, which clears it. Nothing outlives a test
        // program that crashed.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(devnull, STDIN_FILENO);
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        // The working folder marks every process started from here.
        if (chdir(cwd) != 0) {
            _exit(126);
        }
        execve(argp[0], argp.data(), envp.data());
        _exit(127);
    }
    if (log >= 0) {
        close(log);
    }
    if (devnull >= 0) {
        close(devnull);
    }
    return pid;
}

std::vector<int> SwaySession::runningHere() const
{
    std::vector<int> out;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const auto name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        // A zombie's working folder cannot be read: it no longer runs.
        const auto cwd = fs::read_symlink(entry.path() / "cwd", ec);
        if (!ec && cwd.string().starts_with(folder_ + "/")) {
            out.push_back(std::stoi(name));
        }
    }
    return out;
}

std::vector<int> SwaySession::stop()
{
    if (stopped_ || folder_.empty()) {
        return {};
    }
    stopped_ = true;
    for (const int pid : clients_) {
        terminate(pid);
    }
    clients_.clear();
    if (swayPid_ > 0) {
        (void)linux_workspace::i3ipc::request(ipcSocket_, linux_workspace::i3ipc::Request::runCommand, "exit");
        if (!waitFor([this] { return reaped(swayPid_); }, exitLimit)) {
            terminate(swayPid_);
        }
        swayPid_ = -1;
    }
    // Grandchildren (the terminals' cat) end on their own once hung up.
    std::vector<int> left;
    waitFor(
        [&] {
            left = runningHere();
            return left.empty();
        },
        2s);
    for (const int pid : left) {
        kill(pid, SIGKILL);
    }
    return left;
}

std::string SwaySession::logTail() const
{
    std::ifstream in(folder_ + "/sway.log");
    std::stringstream text;
    text << in.rdbuf();
    auto all = text.str();
    constexpr std::size_t keep = 2000;
    return all.size() > keep ? all.substr(all.size() - keep) : all;
}

} // namespace norvane::testing
