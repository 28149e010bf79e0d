// End-to-end tests of the input layer against the real kernel: "physical"
// devices made with uinput, grabbed by the input layer, remapped by the real
// engine, read back from the output device. Run inside the VM of run_vm.sh.
#include "kernel_fixture.h"

#include <thread>

namespace norvane::kernel_test {
namespace {

constexpr std::string_view rules = R"({
  "version": 2,
  "preferences": {"showHUD": false},
  "groups": [{
    "name": "内核测试",
    "scope": {"mode": "all", "apps": [], "urls": []},
    "mappings": [
      {"trigger": "ctrl+opt+k", "action": {"type": "keys", "keys": "cmd+x"}, "note": ""},
      {"trigger": "f5", "action": {"type": "media", "media": "playpause"}, "note": ""},
      {"trigger": "mouse:2", "action": {"type": "media", "media": "playpause"}, "note": ""}
    ]
  }]
})";

using Keys = std::vector<KeyChange>;

Keys operator+(Keys a, const Keys& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The rules above, with a keyboard the input layer has taken.
class KernelInput : public KernelTest {
protected:
    void startWithRules()
    {
        configure(rules);
        start();
        waitGrabbed(*kb);
    }
    std::unique_ptr<FakeDevice> kb = FakeDevice::keyboard("Test Keyboard");
};

TEST_F(KernelInput, PlainTypingPassesWithASynAfterEachKey)
{
    startWithRules();
    for (const auto& d : input.devices()) {
        EXPECT_NE(d.devnode, input.outputDevnode()) << "the output device must never be taken";
    }

    kb->key(KEY_LEFTSHIFT, 1);
    kb->key(KEY_H, 1);
    kb->key(KEY_H, 2); // an autorepeat passes too
    kb->key(KEY_H, 0);
    kb->key(KEY_LEFTSHIFT, 0);
    kb->tap(KEY_I);
    const auto events = outputEvents(7);
    Keys keys;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i].type == EV_KEY) {
            keys.emplace_back(events[i].code, events[i].value);
            ASSERT_LT(i + 1, events.size());
            EXPECT_EQ(events[i + 1].type, EV_SYN) << "after key " << events[i].code;
        }
    }
    EXPECT_EQ(
        keys,
        (Keys{{KEY_LEFTSHIFT, 1}, {KEY_H, 1}, {KEY_H, 2}, {KEY_H, 0}, {KEY_LEFTSHIFT, 0}, {KEY_I, 1}, {KEY_I, 0}}));
}

TEST_F(KernelInput, RewriteToCmdXRestoresCtrlAndAltAlsoAfterTheRulesChanged)
{
    startWithRules();
    const Keys held = {{KEY_LEFTCTRL, 1}, {KEY_LEFTALT, 1}};
    const Keys swappedIn = {{KEY_LEFTCTRL, 0}, {KEY_LEFTALT, 0}, {KEY_LEFTMETA, 1}, {KEY_X, 1}};
    const Keys swappedOut = {{KEY_X, 0}, {KEY_LEFTMETA, 0}, {KEY_LEFTCTRL, 1}, {KEY_LEFTALT, 1}};
    kb->key(KEY_LEFTCTRL, 1);
    kb->key(KEY_LEFTALT, 1);
    kb->tap(KEY_K);
    EXPECT_EQ(outputKeys(10), held + swappedIn + swappedOut);

    // The key-up of a rewritten key still completes it after the rule is gone.
    kb->key(KEY_K, 1);
    EXPECT_EQ(outputKeys(4), swappedIn);
    clearRules();
    kb->key(KEY_K, 0);
    EXPECT_EQ(outputKeys(4), swappedOut);
    // Without the rule the combination passes as typed.
    kb->tap(KEY_K);
    kb->key(KEY_LEFTALT, 0);
    kb->key(KEY_LEFTCTRL, 0);
    EXPECT_EQ(outputKeys(4), (Keys{{KEY_K, 1}, {KEY_K, 0}, {KEY_LEFTALT, 0}, {KEY_LEFTCTRL, 0}}));
}

TEST_F(KernelInput, MediaRuleDropsItsTriggerAndEmitsPlayPause)
{
    startWithRules();
    kb->key(KEY_F5, 1);
    kb->key(KEY_F5, 2);
    kb->key(KEY_F5, 0);
    EXPECT_EQ(outputKeys(2), (Keys{{KEY_PLAYPAUSE, 1}, {KEY_PLAYPAUSE, 0}}));
}

