#pragma once

#include "platform/linux/input/evdev_device.h"

#include <memory>
#include <optional>
#include <vector>

struct udev;
struct udev_device;
struct udev_monitor;

namespace norvane::linux_input {

// Finds input event devices and follows hotplug through libudev. Devices are
// described from sysfs, so even devices this process cannot open are
// classified. Without a running udev daemon (containers, the test VM) the
// monitor listens to the kernel's own announcements instead.
class DeviceDiscovery {
public:
    // Nothing when libudev cannot be set up. With `monitor` false, enumerate()
    // works but fd() is -1.
    static std::unique_ptr<DeviceDiscovery> create(bool monitor);
    ~DeviceDiscovery();
    DeviceDiscovery(const DeviceDiscovery&) = delete;
    DeviceDiscovery& operator=(const DeviceDiscovery&) = delete;

    // Every input event device present now, ordered by node name.
    [[nodiscard]] std::vector<DeviceInfo> enumerate() const;

    // Readable when a hotplug announcement is waiting.
    [[nodiscard]] int fd() const noexcept;
    struct Change {
        bool added = false; // else removed
        DeviceInfo info;
    };
    // The next announcement about an event device, if one is waiting.
    [[nodiscard]] std::optional<Change> receive();

private:
    DeviceDiscovery(udev* u, udev_monitor* m) noexcept : udev_(u), monitor_(m) {}
    udev* udev_;
    udev_monitor* monitor_;
};

// The description of one event device (its udev device is eventN).
[[nodiscard]] std::optional<DeviceInfo> describe(udev_device* device);

} // namespace norvane::linux_input
