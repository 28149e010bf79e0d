#include "test_window.h"

#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string_view>
#include <unistd.h>

namespace norvane::testing {

namespace {

xcb_atom_t atom(xcb_connection_t* c, std::string_view name)
{
    auto* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr);
    const auto a = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return a;
}

void setProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type, std::uint8_t format,
                 const void* data, std::size_t count)
{
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, format, static_cast<std::uint32_t>(count), data);
}

} // namespace

TestWindow::TestWindow(const std::string& display, const WindowSpec& window)
{
    conn_ = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(conn_)) {
        return;
    }
    const auto* screen = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data;
    window_ = xcb_generate_id(conn_);
    const std::uint32_t mask = XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_create_window(conn_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 200, 150, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK, &mask);
    if (!window.wmClass.empty() || !window.wmInstance.empty()) {
        std::string value = window.wmInstance;
        value.push_back('\0');
        value += window.wmClass;
        value.push_back('\0');
        setProperty(conn_, window_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, value.data(), value.size());
    }
    if (!window.gtkAppID.empty()) {
        setProperty(conn_, window_, atom(conn_, "_GTK_APPLICATION_ID"), atom(conn_, "UTF8_STRING"), 8,
                    window.gtkAppID.data(), window.gtkAppID.size());
    }
    if (window.pid != 0) {
        const auto pid = static_cast<std::uint32_t>(window.pid);
        setProperty(conn_, window_, atom(conn_, "_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, &pid, 1);
    }
    if (window.transientFor != XCB_WINDOW_NONE) {
        setProperty(conn_, window_, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32, &window.transientFor, 1);
    }
    if (window.skipTaskbar) {
        const auto state = atom(conn_, "_NET_WM_STATE_SKIP_TASKBAR");
        setProperty(conn_, window_, atom(conn_, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32, &state, 1);
    }
    xcb_map_window(conn_, window_);
    xcb_flush(conn_);
}

TestWindow::~TestWindow()
{
    if (conn_) {
        xcb_disconnect(conn_);
    }
}

void TestWindow::destroy()
{
    xcb_destroy_window(conn_, window_);
    xcb_flush(conn_);
}

xcb_generic_event_t* TestWindow::nextEvent(std::chrono::steady_clock::time_point deadline)
{
    while (true) {
        if (auto* event = xcb_poll_for_event(conn_)) {
            return event;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd fd{xcb_get_file_descriptor(conn_), POLLIN, 0};
        if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0 || xcb_connection_has_error(conn_)) {
            return xcb_poll_for_event(conn_);
        }
    }
}

std::optional<KeyPress> TestWindow::nextKeyPress(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (auto* event = nextEvent(deadline)) {
        const auto type = event->response_type & 0x7F;
        if (type == XCB_MAP_NOTIFY || type == XCB_UNMAP_NOTIFY) {
            mapped_ = type == XCB_MAP_NOTIFY;
        }
        if (type == XCB_KEY_PRESS) {
            const auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
            const KeyPress press{key->detail, key->state};
            std::free(event);
            return press;
        }
        std::free(event);
    }
    return std::nullopt;
}

bool TestWindow::waitMapped(bool mapped, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (mapped_ != mapped) {
        auto* event = nextEvent(deadline);
        if (!event) {
            return false;
        }
        const auto type = event->response_type & 0x7F;
        if (type == XCB_MAP_NOTIFY || type == XCB_UNMAP_NOTIFY) {
            mapped_ = type == XCB_MAP_NOTIFY;
        }
        std::free(event);
    }
    return true;
}

int runTestClient(const std::string& wmClass)
{
    const char* display = std::getenv("DISPLAY");
    TestWindow window(display ? display : "", {wmClass, wmClass, {}, static_cast<int>(getpid()), {}, false});
    window.runUntilClosed();
    return 0;
}

void TestWindow::runUntilClosed()
{
    while (auto* event = xcb_wait_for_event(conn_)) {
        std::free(event);
    }
}

} // namespace norvane::testing