TEST_F(KernelInput, MiddleButtonBoundToPlayPauseIsSwallowedWhileMotionAndLeftClicksPass)
{
    auto mouse = FakeDevice::mouse("Test Mouse");
    startWithRules();
    waitGrabbed(*mouse);

    mouse->emit(EV_REL, REL_X, 7);
    mouse->emit(EV_REL, REL_Y, -2);
    mouse->syn();
    mouse->tap(BTN_LEFT);
    mouse->tap(BTN_MIDDLE);
    mouse->emit(EV_REL, REL_WHEEL_HI_RES, 120);
    mouse->emit(EV_REL, REL_WHEEL, 1);
    mouse->syn();
    Keys keys;
    std::vector<std::pair<int, int>> motion;
    for (const auto& ev : outputEvents(4, 300ms)) {
        if (ev.type == EV_KEY) {
            keys.emplace_back(ev.code, ev.value);
        } else if (ev.type == EV_REL) {
            motion.emplace_back(ev.code, ev.value);
        }
    }
    EXPECT_EQ(keys, (Keys{{BTN_LEFT, 1}, {BTN_LEFT, 0}, {KEY_PLAYPAUSE, 1}, {KEY_PLAYPAUSE, 0}}));
    EXPECT_EQ(motion,
              (std::vector<std::pair<int, int>>{{REL_X, 7}, {REL_Y, -2}, {REL_WHEEL_HI_RES, 120}, {REL_WHEEL, 1}}));

    // Without a mouse-button rule the mouse is only read, not grabbed.
    clearRules();
    waitGrabbed(*mouse, false);
    EXPECT_TRUE(read(*mouse));
    mouse->tap(BTN_MIDDLE);
    EXPECT_TRUE(outputKeys().empty());
}

TEST_F(KernelInput, KeyboardPluggedInLaterIsTakenAndUnpluggingReleasesItsKeys)
{
    startWithRules();
    auto later = FakeDevice::keyboard("Late Keyboard");
    waitGrabbed(*later);
    later->tap(KEY_Z);
    EXPECT_EQ(outputKeys(2), (Keys{{KEY_Z, 1}, {KEY_Z, 0}}));

    later->key(KEY_RIGHTSHIFT, 1);
    later->key(KEY_Q, 1);
    EXPECT_EQ(outputKeys(2), (Keys{{KEY_RIGHTSHIFT, 1}, {KEY_Q, 1}}));
    later.reset();
    EXPECT_EQ(outputKeys(2), (Keys{{KEY_Q, 0}, {KEY_RIGHTSHIFT, 0}}));
    EXPECT_FALSE(anyKeyDown(input.outputDevnode()));

    // The first keyboard carries on.
    kb->tap(KEY_A);
    EXPECT_EQ(outputKeys(2), (Keys{{KEY_A, 1}, {KEY_A, 0}}));
}

TEST_F(KernelInput, DesktopLedsReachTheGrabbedKeyboard)
{
    startWithRules();
    // The desktop sets caps lock on the device it reads: the output device.
    setLed(input.outputDevnode(), LED_CAPSL, true);
    EXPECT_TRUE(waitUntil([&] { return ledOn(kb->devnode(), LED_CAPSL); }));
    setLed(input.outputDevnode(), LED_CAPSL, false);
    EXPECT_TRUE(waitUntil([&] { return !ledOn(kb->devnode(), LED_CAPSL); }));
}

TEST_F(KernelInput, DeviceHoldingAKeyIsGrabbedOnlyAfterItsRelease)
{
    kb->key(KEY_A, 1);
    configure(rules);
    start();
    ASSERT_TRUE(waitUntil([&] { return read(*kb); }, [&] { pump(); }));
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(grabbed(*kb)) << "grabbed while A was held";

    kb->key(KEY_A, 0);
    waitGrabbed(*kb);
    kb->tap(KEY_B);
    // The release of A went to the desktop directly, not through the output.
    EXPECT_EQ(outputKeys(2), (Keys{{KEY_B, 1}, {KEY_B, 0}}));
}

