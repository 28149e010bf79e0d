#include "platform/linux/input/device_class.h"

#include <gtest/gtest.h>
#include <initializer_list>

namespace norvane::linux_input {
namespace {

TEST(CapabilityBitmap, ParsesSysfsWords)
{
    std::bitset<KEY_CNT> keys;
    // Two 64-bit words: the last holds bits 0-63.
    ASSERT_TRUE(parseCapabilityBitmap("10000 fffffffffffffffe\n", keys, 64));
    EXPECT_FALSE(keys[0]);
    EXPECT_TRUE(keys[1]);
    EXPECT_TRUE(keys[63]);
    EXPECT_TRUE(keys[64 + 16]);
    EXPECT_EQ(keys.count(), 64U);

    // The same bits from a 32-bit kernel.
    std::bitset<KEY_CNT> narrow;
    ASSERT_TRUE(parseCapabilityBitmap("10000 ffffffff fffffffe", narrow, 32));
    EXPECT_TRUE(narrow[1] && narrow[63] && narrow[64 + 16]);

    std::bitset<EV_CNT> ev;
    ASSERT_TRUE(parseCapabilityBitmap("120013", ev));
    EXPECT_TRUE(ev[EV_SYN] && ev[EV_KEY] && ev[EV_MSC] && ev[EV_LED] && ev[EV_REP]);
    EXPECT_FALSE(ev[EV_REL]);

    // Bits beyond the set are ignored; a lone zero is an empty set.
    std::bitset<INPUT_PROP_CNT> props;
    EXPECT_TRUE(parseCapabilityBitmap("ffff 0", props, 64));
    EXPECT_TRUE(props.none());
    EXPECT_TRUE(parseCapabilityBitmap("0", props));

    for (const char* bad : {"", "\n", "xyz", "12 -3", "1g"}) {
        ev.set(1);
        EXPECT_FALSE(parseCapabilityBitmap(bad, ev)) << bad;
        EXPECT_TRUE(ev.none()) << bad;
    }
}

DeviceCaps withKeys(std::initializer_list<int> keys)
{
    DeviceCaps caps;
    caps.ev.set(EV_SYN).set(EV_KEY);
    for (const int k : keys) {
        caps.key.set(static_cast<std::size_t>(k));
    }
    return caps;
}

DeviceCaps keyboard()
{
    DeviceCaps caps = withKeys({KEY_ESC, KEY_A, KEY_Z, KEY_SPACE, KEY_ENTER});
    for (int k = KEY_Q; k <= KEY_P; ++k) {
        caps.key.set(static_cast<std::size_t>(k));
    }
    caps.ev.set(EV_LED);
    return caps;
}

DeviceCaps mouse(std::initializer_list<int> buttons)
{
    DeviceCaps caps = withKeys(buttons);
    caps.ev.set(EV_REL);
    caps.rel.set(REL_X).set(REL_Y).set(REL_WHEEL);
    return caps;
}

DeviceCaps absolute(std::initializer_list<int> keys)
{
    DeviceCaps caps = withKeys(keys);
    caps.ev.set(EV_ABS);
    caps.abs.set(ABS_X).set(ABS_Y);
    return caps;
}

TEST(DeviceClassification, TakesKeyboardsAndMiceWithExtraButtonsOnly)
{
    DeviceCaps touchscreen = absolute({BTN_TOUCH});
    touchscreen.props.set(INPUT_PROP_DIRECT);
    DeviceCaps clickpad = absolute({BTN_LEFT});
    clickpad.props.set(INPUT_PROP_POINTER).set(INPUT_PROP_BUTTONPAD);
    DeviceCaps comboKeyboard = keyboard(); // a wireless keyboard with a pointing stick
    comboKeyboard.ev.set(EV_REL);
    comboKeyboard.rel.set(REL_X).set(REL_Y);
    comboKeyboard.key.set(BTN_LEFT).set(BTN_MIDDLE);
    DeviceCaps own = keyboard();
    own.name = std::string(outputName);
    own.vendor = outputVendor;
    DeviceCaps lookalike = keyboard(); // same name, other vendor
    lookalike.name = std::string(outputName);

    const std::pair<DeviceCaps, DeviceClass> cases[] = {
        {keyboard(), DeviceClass::keyboard},
        {comboKeyboard, DeviceClass::keyboard},
        {mouse({BTN_LEFT, BTN_RIGHT, BTN_MIDDLE}), DeviceClass::mouse},
        {mouse({BTN_LEFT, BTN_RIGHT, BTN_SIDE, BTN_EXTRA}), DeviceClass::mouse},
        {mouse({BTN_LEFT, BTN_RIGHT}), DeviceClass::plainMouse},
        {absolute({BTN_LEFT, BTN_TOOL_FINGER, BTN_TOUCH}), DeviceClass::touchpad},
        {clickpad, DeviceClass::touchpad},
        {absolute({BTN_TOOL_PEN, BTN_STYLUS, BTN_TOUCH}), DeviceClass::tablet},
        {touchscreen, DeviceClass::tablet},
        {withKeys({KEY_POWER}), DeviceClass::other},
        {withKeys({KEY_PLAYPAUSE, KEY_VOLUMEUP, KEY_VOLUMEDOWN, KEY_MUTE}), DeviceClass::other},
        {absolute({BTN_TRIGGER, BTN_THUMB}), DeviceClass::other}, // joystick
        {own, DeviceClass::ownOutput},
        {lookalike, DeviceClass::keyboard},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(classify(cases[i].first), cases[i].second) << "case " << i;
    }
    EXPECT_TRUE(isTaken(DeviceClass::keyboard));
    EXPECT_TRUE(isTaken(DeviceClass::mouse));
    EXPECT_FALSE(isTaken(DeviceClass::plainMouse));
    EXPECT_FALSE(isTaken(DeviceClass::ownOutput));
}

} // namespace
} // namespace norvane::linux_input
