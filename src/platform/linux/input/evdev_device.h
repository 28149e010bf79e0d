#pragma once

#include "platform/linux/input/device_class.h"
#include "platform/linux/input/dispatcher.h"

#include <cerrno>
#include <linux/input.h>
#include <memory>
#include <string>

struct libevdev;

namespace norvane::linux_input {

// A device as discovery describes it.
struct DeviceInfo {
    std::string devnode; // /dev/input/eventN
    std::string syspath; // identifies this device: a re-plugged device gets a new one
    DeviceCaps caps;
    DeviceClass cls = DeviceClass::other;
};

// One opened physical input device.
class EvdevDevice {
public:
    // Opens the node non-blocking (read-write where allowed); nullptr with
    // errno set when it cannot be read.
    static std::unique_ptr<EvdevDevice> open(DeviceInfo info);
    ~EvdevDevice();
    EvdevDevice(const EvdevDevice&) = delete;
    EvdevDevice& operator=(const EvdevDevice&) = delete;

    [[nodiscard]] int fd() const noexcept { return fd_; }
    [[nodiscard]] const DeviceInfo& info() const noexcept { return info_; }
    [[nodiscard]] bool grabbed() const noexcept { return grabbed_; }

    bool grab() noexcept;
    void ungrab() noexcept;
    // Whether the kernel has any key or button of the device down now.
    [[nodiscard]] bool anyKeyDownNow() const noexcept;
    [[nodiscard]] bool ledOn(unsigned code) const noexcept;
    void setLed(unsigned code, bool on) noexcept;

    enum class Read : std::uint8_t { drained, more, gone };
    // Reads what is pending (a bounded amount per call), resynchronising
    // after the kernel dropped events; `gone` when the device went away.
    template <class F> Read read(F&& onEvent) noexcept;

    DeviceKeys keys;

private:
    EvdevDevice(DeviceInfo info, int fd, libevdev* dev) noexcept;
    // -EAGAIN when nothing is pending; see libevdev_next_event.
    int next(input_event& ev, bool sync) noexcept;

    DeviceInfo info_;
    int fd_;
    libevdev* dev_;
    bool grabbed_ = false;
};

template <class F> EvdevDevice::Read EvdevDevice::read(F&& onEvent) noexcept
{
    constexpr int budget = 512;
    input_event ev{};
    for (int n = 0; n < budget; ++n) {
        int rc = next(ev, false);
        if (rc == 0) {
            onEvent(ev);
        } else if (rc == 1) {
            // SYN_DROPPED: the state differences follow as ordinary events.
            onEvent(ev);
            while ((rc = next(ev, true)) == 1) {
                onEvent(ev);
            }
        } else if (rc == -EAGAIN) {
            return Read::drained;
        } else if (rc != -EINTR) {
            return Read::gone;
        }
    }
    return Read::more;
}

} // namespace norvane::linux_input
