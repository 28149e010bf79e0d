// norvanectl devices and monitor against real devices, when the VM carries
// /bin/norvanectl (run_vm.sh --with).
#include "vm_devices.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace norvane::kernel_test {
namespace {

constexpr const char* ctl = "/bin/norvanectl";

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

// norvanectl in a child process (as user `uid`, unless 0), its standard
// output and error caught in files.
class Ctl {
public:
    explicit Ctl(std::vector<std::string> args, uid_t uid = 0) : pid_(::fork())
    {
        if (pid_ == 0) {
            ::dup2(::open(path(::getpid(), "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
            ::dup2(::open(path(::getpid(), "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
            if (uid != 0 && (::setgid(uid) != 0 || ::setuid(uid) != 0)) {
                ::_exit(99);
            }
            std::vector<char*> argv{const_cast<char*>(ctl)};
            for (auto& a : args) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            ::execv(ctl, argv.data());
            ::_exit(98);
        }
    }
    ~Ctl()
    {
        if (pid_ > 0 && !finished_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Ctl(const Ctl&) = delete;
    Ctl& operator=(const Ctl&) = delete;

    [[nodiscard]] std::string out() const { return fileText(path(pid_, "out")); }
    [[nodiscard]] std::string err() const { return fileText(path(pid_, "err")); }
    // Waits until `text` appears in standard output (or error).
    bool waitFor(const std::string& text, bool inError = false) const
    {
        return waitUntil([&] { return (inError ? err() : out()).find(text) != std::string::npos; }, {}, 5s);
    }
    int finish()
    {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        finished_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    void signal(int sig) const { ::kill(pid_, sig); }

private:
    static std::string path(pid_t pid, const char* stream)
    {
        return "/tmp/norvanectl-" + std::to_string(pid) + "." + stream;
    }

    pid_t pid_;
    bool finished_ = false;
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
    ASSERT_EQ(devices.finish(), 0) << devices.err();
    const std::string kb = lineWith(devices.out(), keyboard->devnode() + " ");
    EXPECT_NE(kb.find("keyboard"), std::string::npos) << devices.out();
    EXPECT_NE(kb.find("grabbed"), std::string::npos) << kb;
    EXPECT_NE(kb.find("readable"), std::string::npos) << kb;
    EXPECT_NE(kb.find("Ctl Keyboard"), std::string::npos) << kb;
    const std::string m = lineWith(devices.out(), mouse->devnode() + " ");
    EXPECT_NE(m.find("mouse"), std::string::npos) << devices.out();
    EXPECT_NE(m.find("grabbed with a mouse rule"), std::string::npos) << m;
    EXPECT_NE(devices.out().find("not running"), std::string::npos);
}

TEST_F(KernelNorvanectl, MonitorPrintsTriggersWithoutGrabbingUntilInterrupted)
{
    Ctl monitor({"monitor"});
    ASSERT_TRUE(monitor.waitFor("Watching", true)) << monitor.err();
    keyboard->key(KEY_LEFTCTRL, 1);
    keyboard->key(KEY_LEFTALT, 1);
    keyboard->tap(KEY_K);
    keyboard->key(KEY_LEFTALT, 0);
    keyboard->key(KEY_LEFTCTRL, 0);
    mouse->tap(BTN_SIDE);
    EXPECT_TRUE(monitor.waitFor("ctrl+opt+k")) << monitor.out();
    EXPECT_TRUE(monitor.waitFor("mouse:3")) << monitor.out();
    EXPECT_FALSE(grabbedByAnother(keyboard->devnode()));
    monitor.signal(SIGINT);
    EXPECT_EQ(monitor.finish(), 0) << monitor.err();
    // One line per trigger: modifier keys alone and releases are none.
    const std::string printed = monitor.out();
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 2) << printed;
}

TEST_F(KernelNorvanectl, WithoutAccessBothSaySoAndFail)
{
    for (const char* command : {"devices", "monitor"}) {
        Ctl run({command}, 65534); // nobody: the device nodes are root's
        EXPECT_EQ(run.finish(), 1) << command << ": " << run.err();
        EXPECT_NE(run.err().find("no access to the input devices"), std::string::npos) << run.err();
        EXPECT_NE(run.err().find("sudo modprobe uinput"), std::string::npos) << run.err();
    }
}

} // namespace
} // namespace norvane::kernel_test
