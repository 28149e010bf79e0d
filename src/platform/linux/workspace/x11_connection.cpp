#include "platform/linux/workspace/x11_connection.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace norvane::linux_workspace {

namespace {

constexpr std::uint32_t iconicState = 3; // ICCCM WM_STATE / WM_CHANGE_STATE

struct FreeDeleter {
    void operator()(void* p) const noexcept { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

Reply<xcb_get_property_reply_t> propertyReply(xcb_connection_t* c, xcb_get_property_cookie_t cookie)
{
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, &error));
    std::free(error);
    return reply;
}

xcb_get_property_cookie_t askProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t atom)
{
    return xcb_get_property(c, 0, w, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
}

std::string_view bytes(const xcb_get_property_reply_t* r)
{
    if (!r || r->format != 8) {
        return {};
    }
    const auto n = static_cast<std::size_t>(xcb_get_property_value_length(r));
    return {static_cast<const char*>(xcb_get_property_value(r)), n};
}

template <typename T> std::vector<T> items32(const xcb_get_property_reply_t* r)
{
    if (!r || r->format != 32) {
        return {};
    }
    const auto n = static_cast<std::size_t>(xcb_get_property_value_length(r)) / 4;
    if (n == 0) {
        return {};
    }
    std::vector<T> out(n);
    std::memcpy(out.data(), xcb_get_property_value(r), n * 4);
    return out;
}

xcb_atom_t intern(xcb_connection_t* c, const char* name)
{
    const auto cookie = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

} // namespace

X11Connection::~X11Connection()
{
    if (ewmhReady_) {
        xcb_ewmh_connection_wipe(&ewmh_);
    }
    if (conn_) {
        xcb_disconnect(conn_);
    }
}

std::optional<std::string> X11Connection::open(const std::string& display)
{
    conn_ = xcb_connect(display.empty() ? nullptr : display.c_str(), &screen_);
    if (xcb_connection_has_error(conn_)) {
        return "cannot connect to the X server " + (display.empty() ? std::string("$DISPLAY") : display);
    }
    auto* cookies = xcb_ewmh_init_atoms(conn_, &ewmh_);
    if (!xcb_ewmh_init_atoms_replies(&ewmh_, cookies, nullptr)) {
        return "cannot read the EWMH atoms";
    }
    ewmhReady_ = true;
    if (screen_ < 0 || screen_ >= ewmh_.nb_screens) {
        return "no such X screen";
    }
    root_ = ewmh_.screens[screen_]->root;
    gtkAppID_ = intern(conn_, "_GTK_APPLICATION_ID");
    wmChangeState_ = intern(conn_, "WM_CHANGE_STATE");
    wmState_ = intern(conn_, "WM_STATE");
    return std::nullopt;
}

bool X11Connection::broken() const
{
    return !conn_ || xcb_connection_has_error(conn_) != 0;
}

int X11Connection::fd() const
{
    return xcb_get_file_descriptor(conn_);
}

void X11Connection::watchRoot()
{
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(conn_, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(conn_);
}

void X11Connection::watchWindow(xcb_window_t window)
{
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(conn_, window, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(conn_);
}

xcb_window_t X11Connection::activeWindow()
{
    xcb_window_t window = XCB_WINDOW_NONE;
    if (!xcb_ewmh_get_active_window_reply(&ewmh_, xcb_ewmh_get_active_window(&ewmh_, screen_), &window, nullptr)) {
        return XCB_WINDOW_NONE;
    }
    return window;
}

std::vector<xcb_window_t> X11Connection::clientList()
{
    const auto stacking = propertyReply(conn_, askProperty(conn_, root_, ewmh_._NET_CLIENT_LIST_STACKING));
    auto windows = items32<xcb_window_t>(stacking.get());
    if (windows.empty()) {
        const auto plain = propertyReply(conn_, askProperty(conn_, root_, ewmh_._NET_CLIENT_LIST));
        windows = items32<xcb_window_t>(plain.get());
    }
    return windows;
}

X11WindowProps X11Connection::properties(xcb_window_t w)
{
    // All requests first, then the replies: one round trip.
    const auto cClass = askProperty(conn_, w, XCB_ATOM_WM_CLASS);
    const auto cGtk = askProperty(conn_, w, gtkAppID_);
    const auto cPid = askProperty(conn_, w, ewmh_._NET_WM_PID);
    const auto cTransient = askProperty(conn_, w, XCB_ATOM_WM_TRANSIENT_FOR);
    const auto cType = askProperty(conn_, w, ewmh_._NET_WM_WINDOW_TYPE);
    const auto cState = askProperty(conn_, w, ewmh_._NET_WM_STATE);
    const auto cIcccm = askProperty(conn_, w, wmState_);

    X11WindowProps p;
    const auto rClass = propertyReply(conn_, cClass);
    p.exists = rClass != nullptr;
    // WM_CLASS is "instance\0class\0".
    if (const auto text = bytes(rClass.get()); !text.empty()) {
        const auto nul = text.find('\0');
        p.wmInstance = std::string(text.substr(0, nul));
        if (nul != std::string_view::npos) {
            auto rest = text.substr(nul + 1);
            p.wmClass = std::string(rest.substr(0, rest.find('\0')));
        }
    }
    const auto rGtk = propertyReply(conn_, cGtk);
    p.gtkAppID = std::string(bytes(rGtk.get()));
    const auto rPid = propertyReply(conn_, cPid);
    if (const auto pids = items32<std::uint32_t>(rPid.get()); !pids.empty()) {
        p.pid = static_cast<int>(pids.front());
    }
    const auto rTransient = propertyReply(conn_, cTransient);
    if (const auto owners = items32<xcb_window_t>(rTransient.get()); !owners.empty()) {
        p.transientFor = owners.front();
    }
    const auto rType = propertyReply(conn_, cType);
    if (const auto types = items32<xcb_atom_t>(rType.get()); !types.empty()) {
        p.normalType = types.front() == ewmh_._NET_WM_WINDOW_TYPE_NORMAL;
    }
    const auto rState = propertyReply(conn_, cState);
    for (const auto atom : items32<xcb_atom_t>(rState.get())) {
        p.skipTaskbar = p.skipTaskbar || atom == ewmh_._NET_WM_STATE_SKIP_TASKBAR;
        p.hidden = p.hidden || atom == ewmh_._NET_WM_STATE_HIDDEN;
    }
    const auto rIcccm = propertyReply(conn_, cIcccm);
    if (const auto state = items32<std::uint32_t>(rIcccm.get()); !state.empty()) {
        p.hidden = p.hidden || state.front() == iconicState;
    }
    return p;
}

WindowIdentity X11Connection::identity(xcb_window_t window, X11WindowProps* ownProps)
{
    auto props = properties(window);
    if (ownProps) {
        *ownProps = props;
    }
    WindowIdentity id;
    id.pid = props.pid;
    // A dialog without a class of its own belongs to its owner.
    for (int depth = 0; depth < 8; ++depth) {
        if (!props.wmClass.empty() || !props.gtkAppID.empty() || props.transientFor == XCB_WINDOW_NONE ||
            props.transientFor == window) {
            break;
        }
        window = props.transientFor;
        props = properties(window);
        if (id.pid == 0) {
            id.pid = props.pid;
        }
    }
    id.appID = props.gtkAppID;
    id.wmClass = props.wmClass;
    id.wmInstance = props.wmInstance;
    return id;
}

void X11Connection::requestActivate(xcb_window_t window)
{
    xcb_ewmh_request_change_active_window(&ewmh_, screen_, window, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER, XCB_CURRENT_TIME,
                                          XCB_WINDOW_NONE);
    xcb_flush(conn_);
}

void X11Connection::requestIconify(xcb_window_t window)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = wmChangeState_;
    event.data.data32[0] = iconicState;
    xcb_send_event(conn_, 0, root_, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(conn_);
}

void X11Connection::flush()
{
    xcb_flush(conn_);
}

} // namespace norvane::linux_workspace
