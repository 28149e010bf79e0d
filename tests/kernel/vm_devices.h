#pragma once

#include <chrono>
#include <functional>
#include <linux/input.h>
#include <memory>
#include <optional>
#include <string>

struct libevdev_uinput;

namespace norvane::kernel_test {

using namespace std::chrono_literals;

// A "physical" keyboard or mouse, made with uinput by the test.
class FakeDevice {
public:
    static std::unique_ptr<FakeDevice> keyboard(const std::string& name);
    static std::unique_ptr<FakeDevice> mouse(const std::string& name);
    ~FakeDevice();
    FakeDevice(const FakeDevice&) = delete;
    FakeDevice& operator=(const FakeDevice&) = delete;

    void emit(std::uint16_t type, std::uint16_t code, std::int32_t value);
    void syn() { emit(EV_SYN, SYN_REPORT, 0); }
    // One key or button change and its SYN_REPORT.
    void key(std::uint16_t code, std::int32_t value)
    {
        emit(EV_KEY, code, value);
        syn();
    }
    void tap(std::uint16_t code)
    {
        key(code, 1);
        key(code, 0);
    }
    [[nodiscard]] std::string devnode() const;

private:
    explicit FakeDevice(libevdev_uinput* device) : device_(device) {}
    libevdev_uinput* device_;
};

// Reads an event node.
class EventReader {
public:
    explicit EventReader(const std::string& devnode);
    ~EventReader();
    EventReader(const EventReader&) = delete;
    EventReader& operator=(const EventReader&) = delete;
    [[nodiscard]] bool isOpen() const noexcept { return fd_ >= 0; }
    // The next event, waiting at most `timeout`.
    std::optional<input_event> next(std::chrono::milliseconds timeout);
    // Throws away what is pending.
    void discard();

private:
    int fd_ = -1;
};

// The keys and buttons down on a device, as the kernel sees it (all when the
// node cannot be read).
[[nodiscard]] bool anyKeyDown(const std::string& devnode);
[[nodiscard]] bool keyDown(const std::string& devnode, std::uint16_t code);
[[nodiscard]] bool ledOn(const std::string& devnode, std::uint16_t led);
// Writes an LED change to a device, as the desktop does to a keyboard.
void setLed(const std::string& devnode, std::uint16_t led, bool on);
// Whether another reader holds a grab on the device: tried with a grab of
// our own, let go at once. Racy while that reader may be grabbing.
[[nodiscard]] bool grabbedByAnother(const std::string& devnode);

// Polls `condition` (running `pump` in between) until it holds or time is up.
bool waitUntil(const std::function<bool()>& condition, const std::function<void()>& pump = {},
               std::chrono::milliseconds timeout = 3s);

} // namespace norvane::kernel_test
