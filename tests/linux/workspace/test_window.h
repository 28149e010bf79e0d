#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <xcb/xcb.h>

namespace norvane::testing {

struct WindowSpec {
    std::string wmClass;
    std::string wmInstance;
    std::string gtkAppID;
    int pid = 0;
    xcb_window_t transientFor = XCB_WINDOW_NONE;
    bool skipTaskbar = false;
};

struct KeyPress {
    std::uint8_t keycode = 0;
    std::uint16_t state = 0;
};

// A top-level window of a client of its own (its own X connection), as an
// application would create it: WM_CLASS, _NET_WM_PID and the rest set before
// it is mapped.
class TestWindow {
public:
    TestWindow(const std::string& display, const WindowSpec& window);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    [[nodiscard]] xcb_window_t id() const noexcept { return window_; }
    [[nodiscard]] int fd() const { return xcb_get_file_descriptor(conn_); }
    // The next key press delivered to this window.
    std::optional<KeyPress> nextKeyPress(std::chrono::milliseconds limit);
    // Waits until the window manager has mapped (true) or unmapped it.
    bool waitMapped(bool mapped, std::chrono::milliseconds limit);
    void destroy();
    // Handles events until the server goes away.
    void runUntilClosed();

private:
    xcb_generic_event_t* nextEvent(std::chrono::steady_clock::time_point deadline);

    xcb_connection_t* conn_ = nullptr;
    xcb_window_t window_ = XCB_WINDOW_NONE;
    bool mapped_ = false;
};

// Serves as an application started through its desktop entry: one window of
// class `wmClass` with this process's pid, until the X server goes away.
int runTestClient(const std::string& wmClass);

} // namespace norvane::testing
