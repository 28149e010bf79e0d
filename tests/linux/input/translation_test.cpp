#include "model/keys.h"
#include "platform/linux/input/key_translation.h"
#include "platform/linux/input/modifier_state.h"

#include <gtest/gtest.h>
#include <set>

namespace norvane::linux_input {
namespace {

TEST(KeyTranslation, EveryNamedKeyOfTheModelHasAnEvdevKeyAndComesBack)
{
    for (const auto& named : keyCodes) {
        const auto evdev = evdevKeyFor(named.code);
        ASSERT_TRUE(evdev.has_value()) << named.name;
        EXPECT_EQ(virtualKeyFor(*evdev), named.code) << named.name;
    }
}

TEST(KeyTranslation, TableIsOneToOneAndUnmappedKeysUseTheHighRange)
{
    std::set<int> evdev;
    std::set<std::int64_t> virtualKeys;
    for (const auto& pair : keyTable()) {
        EXPECT_TRUE(evdev.insert(pair.evdev).second) << pair.evdev;
        EXPECT_TRUE(virtualKeys.insert(pair.virtualKey).second) << pair.virtualKey;
        EXPECT_EQ(evdevKeyFor(pair.virtualKey), pair.evdev);
    }
    EXPECT_EQ(virtualKeyFor(KEY_PLAYPAUSE), unmappedKeyBase + KEY_PLAYPAUSE);
    EXPECT_EQ(evdevKeyFor(unmappedKeyBase + KEY_PLAYPAUSE), KEY_PLAYPAUSE);
    // A mapped key is only ever written with its virtual code.
    EXPECT_FALSE(evdevKeyFor(unmappedKeyBase + KEY_A).has_value());
    // Virtual codes no evdev key produces, and codes out of range.
    EXPECT_FALSE(evdevKeyFor(52).has_value());
    EXPECT_FALSE(evdevKeyFor(-1).has_value());
    EXPECT_FALSE(evdevKeyFor(unmappedKeyBase + KEY_CNT).has_value());
    EXPECT_FALSE(evdevKeyFor(65535).has_value());
}

TEST(KeyTranslation, MouseButtonNumbers)
{
    const std::pair<int, std::int64_t> buttons[] = {{BTN_MIDDLE, 2},  {BTN_SIDE, 3}, {BTN_EXTRA, 4},
                                                    {BTN_FORWARD, 5}, {BTN_BACK, 6}, {BTN_TASK, 7}};
    for (const auto& [code, number] : buttons) {
        EXPECT_EQ(buttonNumberFor(static_cast<std::uint16_t>(code)), number);
        EXPECT_EQ(keyKind(static_cast<std::uint16_t>(code)), KeyKind::extraButton);
    }
    EXPECT_EQ(buttonNumberFor(BTN_TASK + 1), 8);
    for (const int code : {BTN_LEFT, BTN_RIGHT, BTN_JOYSTICK}) {
        EXPECT_FALSE(buttonNumberFor(static_cast<std::uint16_t>(code)).has_value()) << code;
    }

    EXPECT_EQ(keyKind(BTN_LEFT), KeyKind::button);
    EXPECT_EQ(keyKind(BTN_TOUCH), KeyKind::button);
    EXPECT_EQ(keyKind(KEY_RIGHTALT), KeyKind::modifier);
    EXPECT_EQ(keyKind(KEY_CAPSLOCK), KeyKind::lock);
    EXPECT_EQ(keyKind(KEY_K), KeyKind::key);
    EXPECT_EQ(keyKind(KEY_PLAYPAUSE), KeyKind::key);
}

TEST(ModifierState, TargetForFlags)
{
    constexpr ModifierMask lctrl = 1, rctrl = 2, lalt = 4, lshift = 16, rshift = 32, lmeta = 64;
    struct Case {
        std::uint64_t flags;
        ModifierMask emitted, physical, expected;
    };
    const Case cases[] = {
        {0, lctrl | lalt, lctrl | lalt, 0},                              // drop everything
        {mod::command, lctrl | lalt, lctrl | lalt, lmeta},               // swap to the left meta
        {mod::control, rctrl, rctrl, rctrl},                             // keep the side already out
        {mod::shift, 0, rshift, rshift},                                 // add the side the user holds
        {mod::shift | mod::control, lctrl, 0, lctrl | lshift},           // add the left side
        {mod::control | mod::capsLock, lctrl | rctrl, 0, lctrl | rctrl}, // caps lock is no modifier key
    };
    for (const auto& c : cases) {
        EXPECT_EQ(modifiersFor(c.flags, c.emitted, c.physical), c.expected) << std::hex << c.flags;
    }
}

TEST(KeyTranslation, EveryMediaKeyIsItsOwnEvdevKey)
{
    const std::pair<MediaKey, std::uint16_t> expected[] = {
        {MediaKey::playPause, KEY_PLAYPAUSE},   {MediaKey::next, KEY_NEXTSONG},
        {MediaKey::previous, KEY_PREVIOUSSONG}, {MediaKey::volumeUp, KEY_VOLUMEUP},
        {MediaKey::volumeDown, KEY_VOLUMEDOWN}, {MediaKey::mute, KEY_MUTE},
    };
    ASSERT_EQ(std::size(expected), allMediaKeys.size());
    for (const auto& [key, code] : expected) {
        EXPECT_EQ(evdevMediaKeyFor(key), code) << info(key).id;
    }
}

} // namespace
} // namespace norvane::linux_input
