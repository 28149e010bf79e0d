#pragma once

#include "platform/input_event.h"
#include "platform/linux/workspace/focus_tracker.h"
#include "platform/linux/workspace/key_emitter.h"
#include "platform/linux/workspace/window_system.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace norvane::linux_workspace {

// Delivers key presses to one process, which Linux has no call for: where
// the desktop can deliver to a window directly (Hyprland) it does so;
// otherwise the process's most recent window is brought to the front, the
// keys are typed once the focus source confirms the switch, and focus goes
// back to the window that had it. Keys are never typed into a window that
// did not take focus. Runs on a thread of its own; deliver() returns at once.
class ProcessKeyDelivery {
public:
    struct Options {
        // How long the target may take to come to the front.
        std::chrono::milliseconds focusLimit{500};
        // How long the emitter may take to write the keys.
        std::chrono::milliseconds emitLimit{500};
        // Pause between the last key and giving focus back, for input that
        // travels through the kernel and the display server before the
        // application reads it.
        std::chrono::milliseconds settle{40};
    };
    // What became of one delivery (for the log and the tests).
    enum class Outcome { delivered, deliveredDirectly, noWindow, focusRefused, emitTimedOut };
    using OutcomeListener = std::function<void(int pid, Outcome)>;

    ProcessKeyDelivery(WindowSystem& windows, FocusTracker& tracker, KeyEmitter& emitter, Options options);
    ProcessKeyDelivery(WindowSystem& windows, FocusTracker& tracker, KeyEmitter& emitter)
        : ProcessKeyDelivery(windows, tracker, emitter, Options{})
    {}
    ~ProcessKeyDelivery();
    ProcessKeyDelivery(const ProcessKeyDelivery&) = delete;
    ProcessKeyDelivery& operator=(const ProcessKeyDelivery&) = delete;

    // Queues the events for `pid`; deliveries run one after another.
    void deliver(int pid, std::span<const InputEvent> events);
    void setOutcomeListener(OutcomeListener listener);

private:
    struct Job {
        int pid;
        std::vector<InputEvent> events;
    };
    void run();
    Outcome perform(const Job& job);

    WindowSystem& windows_;
    FocusTracker& tracker_;
    KeyEmitter& emitter_;
    Options options_;

    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    OutcomeListener listener_;
    std::thread thread_;
};

} // namespace norvane::linux_workspace
