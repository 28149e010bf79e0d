#include "x_windows.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace norvane::testing {

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

} // namespace

std::vector<ManagedWindow> managedWindows(const std::string& display)
{
    std::vector<ManagedWindow> out;
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(c) != 0) {
        xcb_disconnect(c);
        return out;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t clientList = atom(c, "_NET_CLIENT_LIST");
    const xcb_atom_t wmName = atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING");
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> list(
        xcb_get_property_reply(c, xcb_get_property(c, 0, root, clientList, XCB_ATOM_WINDOW, 0, 1024), nullptr),
        &std::free);
    if (list) {
        const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(list.get()));
        const int n = xcb_get_property_value_length(list.get()) / 4;
        for (int i = 0; i < n; ++i) {
            ManagedWindow w;
            w.id = ids[i];
            std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> name(
                xcb_get_property_reply(c, xcb_get_property(c, 0, ids[i], wmName, utf8, 0, 256), nullptr), &std::free);
            if (name) {
                w.title.assign(static_cast<const char*>(xcb_get_property_value(name.get())),
                               static_cast<std::size_t>(xcb_get_property_value_length(name.get())));
            }
            std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
                xcb_get_geometry_reply(c, xcb_get_geometry(c, ids[i]), nullptr), &std::free);
            if (geometry) {
                w.width = geometry->width;
                w.height = geometry->height;
            }
            std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
                xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, ids[i]), nullptr), &std::free);
            w.viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            out.push_back(std::move(w));
        }
    }
    xcb_disconnect(c);
    return out;
}

} // namespace norvane::testing
