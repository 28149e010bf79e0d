#pragma once

#include "platform/linux/workspace/app_identity.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

namespace norvane::linux_workspace {

// What the window manager and the client have set on one X11 window.
struct X11WindowProps {
    std::string wmClass;
    std::string wmInstance;
    std::string gtkAppID;
    int pid = 0;
    xcb_window_t transientFor = XCB_WINDOW_NONE;
    bool normalType = true;   // _NET_WM_WINDOW_TYPE absent or NORMAL
    bool skipTaskbar = false; // _NET_WM_STATE_SKIP_TASKBAR
    bool hidden = false;      // _NET_WM_STATE_HIDDEN, or ICCCM IconicState
    bool exists = false;      // the window was still there
};

// One connection to an X server with the atoms this folder uses. Not
// thread-safe by itself: each user keeps its own or serialises calls.
class X11Connection {
public:
    X11Connection() = default;
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    // Connects to `display` (empty: $DISPLAY); returns the reason on failure.
    std::optional<std::string> open(const std::string& display);
    [[nodiscard]] bool broken() const;
    [[nodiscard]] int fd() const;
    [[nodiscard]] xcb_connection_t* raw() const noexcept { return conn_; }
    [[nodiscard]] xcb_window_t root() const noexcept { return root_; }
    [[nodiscard]] xcb_atom_t activeWindowAtom() const noexcept { return ewmh_._NET_ACTIVE_WINDOW; }

    // Asks for PropertyNotify on the root window (the active window changes).
    void watchRoot();
    // Asks for DestroyNotify and UnmapNotify of a window.
    void watchWindow(xcb_window_t window);

    [[nodiscard]] xcb_window_t activeWindow();
    // Managed windows, bottom of the stack first.
    [[nodiscard]] std::vector<xcb_window_t> clientList();
    [[nodiscard]] X11WindowProps properties(xcb_window_t window);
    // The window's identity; a window that names nothing (a bare dialog)
    // takes its owner's, following WM_TRANSIENT_FOR.
    [[nodiscard]] WindowIdentity identity(xcb_window_t window, X11WindowProps* ownProps = nullptr);

    // EWMH activation (as a pager would ask: de-iconifies and switches desktop).
    void requestActivate(xcb_window_t window);
    // ICCCM iconify request.
    void requestIconify(xcb_window_t window);
    void flush();

private:
    xcb_connection_t* conn_ = nullptr;
    xcb_ewmh_connection_t ewmh_{};
    bool ewmhReady_ = false;
    int screen_ = 0;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    xcb_atom_t gtkAppID_ = XCB_ATOM_NONE;
    xcb_atom_t wmChangeState_ = XCB_ATOM_NONE;
    xcb_atom_t wmState_ = XCB_ATOM_NONE;
};

} // namespace norvane::linux_workspace
