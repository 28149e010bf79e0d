#pragma once

#include <QRect>

#include <string>
#include <xcb/xcb.h>

namespace norvane::testing {

// Looks at the X server from a connection of its own, as another client
// would: which window is active and focused, where a window is, which one
// the pointer is over.
class XProbe {
public:
    explicit XProbe(const std::string& display);
    ~XProbe();
    XProbe(const XProbe&) = delete;
    XProbe& operator=(const XProbe&) = delete;

    // _NET_ACTIVE_WINDOW as the window manager sets it.
    [[nodiscard]] xcb_window_t activeWindow();
    [[nodiscard]] xcb_window_t inputFocus();
    [[nodiscard]] bool viewable(xcb_window_t window);
    // In root coordinates.
    [[nodiscard]] QRect geometry(xcb_window_t window);
    // The top-level window that would get a click at the pointer, or none.
    [[nodiscard]] xcb_window_t windowUnderPointer();
    // A dock along the bottom of the whole screen, `height` pixels high, that
    // the window manager keeps out of the available area.
    xcb_window_t addBottomDock(int height);

private:
    xcb_atom_t atom(const char* name);

    xcb_connection_t* conn_;
    xcb_window_t root_;
};

} // namespace norvane::testing
