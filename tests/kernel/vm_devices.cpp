#include "vm_devices.h"

#include <algorithm>
#include <fcntl.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <poll.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace norvane::kernel_test {

namespace {

// A USB device with `name`, `vendor` and, per event type, these codes.
libevdev_uinput* create(const std::string& name, std::uint16_t vendor,
                        const std::vector<std::pair<unsigned, std::vector<unsigned>>>& codes)
{
    libevdev* description = libevdev_new();
    libevdev_set_name(description, name.c_str());
    libevdev_set_id_bustype(description, BUS_USB);
    libevdev_set_id_vendor(description, vendor);
    libevdev_set_id_product(description, 0x0001);
    for (const auto& [type, list] : codes) {
        for (const unsigned code : list) {
            libevdev_enable_event_code(description, type, code, nullptr);
        }
    }
    libevdev_uinput* device = nullptr;
    const int rc = libevdev_uinput_create_from_device(description, LIBEVDEV_UINPUT_OPEN_MANAGED, &device);
    libevdev_free(description);
    if (rc < 0) {
        throw std::runtime_error("cannot create a uinput device");
    }
    return device;
}

// Reads one of the device's state bitmaps (`request` sized for `bits`).
template <std::size_t N> bool stateBits(const std::string& devnode, unsigned long request, unsigned char (&bits)[N])
{
    const int fd = ::open(devnode.c_str(), O_RDONLY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::ioctl(fd, request, bits) >= 0;
    ::close(fd);
    return ok;
}

bool bitSet(const unsigned char* bits, unsigned code)
{
    return ((bits[code / 8] >> (code % 8)) & 1U) != 0;
}

} // namespace

std::unique_ptr<FakeDevice> FakeDevice::keyboard(const std::string& name)
{
    std::vector<unsigned> keys;
    for (unsigned code = KEY_ESC; code <= KEY_MICMUTE; ++code) {
        keys.push_back(code);
    }
    return std::unique_ptr<FakeDevice>(new FakeDevice(
        create(name, 0x1234, {{EV_KEY, keys}, {EV_MSC, {MSC_SCAN}}, {EV_LED, {LED_NUML, LED_CAPSL, LED_SCROLLL}}})));
}

std::unique_ptr<FakeDevice> FakeDevice::mouse(const std::string& name)
{
    return std::unique_ptr<FakeDevice>(
        new FakeDevice(create(name, 0x5678,
                              {{EV_KEY, {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE, BTN_SIDE, BTN_EXTRA}},
                               {EV_REL, {REL_X, REL_Y, REL_WHEEL, REL_HWHEEL, REL_WHEEL_HI_RES, REL_HWHEEL_HI_RES}}})));
}

FakeDevice::~FakeDevice()
{
    libevdev_uinput_destroy(device_);
}

void FakeDevice::emit(std::uint16_t type, std::uint16_t code, std::int32_t value)
{
    libevdev_uinput_write_event(device_, type, code, value);
}

std::string FakeDevice::devnode() const
{
    const char* node = libevdev_uinput_get_devnode(device_);
    return node != nullptr ? node : "";
}

EventReader::EventReader(const std::string& devnode) : fd_(::open(devnode.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC))
{}

EventReader::~EventReader()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::optional<input_event> EventReader::next(std::chrono::milliseconds timeout)
{
    input_event ev{};
    pollfd p{fd_, POLLIN, 0};
    if (::read(fd_, &ev, sizeof ev) == sizeof ev ||
        (::poll(&p, 1, static_cast<int>(timeout.count())) > 0 && ::read(fd_, &ev, sizeof ev) == sizeof ev)) {
        return ev;
    }
    return std::nullopt;
}

void EventReader::discard()
{
    while (next(std::chrono::milliseconds(0))) {
    }
}

bool anyKeyDown(const std::string& devnode)
{
    unsigned char bits[KEY_CNT / 8] = {};
    return !stateBits(devnode, EVIOCGKEY(sizeof bits), bits) ||
           std::any_of(std::begin(bits), std::end(bits), [](unsigned char b) { return b != 0; });
}

bool keyDown(const std::string& devnode, std::uint16_t code)
{
    unsigned char bits[KEY_CNT / 8] = {};
    return stateBits(devnode, EVIOCGKEY(sizeof bits), bits) && bitSet(bits, code);
}

bool ledOn(const std::string& devnode, std::uint16_t led)
{
    unsigned char bits[LED_CNT / 8 + 1] = {};
    return stateBits(devnode, EVIOCGLED(sizeof bits), bits) && bitSet(bits, led);
}

void setLed(const std::string& devnode, std::uint16_t led, bool on)
{
    const int fd = ::open(devnode.c_str(), O_WRONLY | O_CLOEXEC);
    const input_event events[2] = {{{}, EV_LED, led, on ? 1 : 0}, {{}, EV_SYN, SYN_REPORT, 0}};
    [[maybe_unused]] const ssize_t n = ::write(fd, events, sizeof events);
    ::close(fd);
}

bool grabbedByAnother(const std::string& devnode)
{
    const int fd = ::open(devnode.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const bool busy = fd >= 0 && ::ioctl(fd, EVIOCGRAB, 1) != 0;
    if (fd >= 0 && !busy) {
        ::ioctl(fd, EVIOCGRAB, 0);
    }
    ::close(fd);
    return busy;
}

bool waitUntil(const std::function<bool()>& condition, const std::function<void()>& pump,
               std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        if (pump) {
            pump();
        }
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

} // namespace norvane::kernel_test
