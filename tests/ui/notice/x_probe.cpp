#include "x_probe.h"

#include "test_desktop.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace norvane::testing {

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T> Reply<T> own(T* reply)
{
    return {reply, &std::free};
}

} // namespace

XProbe::XProbe(const std::string& display) : conn_(xcb_connect(display.c_str(), nullptr))
{
    root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
}

XProbe::~XProbe()
{
    xcb_disconnect(conn_);
}

xcb_atom_t XProbe::atom(const char* name)
{
    const auto reply = own(xcb_intern_atom_reply(
        conn_, xcb_intern_atom(conn_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_window_t XProbe::activeWindow()
{
    const auto reply = own(xcb_get_property_reply(
        conn_, xcb_get_property(conn_, 0, root_, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 0, 1), nullptr));
    if (!reply || xcb_get_property_value_length(reply.get()) < 4) {
        return XCB_WINDOW_NONE;
    }
    return *static_cast<xcb_window_t*>(xcb_get_property_value(reply.get()));
}

xcb_window_t XProbe::inputFocus()
{
    const auto reply = own(xcb_get_input_focus_reply(conn_, xcb_get_input_focus(conn_), nullptr));
    return reply ? reply->focus : xcb_window_t{XCB_WINDOW_NONE};
}

bool XProbe::viewable(xcb_window_t window)
{
    const auto reply = own(xcb_get_window_attributes_reply(conn_, xcb_get_window_attributes(conn_, window), nullptr));
    return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
}

QRect XProbe::geometry(xcb_window_t window)
{
    const auto size = own(xcb_get_geometry_reply(conn_, xcb_get_geometry(conn_, window), nullptr));
    const auto origin =
        own(xcb_translate_coordinates_reply(conn_, xcb_translate_coordinates(conn_, window, root_, 0, 0), nullptr));
    if (!size || !origin) {
        return {};
    }
    return {origin->dst_x, origin->dst_y, size->width, size->height};
}

xcb_window_t XProbe::windowUnderPointer()
{
    // The server finds the pointer's window through the input shapes, so a
    // window transparent for input is not the child found here.
    const auto reply = own(xcb_query_pointer_reply(conn_, xcb_query_pointer(conn_, root_), nullptr));
    return reply ? reply->child : xcb_window_t{XCB_WINDOW_NONE};
}

xcb_window_t XProbe::addBottomDock(int height)
{
    const auto window = xcb_generate_id(conn_);
    const auto top = static_cast<std::int16_t>(TestDesktop::height - height);
    xcb_create_window(conn_, XCB_COPY_FROM_PARENT, window, root_, 0, top, TestDesktop::width,
                      static_cast<std::uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0,
                      nullptr);
    const auto dock = atom("_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &dock);
    // left, right, top, bottom, then the start and end of each edge's span.
    const std::array<std::uint32_t, 12> strut{
        0, 0, 0, static_cast<std::uint32_t>(height), 0, 0, 0, 0, 0, 0, 0, TestDesktop::width - 1};
    xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL, 32,
                        static_cast<std::uint32_t>(strut.size()), strut.data());
    xcb_map_window(conn_, window);
    xcb_flush(conn_);
    return window;
}

} // namespace norvane::testing
