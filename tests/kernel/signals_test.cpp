// A process running the input layer gets SIGTSTP, SIGTERM and SIGINT: before
// each takes effect every grab and every key held on the output is released;
// after SIGCONT the devices are taken again; a handler the application had
// installed still runs, and without one the signal still ends the process.
#include "platform/linux/input/device_discovery.h"
#include "platform/linux/input/linux_input.h"
#include "vm_devices.h"

#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace norvane::kernel_test {
namespace {

class PassEverything final : public InputHandler {
public:
    bool handle(InputEvent&) override { return true; }
};

int appSignalFd = -1;

extern "C" void appTermHandler(int)
{
    const char byte = 'T';
    [[maybe_unused]] const ssize_t n = ::write(appSignalFd, &byte, 1);
}

// The child: an application that may have a SIGTERM handler of its own.
[[noreturn]] void runInputLayer(int appPipe)
{
    // A process group of its own: the kernel ignores SIGTSTP in an orphaned one.
    ::setpgid(0, 0);
    if (appPipe >= 0) {
        appSignalFd = appPipe;
        struct sigaction action {};
        action.sa_handler = appTermHandler;
        sigemptyset(&action.sa_mask);
        sigaction(SIGTERM, &action, nullptr);
    }
    PassEverything handler;
    linux_input::LinuxInput input;
    if (!input.start(handler)) {
        ::_exit(3);
    }
    for (;;) {
        ::pause();
    }
}

std::string findOutputDevice()
{
    const auto discovery = linux_input::DeviceDiscovery::create(false);
    for (const auto& d : discovery->enumerate()) {
        if (d.cls == linux_input::DeviceClass::ownOutput) {
            return d.devnode;
        }
    }
    return {};
}

// Taps `code` until the output shows it: the device is being forwarded.
bool forwards(FakeDevice& device, EventReader& output, std::uint16_t code)
{
    return waitUntil(
        [&] {
            device.tap(code);
            while (const auto ev = output.next(50ms)) {
                if (ev->type == EV_KEY && ev->code == code) {
                    output.discard();
                    return true;
                }
            }
            return false;
        },
        {}, 5s);
}

class KernelSignals : public ::testing::Test {
protected:
    // Starts the child and waits until it forwards the keyboard.
    void startChild(int appPipe = -1)
    {
        child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            runInputLayer(appPipe);
        }
        ASSERT_TRUE(waitUntil([&] { return !(outputNode = findOutputDevice()).empty(); }));
        output = std::make_unique<EventReader>(outputNode);
        ASSERT_TRUE(forwards(*kb, *output, KEY_1));
    }
    void holdKeys(std::initializer_list<std::uint16_t> codes)
    {
        for (const auto code : codes) {
            kb->key(code, 1);
        }
        ASSERT_TRUE(waitUntil([&] {
            return std::all_of(codes.begin(), codes.end(), [&](std::uint16_t c) { return keyDown(outputNode, c); });
        }));
    }
    void TearDown() override
    {
        if (child > 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
    }

    std::unique_ptr<FakeDevice> kb = FakeDevice::keyboard("Signal Keyboard");
    pid_t child = -1;
    std::string outputNode;
    std::unique_ptr<EventReader> output;
};

TEST_F(KernelSignals, StopReleasesEverythingAndContinueTakesTheKeyboardAgain)
{
    startChild();
    holdKeys({KEY_LEFTSHIFT, KEY_A});

    ::kill(child, SIGTSTP);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, WUNTRACED), child);
    ASSERT_TRUE(WIFSTOPPED(status));
    EXPECT_FALSE(anyKeyDown(outputNode)) << "keys held on the output of a stopped process";
    EXPECT_FALSE(grabbedByAnother(kb->devnode())) << "a stopped process holds the keyboard";

    kb->key(KEY_A, 0);
    kb->key(KEY_LEFTSHIFT, 0);
    ::kill(child, SIGCONT);
    output->discard();
    EXPECT_TRUE(forwards(*kb, *output, KEY_2)) << "not taken again after SIGCONT";
}

TEST_F(KernelSignals, TerminationReleasesBeforeTheApplicationsHandlerRuns)
{
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    startChild(pipeFds[1]);
    holdKeys({KEY_LEFTCTRL, KEY_C});

    ::kill(child, SIGTERM);
    pollfd p{pipeFds[0], POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 3000), 1) << "the application's own handler never ran";
    // The handler ran after the release; the keyboard, its keys still down,
    // is not taken again until they come up.
    EXPECT_FALSE(anyKeyDown(outputNode));
    EXPECT_FALSE(grabbedByAnother(kb->devnode()));
    kb->key(KEY_C, 0);
    kb->key(KEY_LEFTCTRL, 0);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
}

TEST_F(KernelSignals, InterruptWithoutAHandlerStillEndsTheProcess)
{
    startChild();
    holdKeys({KEY_Z});
    ::kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    child = -1;
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
    kb->key(KEY_Z, 0);
}

} // namespace
} // namespace norvane::kernel_test
