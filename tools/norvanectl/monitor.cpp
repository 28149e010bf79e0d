// norvanectl monitor: prints each trigger (key combination or extra mouse
// button) as the engine would see it, without grabbing or changing
// anything, until interrupted.
#include "commands.h"
#include "devices_access.h"
#include "model/trigger.h"
#include "platform/linux/input/device_discovery.h"
#include "platform/linux/input/linux_input.h"

#include <csignal>
#include <cstdio>
#include <string>

namespace norvane::ctl {

namespace {

// Runs on the input thread; prints presses, never changes them.
class TriggerPrinter final : public InputHandler {
public:
    bool handle(InputEvent& event) override
    {
        std::string text;
        std::string label;
        if (event.type == EventType::keyDown && event.autorepeat == 0) {
            const Trigger trigger = Trigger::key(Combo(event.keyCode, event.flags));
            text = trigger.string();
            label = trigger.label();
        } else if (event.type == EventType::otherMouseDown) {
            const Trigger trigger = Trigger::mouse(event.button);
            text = trigger.string();
            label = trigger.label();
        } else {
            return true;
        }
        std::printf("%-24s %s\n", text.c_str(), label.c_str());
        std::fflush(stdout);
        return true;
    }
};

bool norvaneRunning()
{
    const auto discovery = linux_input::DeviceDiscovery::create(false);
    if (!discovery) {
        return false;
    }
    for (const auto& d : discovery->enumerate()) {
        if (d.cls == linux_input::DeviceClass::ownOutput) {
            return true;
        }
    }
    return false;
}

} // namespace

int runMonitor(int argc, char** argv)
{
    if (argc != 1) {
        std::fprintf(stderr, "usage: norvanectl monitor\n");
        return exitUsage;
    }
    (void)argv;
    const auto access = linux_input::checkInputAccess();
    if (!access.canRead()) {
        reportMissingAccess("monitor", access, false);
        return exitFailure;
    }

    // The input thread inherits the blocked signals; this thread waits for them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    linux_input::LinuxInputOptions options;
    options.passive = true;
    options.releaseOnSignals = false;
    linux_input::LinuxInput input(options);
    TriggerPrinter printer;
    if (!input.start(printer)) {
        std::fprintf(stderr, "norvanectl monitor: cannot open the input devices\n");
        return exitFailure;
    }
    std::size_t keyboards = 0;
    std::size_t mice = 0;
    for (const auto& d : input.devices()) {
        ++(d.keyboard ? keyboards : mice);
    }
    std::fprintf(stderr, "Watching %zu keyboard(s) and %zu mouse/mice with extra buttons; Ctrl+C stops.\n", keyboards,
                 mice);
    if (norvaneRunning()) {
        std::fputs("Note: Norvane is running; the devices it grabs show nothing here.\n", stderr);
    }
    int signal = 0;
    sigwait(&stopSignals, &signal);
    input.stop();
    return exitOK;
}

} // namespace norvane::ctl
