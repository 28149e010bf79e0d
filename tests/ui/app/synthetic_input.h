#pragma once

#include <QPoint>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <xcb/xcb.h>

namespace norvane::testing {

// A person's pointer and keyboard on an X display, through the XTEST
// extension: the events reach whichever window the pointer is over or has
// the focus, as real input would.
class SyntheticInput {
public:
    explicit SyntheticInput(const std::string& display);
    ~SyntheticInput();
    SyntheticInput(const SyntheticInput&) = delete;
    SyntheticInput& operator=(const SyntheticInput&) = delete;

    [[nodiscard]] bool ok() const;

    // Moves the pointer to `at` (root coordinates) and clicks the left button.
    void click(QPoint at);
    // Presses the keys in order and lets them go in reverse, like a chord
    // typed by hand. Keys are evdev codes (linux/input-event-codes.h).
    void chord(std::initializer_list<std::uint8_t> evdevKeys);

    // evdev codes of the keys the tests type.
    static constexpr std::uint8_t keyLeftCtrl = 29;
    static constexpr std::uint8_t keyLeftShift = 42;
    static constexpr std::uint8_t keyK = 37;
    static constexpr std::uint8_t keyL = 38;

private:
    void fake(std::uint8_t type, std::uint8_t detail, QPoint at = {});
    // Returns once the server has handled every request sent before.
    void sync();

    xcb_connection_t* conn_;
    xcb_window_t root_ = XCB_WINDOW_NONE;
};

} // namespace norvane::testing
