#include "platform/linux/input/device_class.h"

#include "platform/linux/input/key_translation.h"

namespace norvane::linux_input {

namespace {

bool hasLetterRow(const DeviceCaps& caps)
{
    for (unsigned code = KEY_Q; code <= KEY_P; ++code) {
        if (!caps.key[code]) {
            return false;
        }
    }
    return caps.key[KEY_A] && caps.key[KEY_Z] && caps.key[KEY_SPACE];
}

bool hasExtraButton(const DeviceCaps& caps)
{
    for (unsigned code = BTN_MIDDLE; code < BTN_JOYSTICK; ++code) {
        if (caps.key[code]) {
            return true;
        }
    }
    return false;
}

} // namespace

DeviceClass classify(const DeviceCaps& caps) noexcept
{
    if (caps.vendor == outputVendor && caps.name == outputName) {
        return DeviceClass::ownOutput;
    }
    const bool absolute = caps.ev[EV_ABS] && ((caps.abs[ABS_X] && caps.abs[ABS_Y]) ||
                                              (caps.abs[ABS_MT_POSITION_X] && caps.abs[ABS_MT_POSITION_Y]));
    const bool pen = caps.key[BTN_TOOL_PEN] || caps.key[BTN_STYLUS] || caps.key[BTN_TOOL_RUBBER] ||
                     caps.key[BTN_TOOL_BRUSH] || caps.key[BTN_TOOL_AIRBRUSH];
    if (pen || (absolute && caps.props[INPUT_PROP_DIRECT])) {
        return DeviceClass::tablet;
    }
    if (absolute && (caps.key[BTN_TOOL_FINGER] || caps.key[BTN_TOUCH] || caps.props[INPUT_PROP_POINTER] ||
                     caps.props[INPUT_PROP_BUTTONPAD])) {
        return DeviceClass::touchpad;
    }
    if (!caps.ev[EV_KEY]) {
        return DeviceClass::other;
    }
    if (hasLetterRow(caps)) {
        return DeviceClass::keyboard;
    }
    if (caps.ev[EV_REL] && caps.rel[REL_X] && caps.rel[REL_Y] && caps.key[BTN_LEFT]) {
        return hasExtraButton(caps) ? DeviceClass::mouse : DeviceClass::plainMouse;
    }
    return DeviceClass::other;
}

std::string_view className(DeviceClass c) noexcept
{
    switch (c) {
    case DeviceClass::keyboard:
        return "keyboard";
    case DeviceClass::mouse:
        return "mouse";
    case DeviceClass::plainMouse:
        return "mouse (no extra buttons)";
    case DeviceClass::touchpad:
        return "touchpad";
    case DeviceClass::tablet:
        return "tablet/touchscreen";
    case DeviceClass::ownOutput:
        return "Norvane output";
    case DeviceClass::other:
        return "other";
    }
    return "other";
}

} // namespace norvane::linux_input