TEST_F(KernelInput, PanicChordReleasesEveryGrabAndKeyUntilResumed)
{
    auto mouse = FakeDevice::mouse("Test Mouse");
    bool panicked = false;
    input.setPanicHandler([&] { panicked = true; });
    startWithRules();
    waitGrabbed(*mouse);

    mouse->key(BTN_LEFT, 1);
    kb->key(KEY_LEFTCTRL, 1);
    kb->key(KEY_BACKSPACE, 1);
    kb->key(KEY_ESC, 1);
    kb->key(KEY_ENTER, 1);
    const auto keys = outputKeys(8);
    // Held on the output: the button, ctrl, backspace and escape; then all
    // of them come up; Enter, which completed the chord, never went out.
    EXPECT_EQ(keys.size(), 8U);
    for (const auto& [code, value] : keys) {
        EXPECT_NE(code, KEY_ENTER);
    }
    EXPECT_FALSE(anyKeyDown(input.outputDevnode()));
    waitGrabbed(*kb, false);
    waitGrabbed(*mouse, false);
    ASSERT_TRUE(waitUntil([&] { return panicked; }, [&] { pump(); }));
    EXPECT_TRUE(input.isPaused());

    // Paused: typing reaches the desktop directly.
    for (const int code : {KEY_ENTER, KEY_ESC, KEY_BACKSPACE, KEY_LEFTCTRL}) {
        kb->key(static_cast<std::uint16_t>(code), 0);
    }
    mouse->key(BTN_LEFT, 0);
    kb->tap(KEY_T);
    EXPECT_TRUE(outputKeys().empty());

    input.resume();
    waitGrabbed(*kb);
    EXPECT_FALSE(input.isPaused());
    kb->tap(KEY_T);
    EXPECT_EQ(outputKeys(2), (Keys{{KEY_T, 1}, {KEY_T, 0}}));
}

TEST_F(KernelInput, LongSyntheticBurstGoesOutWithEveryRelease)
{
    startWithRules();
    std::vector<InputEvent> burst;
    for (int i = 0; i < 100; ++i) {
        for (const bool down : {true, false}) {
            InputEvent e = InputEvent::key(down, 0); // a
            e.userData = syntheticTag;
            burst.push_back(e);
        }
    }
    input.postKeyEvents(burst);
    // A reader of the output may fall behind a burst this long (the kernel
    // keeps 128 events per reader); the device's own state may not.
    EXPECT_FALSE(outputKeys(1).empty());
    EXPECT_FALSE(anyKeyDown(input.outputDevnode())) << "a release of the burst was lost";
    kb->tap(KEY_B);
    EXPECT_EQ(outputKeys(2), (Keys{{KEY_B, 1}, {KEY_B, 0}}));
}

// Docks, switches and gaming gear expose dozens of event nodes: every one of
// them follows the grab policy, not just the first few.
TEST_F(KernelInput, SeventyMiceAreAllGrabbedOnceAButtonRuleExists)
{
    std::vector<std::unique_ptr<FakeDevice>> mice;
    for (int i = 0; i < 70; ++i) {
        mice.push_back(FakeDevice::mouse("Dock Mouse " + std::to_string(i)));
    }
    clearRules();
    start();
    for (const auto& mouse : mice) {
        ASSERT_TRUE(waitUntil([&] { return read(*mouse); }, [&] { pump(); })) << mouse->devnode();
        EXPECT_FALSE(grabbed(*mouse));
    }
    configure(rules);
    for (const auto& mouse : mice) {
        waitGrabbed(*mouse);
    }
    clearRules();
    for (const auto& mouse : mice) {
        waitGrabbed(*mouse, false);
    }
}

// A mouse that is only read (not grabbed) clicks on the desktop whatever the
// engine decides: its extra buttons must not fire a rule.
TEST_F(KernelInput, ButtonOfAMouseThatIsOnlyReadFiresNoRule)
{
    auto mouse = FakeDevice::mouse("Test Mouse");
    startWithRules();
    waitGrabbed(*mouse);
    input.setGrabMice(false);
    waitGrabbed(*mouse, false);
    mouse->tap(BTN_MIDDLE);
    EXPECT_TRUE(outputKeys().empty()) << "the middle click both reached the desktop and played";
}

} // namespace
} // namespace norvane::kernel_test
