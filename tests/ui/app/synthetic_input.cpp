#include "synthetic_input.h"

#include <cstdlib>
#include <xcb/xtest.h>

namespace norvane::testing {

namespace {

// The X server's keycodes are evdev codes shifted by 8 under the evdev
// keymap Xvfb and every current X server use.
constexpr std::uint8_t evdevToX = 8;
constexpr std::uint8_t leftButton = 1;

} // namespace

SyntheticInput::SyntheticInput(const std::string& display) : conn_(xcb_connect(display.c_str(), nullptr))
{
    if (!xcb_connection_has_error(conn_)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
    }
}

SyntheticInput::~SyntheticInput()
{
    xcb_disconnect(conn_);
}

bool SyntheticInput::ok() const
{
    return xcb_connection_has_error(conn_) == 0 && root_ != XCB_WINDOW_NONE;
}

void SyntheticInput::fake(std::uint8_t type, std::uint8_t detail, QPoint at)
{
    xcb_test_fake_input(conn_, type, detail, XCB_CURRENT_TIME, root_, static_cast<std::int16_t>(at.x()),
                        static_cast<std::int16_t>(at.y()), 0);
}

void SyntheticInput::sync()
{
    std::free(xcb_get_input_focus_reply(conn_, xcb_get_input_focus(conn_), nullptr));
}

void SyntheticInput::click(QPoint at)
{
    // The pointer arrives first, as a hand's would: the window sees it enter
    // and hover before the press.
    fake(XCB_MOTION_NOTIFY, 0, at);
    sync();
    fake(XCB_BUTTON_PRESS, leftButton);
    fake(XCB_BUTTON_RELEASE, leftButton);
    sync();
}

void SyntheticInput::chord(std::initializer_list<std::uint8_t> evdevKeys)
{
    for (const auto key : evdevKeys) {
        fake(XCB_KEY_PRESS, static_cast<std::uint8_t>(key + evdevToX));
    }
    for (auto it = std::rbegin(evdevKeys); it != std::rend(evdevKeys); ++it) {
        fake(XCB_KEY_RELEASE, static_cast<std::uint8_t>(*it + evdevToX));
    }
    sync();
}

} // namespace norvane::testing
