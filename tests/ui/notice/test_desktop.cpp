#include "test_desktop.h"

#include "tests/linux/workspace/x_session.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace norvane::testing {

namespace {

// Runs argv to its end with output discarded; whether it succeeded.
bool run(const std::vector<std::string>& argv, const std::string& display)
{
    const int pid = spawnQuiet(argv, {"DISPLAY=" + display});
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A bus that only routes messages: no activation, so nothing on the machine
// starts on it.
const char* busConfig = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

// Starts dbus-daemon with `config`; its pid, and its address in `address`.
int startBus(const std::string& config, std::string* address)
{
    int fds[2];
    if (pipe(fds) != 0) {
        return -1;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(fds[1], STDOUT_FILENO);
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, STDERR_FILENO);
        close(fds[0]);
        close(fds[1]);
        execlp("dbus-daemon", "dbus-daemon", ("--config-file=" + config).c_str(), "--nofork", "--print-address=1",
               nullptr);
        _exit(127);
    }
    close(fds[1]);
    pollfd fd{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&fd, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') {
        address->push_back(c);
    }
    close(fds[0]);
    return pid;
}

const TestDesktop* current = nullptr;

} // namespace

std::unique_ptr<TestDesktop> TestDesktop::start(std::string* error)
{
    std::unique_ptr<TestDesktop> desktop(new TestDesktop());
    desktop->x_ = XSession::start({"openbox", "--sm-disable"}, "_NET_SUPPORTING_WM_CHECK", error);
    if (!desktop->x_) {
        return nullptr;
    }
    // Xvfb has one output; RandR monitors split it, and Qt makes a screen of
    // each. (Xinerama with two Xvfb screens gives Qt only one.) The server
    // forgets them when its last client leaves: openbox stays connected.
    const auto& display = desktop->display();
    const auto half = std::to_string(monitorWidth) + "/135x" + std::to_string(height) + "/203";
    if (!run({"xrandr", "--setmonitor", "Left", half + "+0+0", "screen"}, display) ||
        !run({"xrandr", "--setmonitor", "Right", half + "+" + std::to_string(monitorWidth) + "+0", "none"}, display)) {
        *error = "xrandr could not split the screen into two monitors";
        return nullptr;
    }

    char dir[] = "/tmp/notice-bus-XXXXXX";
    if (!mkdtemp(dir)) {
        *error = "no temporary directory";
        return nullptr;
    }
    desktop->busDir_ = dir;
    const auto config = desktop->busDir_ + "/bus.conf";
    std::ofstream(config) << busConfig;
    desktop->busPid_ = startBus(config, &desktop->busAddress_);
    if (desktop->busAddress_.empty()) {
        *error = "dbus-daemon did not start";
        return nullptr;
    }
    current = desktop.get();
    return desktop;
}

TestDesktop::~TestDesktop()
{
    current = nullptr;
    stopProcess(busPid_);
    if (!busDir_.empty()) {
        std::remove((busDir_ + "/bus.conf").c_str());
        rmdir(busDir_.c_str());
    }
}

const std::string& TestDesktop::display() const
{
    return x_->display();
}

const TestDesktop& desktop()
{
    return *current;
}

} // namespace norvane::testing
