#include "xtest_emitter.h"

#include "model/combo.h"

#include <cstdlib>
#include <xcb/xtest.h>

namespace norvane::testing {

namespace {

std::uint8_t keycodeFor(std::int64_t virtualKey)
{
    switch (virtualKey) {
    case 40: // k
        return XTestEmitter::keycodeK;
    case 0: // a
        return 38;
    default:
        return 0;
    }
}

} // namespace

XTestEmitter::XTestEmitter(const std::string& display)
    : conn_(xcb_connect(display.c_str(), nullptr)), root_(xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root)
{}

XTestEmitter::~XTestEmitter()
{
    xcb_disconnect(conn_);
}

void XTestEmitter::fake(bool press, std::uint8_t keycode)
{
    xcb_test_fake_input(conn_, press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME, root_, 0, 0, 0);
}

void XTestEmitter::emitKeys(std::vector<InputEvent> events, std::function<void()> done)
{
    ++calls;
    bool control = false;
    for (const auto& e : events) {
        const bool wantControl = (e.flags & mod::control) != 0;
        if (wantControl != control) {
            fake(wantControl, keycodeControl);
            control = wantControl;
        }
        fake(e.type == EventType::keyDown, keycodeFor(e.keyCode));
    }
    if (control) {
        fake(false, keycodeControl);
    }
    // A round trip: the server has handled every fake event after it.
    std::free(xcb_get_input_focus_reply(conn_, xcb_get_input_focus(conn_), nullptr));
    done();
}

} // namespace norvane::testing
