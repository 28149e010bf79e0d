#pragma once

#include <string>
#include <vector>

namespace norvane::testing {

// A top-level window the window manager manages, as a panel would list it.
struct ManagedWindow {
    unsigned long id = 0;
    std::string title; // _NET_WM_NAME
    int width = 0;
    int height = 0;
    bool viewable = false;
};

// The windows in _NET_CLIENT_LIST of the display's root window.
std::vector<ManagedWindow> managedWindows(const std::string& display);

} // namespace norvane::testing
