#include "vm_devices.h"

#include <fcntl.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <poll.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace norvane::kernel_test {

namespace {

libevdev_uinput* create(libevdev* description)
{
    libevdev_uinput* device = nullptr;
    const int rc = libevdev_uinput_create_from_device(description, LIBEVDEV_UINPUT_OPEN_MANAGED, &device);
    libevdev_free(description);
    if (rc < 0) {
        throw std::runtime_error("cannot create a uinput device");
    }
    return device;
}

libevdev* describe(const std::string& name, std::uint16_t vendor)
{
    libevdev* dev = libevdev_new();
    libevdev_set_name(dev, name.c_str());
    libevdev_set_id_bustype(dev, BUS_USB);
    libevdev_set_id_vendor(dev, vendor);
    libevdev_set_id_product(dev, 0x0001);
    libevdev_enable_event_type(dev, EV_KEY);
    return dev;
}

} // namespace

std::unique_ptr<FakeDevice> FakeDevice::keyboard(const std::string& name)
{
    libevdev* dev = describe(name, 0x1234);
    for (unsigned code = KEY_ESC; code <= KEY_MICMUTE; ++code) {
        libevdev_enable_event_code(dev, EV_KEY, code, nullptr);
    }
    libevdev_enable_event_type(dev, EV_MSC);
    libevdev_enable_event_code(dev, EV_MSC, MSC_SCAN, nullptr);
    libevdev_enable_event_type(dev, EV_LED);
    for (const unsigned code : {LED_NUML, LED_CAPSL, LED_SCROLLL}) {
        libevdev_enable_event_code(dev, EV_LED, code, nullptr);
    }
    return std::unique_ptr<FakeDevice>(new FakeDevice(create(dev)));
}

std::unique_ptr<FakeDevice> FakeDevice::mouse(const std::string& name)
{
    libevdev* dev = describe(name, 0x5678);
    for (const unsigned code : {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE, BTN_SIDE, BTN_EXTRA}) {
        libevdev_enable_event_code(dev, EV_KEY, code, nullptr);
    }
    libevdev_enable_event_type(dev, EV_REL);
    for (const unsigned code : {REL_X, REL_Y, REL_WHEEL, REL_HWHEEL, REL_WHEEL_HI_RES, REL_HWHEEL_HI_RES}) {
        libevdev_enable_event_code(dev, EV_REL, code, nullptr);
    }
    return std::unique_ptr<FakeDevice>(new FakeDevice(create(dev)));
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
    if (::read(fd_, &ev, sizeof ev) == sizeof ev) {
        return ev;
    }
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) {
        return std::nullopt;
    }
    if (::read(fd_, &ev, sizeof ev) == sizeof ev) {
        return ev;
    }
    return std::nullopt;
}

void EventReader::discard()
{
    input_event ev{};
    while (::read(fd_, &ev, sizeof ev) == sizeof ev) {
    }
}

namespace {

bool keyBits(const std::string& devnode, unsigned char (&bits)[KEY_CNT / 8])
{
    const int fd = ::open(devnode.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::ioctl(fd, EVIOCGKEY(sizeof bits), bits) >= 0;
    ::close(fd);
    return ok;
}

} // namespace

bool anyKeyDown(const std::string& devnode)
{
    unsigned char bits[KEY_CNT / 8] = {};
    if (!keyBits(devnode, bits)) {
        return true;
    }
    for (const unsigned char b : bits) {
        if (b != 0) {
            return true;
        }
    }
    return false;
}

bool keyDown(const std::string& devnode, std::uint16_t code)
{
    unsigned char bits[KEY_CNT / 8] = {};
    return keyBits(devnode, bits) && ((bits[code / 8] >> (code % 8)) & 1U) != 0;
}

bool ledOn(const std::string& devnode, std::uint16_t led)
{
    unsigned char bits[LED_CNT / 8 + 1] = {};
    const int fd = ::open(devnode.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::ioctl(fd, EVIOCGLED(sizeof bits), bits) >= 0;
    ::close(fd);
    return ok && ((bits[led / 8] >> (led % 8)) & 1U) != 0;
}

void setLed(const std::string& devnode, std::uint16_t led, bool on)
{
    const int fd = ::open(devnode.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    input_event events[2] = {};
    events[0].type = EV_LED;
    events[0].code = led;
    events[0].value = on ? 1 : 0;
    events[1].type = EV_SYN;
    events[1].code = SYN_REPORT;
    [[maybe_unused]] const ssize_t n = ::write(fd, events, sizeof events);
    ::close(fd);
}

bool grabbedByAnother(const std::string& devnode)
{
    const int fd = ::open(devnode.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool busy = ::ioctl(fd, EVIOCGRAB, 1) != 0;
    if (!busy) {
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
