#pragma once

#include "platform/linux/input/output_batch.h"

#include <chrono>
#include <memory>
#include <string>

struct libevdev_uinput;

namespace norvane::linux_input {

struct OutputOptions {
    std::string uinputPath = "/dev/uinput";
    // Announce the device on the PS/2 bus so that the desktop treats it as a
    // built-in keyboard (touchpad disable-while-typing pairs only with those;
    // but a built-in keyboard is also switched off while the lid is closed).
    bool builtInKeyboard = false;
    // Pause between a modifier change and the key it is for; zero: none.
    std::chrono::microseconds modifierGap{0};
};

// The one virtual device all output goes through: every keyboard key, every
// mouse button, the relative axes (with the high-resolution wheels) and the
// keyboard LEDs, so that grabbed keyboards and mice pass through unchanged.
// Tagged with outputVendor and outputName so that discovery never takes it.
class UinputOutput final : public EventSink {
public:
    // Nothing, with errno set, when /dev/uinput cannot be opened or the device
    // cannot be created.
    static std::unique_ptr<UinputOutput> create(const OutputOptions& options);
    ~UinputOutput() override;
    UinputOutput(const UinputOutput&) = delete;
    UinputOutput& operator=(const UinputOutput&) = delete;

    void write(std::span<const input_event> events) override;
    void pause() override;

    // Readable when the desktop changed one of the device's LEDs.
    [[nodiscard]] int fd() const noexcept { return fd_; }
    // Reads the pending LED changes: onLed(code, on).
    template <class F> void readLeds(F&& onLed) noexcept;

    // The event node, when the kernel has made it (for tests and tools).
    [[nodiscard]] std::string devnode() const;

private:
    UinputOutput(int fd, libevdev_uinput* device, std::chrono::microseconds gap) noexcept
        : fd_(fd), device_(device), gap_(gap)
    {}
    long readRaw(input_event* events, std::size_t count) noexcept;

    int fd_;
    libevdev_uinput* device_;
    std::chrono::microseconds gap_;
};

template <class F> void UinputOutput::readLeds(F&& onLed) noexcept
{
    input_event events[16];
    for (;;) {
        const long n = readRaw(events, 16);
        if (n <= 0) {
            return;
        }
        for (long i = 0; i < n; ++i) {
            if (events[i].type == EV_LED) {
                onLed(events[i].code, events[i].value != 0);
            }
        }
    }
}

} // namespace norvane::linux_input
