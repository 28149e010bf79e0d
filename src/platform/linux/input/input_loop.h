#pragma once

#include "platform/linux/input/device_discovery.h"
#include "platform/linux/input/dispatcher.h"
#include "platform/linux/input/input_reports.h"
#include "platform/linux/input/output_batch.h"
#include "platform/linux/input/output_queue.h"
#include "platform/linux/input/signal_pipe.h"
#include "platform/linux/input/uinput_output.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace norvane::linux_input {

struct LoopSettings {
    bool passive = false;
    bool signals = true;
    OutputOptions output;
};

// The body of the input thread; see LinuxInput. It tells `reports` what
// happened and writes its output to the uinput device (to nothing in the
// passive mode).
class InputLoop final : public DispatchObserver {
public:
    InputLoop(InputReports& reports, InputHandler& handler, OutputQueue& queue, LoopSettings settings);
    ~InputLoop() override;
    InputLoop(const InputLoop&) = delete;
    InputLoop& operator=(const InputLoop&) = delete;

    // Main thread, before run(): makes the output device, the hotplug
    // monitor and the wake-up descriptor and opens the devices present.
    bool open();
    // Input thread: runs until `stopFd` is readable, then releases everything.
    void run(int stopFd);

    // Any thread: have the input thread look at the queue and the requests.
    void wake() noexcept;
    void requestGrabMice(bool grab) noexcept;
    void requestResume() noexcept;

    [[nodiscard]] std::string outputDevnode() const;

private:
    // DispatchObserver
    void extraButtonPressed(std::int64_t button) override;
    void panicChord() override;

    void onDevice(EvdevDevice& device, std::uint32_t events);
    void onHotplug();
    void onWake();
    void onSignal();
    void onLeds();

    void addDevice(DeviceInfo info);
    void removeDevice(EvdevDevice& device);
    [[nodiscard]] bool wantsGrab(const EvdevDevice& device) const noexcept;
    void reconcile(EvdevDevice& device);
    void reconcileAll();
    void releaseEverything();
    void panic();
    // Reports which devices are read and grabbed, when that changed.
    void publishDevices();

    InputReports& reports_;
    InputHandler& handler_;
    OutputQueue& queue_;
    LoopSettings settings_;

    NullSink nothing_;
    std::unique_ptr<UinputOutput> output_; // none in the passive mode
    OutputBatch batch_{nothing_};
    Dispatcher dispatcher_;
    std::unique_ptr<DeviceDiscovery> discovery_;
    std::vector<std::unique_ptr<EvdevDevice>> devices_;
    std::vector<std::unique_ptr<EvdevDevice>> removed_; // freed once the current epoll round is done
    SignalPipe signals_;
    int epoll_ = -1;
    int wakeFd_ = -1;

    std::atomic<bool> grabMiceRequested_{false};
    std::atomic<bool> resumeRequested_{false};

    // Input thread only.
    bool grabMice_ = false;
    bool paused_ = false;  // after the panic chord, until resume
    bool holding_ = false; // released for a signal
    bool panicPending_ = false;
    bool devicesChanged_ = true;
};

} // namespace norvane::linux_input
