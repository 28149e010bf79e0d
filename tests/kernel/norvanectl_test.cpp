// norvanectl devices and monitor against real devices, when the VM carries
// /bin/norvanectl (run_vm.sh --with).
#include "vm_devices.h"

#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace norvane::kernel_test {
namespace {

constexpr const char* ctl = "/bin/norvanectl";

// norvanectl in a child process, its output read through pipes.
class Ctl {
public:
    // `uid` other than 0: the child runs as that user (and group).
    Ctl(const std::vector<std::string>& args, uid_t uid = 0)
    {
        int outPipe[2];
        int errPipe[2];
        if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(outPipe[1], 1);
            ::dup2(errPipe[1], 2);
            if (uid != 0 && (::setgid(uid) != 0 || ::setuid(uid) != 0)) {
                ::_exit(99);
            }
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(ctl));
            for (const auto& a : args) {
                argv.push_back(const_cast<char*>(a.c_str()));
            }
            argv.push_back(nullptr);
            ::execv(ctl, argv.data());
            ::_exit(98);
        }
        ::close(outPipe[1]);
        ::close(errPipe[1]);
        out_ = outPipe[0];
        err_ = errPipe[0];
    }
    ~Ctl()
    {
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(out_);
        ::close(err_);
    }
    Ctl(const Ctl&) = delete;
    Ctl& operator=(const Ctl&) = delete;

    // Reads standard output and error until `text` appears in `stream` (or
    // both end, or time is up).
    bool waitFor(const std::string& text, bool inError = false, std::chrono::milliseconds timeout = 5s)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while ((inError ? err : out).find(text) == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !pump(left)) {
                return (inError ? err : out).find(text) != std::string::npos;
            }
        }
        return true;
    }
    int finish()
    {
        while (pump(5s)) {
        }
        int status = 0;
        ::waitpid(pid_, &status, 0);
        waited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    void signal(int sig) const { ::kill(pid_, sig); }

    std::string out;
    std::string err;

private:
    // False once both pipes are closed or nothing came in time.
    bool pump(std::chrono::milliseconds timeout)
    {
        if (!outOpen_ && !errOpen_) {
            return false;
        }
        pollfd fds[2] = {{outOpen_ ? out_ : -1, POLLIN, 0}, {errOpen_ ? err_ : -1, POLLIN, 0}};
        if (::poll(fds, 2, static_cast<int>(timeout.count())) <= 0) {
            return false;
        }
        char buffer[4096];
        for (int i = 0; i < 2; ++i) {
            if (fds[i].revents == 0) {
                continue;
            }
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? out : err).append(buffer, static_cast<std::size_t>(n));
            } else {
                (i == 0 ? outOpen_ : errOpen_) = false;
            }
        }
        return true;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    bool waited_ = false;
    bool outOpen_ = true;
    bool errOpen_ = true;
};

std::string lineWith(const std::string& text, const std::string& needle)
{
    const auto at = text.find(needle);
    if (at == std::string::npos) {
        return {};
    }
    const auto begin = text.rfind('\n', at);
    const auto end = text.find('\n', at);
    return text.substr(begin == std::string::npos ? 0 : begin + 1, end - (begin == std::string::npos ? 0 : begin + 1));
}

class KernelNorvanectl : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::access(ctl, X_OK) != 0) {
            GTEST_SKIP() << "norvanectl is not in this VM";
        }
        keyboard = FakeDevice::keyboard("Ctl Keyboard");
        mouse = FakeDevice::mouse("Ctl Mouse");
    }
    std::unique_ptr<FakeDevice> keyboard;
    std::unique_ptr<FakeDevice> mouse;
};

TEST_F(KernelNorvanectl, DevicesListsEachDeviceWithItsClassAndAccess)
{
    Ctl devices({"devices"});
    ASSERT_EQ(devices.finish(), 0) << devices.err;
    const std::string kb = lineWith(devices.out, keyboard->devnode() + " ");
    EXPECT_NE(kb.find("keyboard"), std::string::npos) << devices.out;
    EXPECT_NE(kb.find("grabbed"), std::string::npos) << kb;
    EXPECT_NE(kb.find("readable"), std::string::npos) << kb;
    EXPECT_NE(kb.find("Ctl Keyboard"), std::string::npos) << kb;
    const std::string m = lineWith(devices.out, mouse->devnode() + " ");
    EXPECT_NE(m.find("mouse"), std::string::npos) << devices.out;
    EXPECT_NE(m.find("grabbed with a mouse rule"), std::string::npos) << m;
    EXPECT_NE(devices.out.find("not running"), std::string::npos);
}

TEST_F(KernelNorvanectl, MonitorPrintsTriggersWithoutGrabbingUntilInterrupted)
{
    Ctl monitor({"monitor"});
    ASSERT_TRUE(monitor.waitFor("Watching", true)) << monitor.err;
    keyboard->key(KEY_LEFTCTRL, 1);
    keyboard->key(KEY_LEFTALT, 1);
    keyboard->tap(KEY_K);
    keyboard->key(KEY_LEFTALT, 0);
    keyboard->key(KEY_LEFTCTRL, 0);
    mouse->tap(BTN_SIDE);
    EXPECT_TRUE(monitor.waitFor("ctrl+opt+k")) << monitor.out;
    EXPECT_TRUE(monitor.waitFor("mouse:3")) << monitor.out;
    EXPECT_FALSE(grabbedByAnother(keyboard->devnode()));
    monitor.signal(SIGINT);
    EXPECT_EQ(monitor.finish(), 0) << monitor.err;
    // One line per trigger: modifier keys alone and releases are none.
    EXPECT_EQ(std::count(monitor.out.begin(), monitor.out.end(), '\n'), 2) << monitor.out;
}

TEST_F(KernelNorvanectl, WithoutAccessBothSaySoAndFail)
{
    for (const char* command : {"devices", "monitor"}) {
        Ctl run({command}, 65534); // nobody: the device nodes are root's
        EXPECT_EQ(run.finish(), 1) << command << ": " << run.err;
        EXPECT_NE(run.err.find("no access to the input devices"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("sudo modprobe uinput"), std::string::npos) << run.err;
    }
}

} // namespace
} // namespace norvane::kernel_test
