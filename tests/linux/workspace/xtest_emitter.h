#pragma once

#include "platform/linux/workspace/key_emitter.h"

#include <string>
#include <xcb/xcb.h>

namespace norvane::testing {

// Types through the X server's XTEST extension, standing in for the input
// layer's uinput queue. Knows the few keys the tests use.
class XTestEmitter final : public linux_workspace::KeyEmitter {
public:
    explicit XTestEmitter(const std::string& display);
    ~XTestEmitter() override;
    XTestEmitter(const XTestEmitter&) = delete;
    XTestEmitter& operator=(const XTestEmitter&) = delete;

    void emitKeys(std::vector<InputEvent> events, std::function<void()> done) override;
    int calls = 0;

    // X keycodes of the evdev keymap Xvfb uses.
    static constexpr std::uint8_t keycodeK = 45;
    static constexpr std::uint8_t keycodeControl = 37;

private:
    void fake(bool press, std::uint8_t keycode);
    xcb_connection_t* conn_;
    xcb_window_t root_;
};

} // namespace norvane::testing
