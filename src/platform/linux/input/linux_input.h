#pragma once

#include "platform/event_output.h"
#include "platform/event_tap.h"
#include "platform/executor.h"
#include "platform/linux/common/poll_thread.h"
#include "platform/linux/input/input_reports.h"
#include "platform/press_monitor.h"
#include "platform/spsc_ring.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace norvane::linux_input {

class InputLoop;
class OutputQueue;

struct LinuxInputOptions {
    // The main thread's queue: panic notices, press monitors and output
    // completions are delivered through it. Without one they are dropped.
    Executor* executor = nullptr;
    // Pause between a modifier change and the key it is for (some clients
    // miss modifiers sent back-to-back with the key). Zero: none.
    std::chrono::microseconds modifierGap{0};
    // Release every key and grab on SIGTERM, SIGINT and SIGTSTP before the
    // signal takes effect (an earlier handler of the application still runs).
    bool releaseOnSignals = true;
    // Read-only observation: nothing is grabbed, no output device is made,
    // the handler sees every keyboard's and mouse's input and its verdicts are
    // ignored (norvanectl monitor).
    bool passive = false;
    // Announce the output device as a built-in keyboard; see UinputOutput.
    bool builtInKeyboard = false;
    std::string uinputPath = "/dev/uinput";
    std::string inputDir = "/dev/input";
};

// The input layer: the event tap of the engine and the output of everything
// it delivers, on its own thread.
//
// The input thread reads keyboards (grabbed while running) and mice with
// extra buttons (grabbed while setGrabMice(true), read otherwise), calls the
// handler for each key and extra-button event, and writes what the handler
// delivers to one uinput device as a modifier-state diff. It sleeps in epoll
// on the devices, the hotplug monitor and a wake-up descriptor, never waits
// for another thread and allocates nothing while passing input through. What
// it reports to the main thread (panic, extra-button presses for the
// monitors, output completions) goes through a preallocated ring drained on
// the executor's wake, so reporting neither allocates nor locks either.
//
// Backspace + Escape + Enter held together on grabbed keyboards release every
// grab and every key held on the output and pause: nothing is grabbed again
// until resume(); the panic handler hears of it on the main thread.
class LinuxInput final : public EventTap,
                         public EventOutput,
                         public PressMonitor,
                         private InputReports,
                         private Executor::Queue {
public:
    explicit LinuxInput(LinuxInputOptions options = {});
    // Stops the input thread, releasing everything first.
    ~LinuxInput() override;
    LinuxInput(const LinuxInput&) = delete;
    LinuxInput& operator=(const LinuxInput&) = delete;

    // EventTap. Creates the output device, opens the devices and starts the
    // input thread; false (and nothing started) without access to
    // /dev/uinput and the event nodes.
    bool start(InputHandler& handler) override;
    // Releases every key and grab and ends the input thread. Main thread.
    void stop();
    [[nodiscard]] bool isRunning() const noexcept { return thread_.running(); }

    // EventOutput. Main thread (any thread works); the events are written by
    // the input thread shortly after.
    void postKeyEvents(std::span<const InputEvent> events) override;
    void postKeyEventsToProcess(int pid, std::span<const InputEvent> events) override;
    void postMediaKeyEvent(MediaKeyEvent event) override;
    // As postKeyEvents; `done` runs on the main thread once they are written
    // (for delivering keys to one window and then giving the focus back).
    void postKeyEvents(std::span<const InputEvent> events, Executor::Task done);
    // Who delivers keys to one process (it focuses the target, posts the keys
    // through postKeyEvents with a completion and restores the focus). Until
    // one is set, keys for one process are not sent anywhere.
    using ProcessDelivery = std::function<void(int pid, std::span<const InputEvent> events)>;
    void setProcessDelivery(ProcessDelivery delivery);

    // Whether mice with extra buttons are grabbed: true while a mouse-button
    // rule exists. Any thread.
    void setGrabMice(bool grab);
    // Main thread: called after the panic chord released everything.
    void setPanicHandler(std::function<void()> handler);
    // Takes the devices again after the panic chord (each once its keys are up).
    void resume();
    [[nodiscard]] bool isPaused() const noexcept { return paused_.load(std::memory_order_acquire); }

    // PressMonitor: the global monitor of extra-button presses (Watch::keys
    // is the window's business and is refused). Handlers run on the main
    // thread, through the executor. Main thread.
    std::optional<Token> add(Watch watch, Handler handler) override;
    void remove(Token token) override;

    // The output device's node once started (tools and tests).
    [[nodiscard]] std::string outputDevnode() const;
    // The devices read now. Any thread.
    [[nodiscard]] std::vector<DeviceStatus> devices() const;

private:
    // A report waiting for the main thread.
    struct Report {
        enum class Kind : std::uint8_t { button, done };
        Kind kind = Kind::button;
        std::int64_t button = 0;
        std::uint64_t doneId = 0;
    };

    // InputReports, on the input thread.
    void panicked() override;
    void pausedChanged(bool paused) override;
    void extraButtonPressed(std::int64_t button) override;
    void outputDone(std::uint64_t id) override;
    void devicesChanged(DeviceList devices) override;
    // Executor::Queue, on the main thread.
    void drain() override;

    void report(Report report) noexcept;
    void wakeMainThread() noexcept;
    void runMonitors(std::int64_t button);
    void complete(std::uint64_t id);
    bool enqueue(std::span<const InputEvent> events, std::uint64_t doneId);

    LinuxInputOptions options_;
    std::unique_ptr<OutputQueue> queue_;
    std::unique_ptr<InputLoop> loop_;
    linux_common::PollThread thread_;
    std::atomic<bool> paused_{false};
    std::atomic<bool> grabMice_{false};
    std::atomic<int> watchers_{0};
    // Published by the input thread whenever a device comes, goes, or is
    // grabbed or let go.
    std::atomic<DeviceList> devices_;

    // Input thread to main thread.
    SpscRing<Report, 256> reports_;
    std::atomic<bool> panicReported_{false};
    std::atomic<bool> wakePending_{false};
    std::atomic<bool> refusalLogged_{false};

    // Main thread only.
    bool attached_ = false;
    ProcessDelivery processDelivery_;
    std::function<void()> panicHandler_;
    std::unordered_map<Token, Handler> monitors_;
    Token nextToken_ = 1;
    std::unordered_map<std::uint64_t, Executor::Task> completions_;
    std::uint64_t nextDone_ = 1;
};

} // namespace norvane::linux_input
