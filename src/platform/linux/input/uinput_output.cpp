#include "platform/linux/input/uinput_output.h"

#include "platform/linux/input/device_class.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <unistd.h>

namespace norvane::linux_input {

namespace {

// Joystick, gamepad, pen and touch buttons are left out: with them the
// desktop would take the device for a joystick or a tablet.
bool isOutputKey(unsigned code)
{
    if (code == KEY_RESERVED) {
        return false;
    }
    if (code >= BTN_JOYSTICK && code < KEY_OK) {
        return false;
    }
    return code < BTN_TRIGGER_HAPPY;
}

libevdev* describeOutput(const OutputOptions& options)
{
    libevdev* dev = libevdev_new();
    if (dev == nullptr) {
        return nullptr;
    }
    const std::string name(outputName);
    libevdev_set_name(dev, name.c_str());
    libevdev_set_id_bustype(dev, options.builtInKeyboard ? BUS_I8042 : BUS_USB);
    libevdev_set_id_vendor(dev, outputVendor);
    libevdev_set_id_product(dev, outputProduct);
    libevdev_set_id_version(dev, 1);

    libevdev_enable_event_type(dev, EV_KEY);
    for (unsigned code = 0; code < KEY_CNT; ++code) {
        if (isOutputKey(code)) {
            libevdev_enable_event_code(dev, EV_KEY, code, nullptr);
        }
    }
    libevdev_enable_event_type(dev, EV_REL);
    for (const unsigned code : {REL_X, REL_Y, REL_Z, REL_RX, REL_RY, REL_RZ, REL_HWHEEL, REL_DIAL, REL_WHEEL, REL_MISC,
                                REL_WHEEL_HI_RES, REL_HWHEEL_HI_RES}) {
        libevdev_enable_event_code(dev, EV_REL, code, nullptr);
    }
    libevdev_enable_event_type(dev, EV_LED);
    for (const unsigned code : {LED_NUML, LED_CAPSL, LED_SCROLLL, LED_COMPOSE, LED_KANA}) {
        libevdev_enable_event_code(dev, EV_LED, code, nullptr);
    }
    return dev;
}

} // namespace

std::unique_ptr<UinputOutput> UinputOutput::create(const OutputOptions& options)
{
    const int fd = ::open(options.uinputPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    libevdev* description = describeOutput(options);
    if (description == nullptr) {
        ::close(fd);
        errno = ENOMEM;
        return nullptr;
    }
    libevdev_uinput* device = nullptr;
    const int rc = libevdev_uinput_create_from_device(description, fd, &device);
    libevdev_free(description);
    if (rc < 0) {
        ::close(fd);
        errno = -rc;
        return nullptr;
    }
    return std::unique_ptr<UinputOutput>(new UinputOutput(fd, device, options.modifierGap));
}

UinputOutput::~UinputOutput()
{
    libevdev_uinput_destroy(device_);
    ::close(fd_);
}

void UinputOutput::write(std::span<const input_event> events)
{
    const auto* bytes = reinterpret_cast<const char*>(events.data());
    std::size_t left = events.size_bytes();
    while (left > 0) {
        const ssize_t n = ::write(fd_, bytes, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return; // nothing sensible to do on the event path
        }
        bytes += n;
        left -= static_cast<std::size_t>(n);
    }
}

void UinputOutput::pause()
{
    if (gap_.count() <= 0) {
        return;
    }
    timespec delay{};
    delay.tv_sec = static_cast<time_t>(gap_.count() / 1000000);
    delay.tv_nsec = static_cast<long>((gap_.count() % 1000000) * 1000);
    while (::clock_nanosleep(CLOCK_MONOTONIC, 0, &delay, &delay) == EINTR) {
    }
}

long UinputOutput::readRaw(input_event* events, std::size_t count) noexcept
{
    const ssize_t n = ::read(fd_, events, count * sizeof(input_event));
    if (n <= 0) {
        return n;
    }
    return static_cast<long>(static_cast<std::size_t>(n) / sizeof(input_event));
}

std::string UinputOutput::devnode() const
{
    const char* node = libevdev_uinput_get_devnode(device_);
    return node != nullptr ? std::string(node) : std::string();
}

} // namespace norvane::linux_input
