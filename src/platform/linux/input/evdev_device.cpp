#include "platform/linux/input/evdev_device.h"

#include <cerrno>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace norvane::linux_input {

std::unique_ptr<EvdevDevice> EvdevDevice::open(DeviceInfo info)
{
    // Writing is only needed to show the desktop's LEDs on a grabbed
    // keyboard; reading is enough for everything else.
    int fd = ::open(info.devnode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        fd = ::open(info.devnode.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    if (fd < 0) {
        return nullptr;
    }
    libevdev* dev = nullptr;
    if (const int rc = libevdev_new_from_fd(fd, &dev); rc < 0) {
        ::close(fd);
        errno = -rc;
        return nullptr;
    }
    std::unique_ptr<EvdevDevice> device(new EvdevDevice(std::move(info), fd, dev));
    // Start from the kernel's view of what is held.
    for (unsigned code = 0; code < KEY_CNT; ++code) {
        if (libevdev_get_event_value(dev, EV_KEY, code) != 0) {
            device->keys.held.set(code);
        }
    }
    return device;
}

EvdevDevice::EvdevDevice(DeviceInfo info, int fd, libevdev* dev) noexcept : info_(std::move(info)), fd_(fd), dev_(dev)
{}

EvdevDevice::~EvdevDevice()
{
    ungrab();
    libevdev_free(dev_);
    ::close(fd_);
}

bool EvdevDevice::grab() noexcept
{
    if (!grabbed_ && libevdev_grab(dev_, LIBEVDEV_GRAB) == 0) {
        grabbed_ = true;
    }
    return grabbed_;
}

void EvdevDevice::ungrab() noexcept
{
    if (grabbed_) {
        libevdev_grab(dev_, LIBEVDEV_UNGRAB);
        grabbed_ = false;
    }
}

bool EvdevDevice::anyKeyDownNow() const noexcept
{
    unsigned long bits[(KEY_CNT + 8 * sizeof(long) - 1) / (8 * sizeof(long))] = {};
    if (::ioctl(fd_, EVIOCGKEY(sizeof(bits)), bits) < 0) {
        return false;
    }
    for (const unsigned long word : bits) {
        if (word != 0) {
            return true;
        }
    }
    return false;
}

bool EvdevDevice::ledOn(unsigned code) const noexcept
{
    return libevdev_get_event_value(dev_, EV_LED, code) != 0;
}

void EvdevDevice::setLed(unsigned code, bool on) noexcept
{
    if (libevdev_has_event_code(dev_, EV_LED, code)) {
        libevdev_kernel_set_led_value(dev_, code, on ? LIBEVDEV_LED_ON : LIBEVDEV_LED_OFF);
    }
}

int EvdevDevice::next(input_event& ev, bool sync) noexcept
{
    const int rc = libevdev_next_event(dev_, sync ? LIBEVDEV_READ_FLAG_SYNC : LIBEVDEV_READ_FLAG_NORMAL, &ev);
    if (rc == LIBEVDEV_READ_STATUS_SUCCESS) {
        return 0;
    }
    if (rc == LIBEVDEV_READ_STATUS_SYNC) {
        return 1;
    }
    return rc;
}

} // namespace norvane::linux_input
