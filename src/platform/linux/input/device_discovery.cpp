#include "platform/linux/input/device_discovery.h"

#include <algorithm>
#include <charconv>
#include <libudev.h>
#include <string_view>
#include <unistd.h>

namespace norvane::linux_input {

namespace {

std::string_view attribute(udev_device* device, const char* name)
{
    const char* value = udev_device_get_sysattr_value(device, name);
    return value != nullptr ? std::string_view(value) : std::string_view();
}

std::uint16_t hexAttribute(udev_device* device, const char* name)
{
    std::string_view text = attribute(device, name);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    std::uint16_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return value;
}

template <std::size_t N> void bitmapAttribute(udev_device* device, const char* name, std::bitset<N>& bits)
{
    parseCapabilityBitmap(attribute(device, name), bits);
}

bool isEventNode(udev_device* device)
{
    const char* sysname = udev_device_get_sysname(device);
    return sysname != nullptr && std::string_view(sysname).starts_with("event");
}

} // namespace

std::optional<DeviceInfo> describe(udev_device* device)
{
    if (!isEventNode(device)) {
        return std::nullopt;
    }
    const char* devnode = udev_device_get_devnode(device);
    const char* syspath = udev_device_get_syspath(device);
    if (devnode == nullptr || syspath == nullptr) {
        return std::nullopt;
    }
    DeviceInfo info;
    info.devnode = devnode;
    info.syspath = syspath;
    // The capabilities belong to the input device (inputN) above the node.
    if (udev_device* input = udev_device_get_parent_with_subsystem_devtype(device, "input", nullptr)) {
        DeviceCaps& caps = info.caps;
        std::string_view name = attribute(input, "name");
        while (!name.empty() && name.back() == '\n') {
            name.remove_suffix(1);
        }
        caps.name = std::string(name);
        caps.bustype = hexAttribute(input, "id/bustype");
        caps.vendor = hexAttribute(input, "id/vendor");
        caps.product = hexAttribute(input, "id/product");
        bitmapAttribute(input, "capabilities/ev", caps.ev);
        bitmapAttribute(input, "capabilities/key", caps.key);
        bitmapAttribute(input, "capabilities/rel", caps.rel);
        bitmapAttribute(input, "capabilities/abs", caps.abs);
        bitmapAttribute(input, "properties", caps.props);
    }
    info.cls = classify(info.caps);
    return info;
}

std::unique_ptr<DeviceDiscovery> DeviceDiscovery::create(bool monitor)
{
    udev* u = udev_new();
    if (u == nullptr) {
        return nullptr;
    }
    udev_monitor* m = nullptr;
    if (monitor) {
        // Announcements from the udev daemon come after it applied its rules
        // (and so the access rights); without a daemon only the kernel's exist.
        const bool daemon = ::access("/run/udev/control", F_OK) == 0;
        m = udev_monitor_new_from_netlink(u, daemon ? "udev" : "kernel");
        if (m == nullptr || udev_monitor_filter_add_match_subsystem_devtype(m, "input", nullptr) < 0 ||
            udev_monitor_enable_receiving(m) < 0) {
            if (m != nullptr) {
                udev_monitor_unref(m);
            }
            udev_unref(u);
            return nullptr;
        }
    }
    return std::unique_ptr<DeviceDiscovery>(new DeviceDiscovery(u, m));
}

DeviceDiscovery::~DeviceDiscovery()
{
    if (monitor_ != nullptr) {
        udev_monitor_unref(monitor_);
    }
    udev_unref(udev_);
}

std::vector<DeviceInfo> DeviceDiscovery::enumerate() const
{
    std::vector<DeviceInfo> found;
    udev_enumerate* e = udev_enumerate_new(udev_);
    if (e == nullptr) {
        return found;
    }
    udev_enumerate_add_match_subsystem(e, "input");
    udev_enumerate_add_match_sysname(e, "event*");
    udev_enumerate_scan_devices(e);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e))
    {
        udev_device* device = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
        if (device == nullptr) {
            continue;
        }
        if (auto info = describe(device)) {
            found.push_back(std::move(*info));
        }
        udev_device_unref(device);
    }
    udev_enumerate_unref(e);
    // event2 before event10.
    std::sort(found.begin(), found.end(), [](const DeviceInfo& a, const DeviceInfo& b) {
        return a.devnode.size() != b.devnode.size() ? a.devnode.size() < b.devnode.size() : a.devnode < b.devnode;
    });
    return found;
}

int DeviceDiscovery::fd() const noexcept
{
    return monitor_ != nullptr ? udev_monitor_get_fd(monitor_) : -1;
}

std::optional<DeviceDiscovery::Change> DeviceDiscovery::receive()
{
    if (monitor_ == nullptr) {
        return std::nullopt;
    }
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        const char* action = udev_device_get_action(device);
        const std::string_view what = action != nullptr ? action : "";
        std::optional<Change> change;
        if (what == "add" || what == "remove") {
            if (auto info = describe(device)) {
                change = Change{what == "add", std::move(*info)};
            }
        }
        udev_device_unref(device);
        if (change) {
            return change;
        }
    }
    return std::nullopt;
}

} // namespace norvane::linux_input
