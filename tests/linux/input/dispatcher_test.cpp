#include "platform/linux/input/dispatcher.h"
#include "platform/linux/input/key_translation.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace norvane::linux_input {
namespace {

// What reaches the output device, one string per event: "K30=1", "SYN", "R0=5".
class RecordingSink final : public EventSink {
public:
    void write(std::span<const input_event> events) override
    {
        for (const auto& e : events) {
            if (e.type == EV_SYN) {
                log.emplace_back("SYN");
            } else {
                log.push_back((e.type == EV_KEY ? "K" : "R") + std::to_string(e.code) + "=" + std::to_string(e.value));
            }
        }
    }
    void pause() override { log.emplace_back("GAP"); }
    std::vector<std::string> log;
};

// The engine's side: records what it is handed and answers with `verdict`,
// which may change the event in place.
class FakeHandler final : public InputHandler {
public:
    bool handle(InputEvent& event) override
    {
        seen.push_back(event);
        return verdict ? verdict(event) : true;
    }
    void observe(const InputEvent& event) override { observed.push_back(event); }
    std::function<bool(InputEvent&)> verdict;
    std::vector<InputEvent> seen;
    std::vector<InputEvent> observed; // may be shown, never acted on
};

class FakeObserver final : public DispatchObserver {
public:
    void extraButtonPressed(std::int64_t button) override { buttons.push_back(button); }
    void panicChord() override { ++panics; }
    std::vector<std::int64_t> buttons;
    int panics = 0;
};

using V = std::vector<std::string>;
using Changes = std::vector<std::pair<int, int>>;

std::string k(int code, int value)
{
    return "K" + std::to_string(code) + "=" + std::to_string(value);
}

// Key changes as the output shows them when each is synced on its own.
V synced(const Changes& changes)
{
    V out;
    for (const auto& [code, value] : changes) {
        out.push_back(k(code, value));
        out.emplace_back("SYN");
    }
    return out;
}

class DispatcherTest : public ::testing::Test {
protected:
    // Key changes read from `dev`, each in a report of its own.
    void keys(DeviceKeys& dev, const Changes& changes)
    {
        for (const auto& [code, value] : changes) {
            dispatcher.onEvent(dev, input_event{{}, EV_KEY, static_cast<std::uint16_t>(code), value});
            batch.flush();
        }
    }
    void frame(DeviceKeys& dev, std::initializer_list<input_event> events)
    {
        for (auto e : events) {
            dispatcher.onEvent(dev, e);
        }
        dispatcher.onEvent(dev, input_event{{}, EV_SYN, SYN_REPORT, 0});
        batch.flush();
    }
    std::vector<std::string> take()
    {
        batch.flush();
        return std::exchange(sink.log, {});
    }
    DeviceKeys grabbed()
    {
        DeviceKeys dev;
        dispatcher.setForwarding(dev, true);
        return dev;
    }

    RecordingSink sink;
    OutputBatch batch{sink};
    FakeHandler handler;
    FakeObserver observer;
    Dispatcher dispatcher{handler, observer, batch};
};

TEST_F(DispatcherTest, RewriteSwapsModifiersAroundTheKeyAndRestoresThemAfter)
{
    // ctrl+opt+k delivered as cmd+x while ctrl and alt stay held.
    handler.verdict = [](InputEvent& e) {
        if (e.keyCode == 40) {
            e.keyCode = 7;
            e.flags = (e.flags & ~relevantMask) | mod::command;
        }
        return true;
    };
    DeviceKeys kb = grabbed();
    keys(kb, {{KEY_LEFTCTRL, 1}, {KEY_LEFTALT, 1}});
    take();
    keys(kb, {{KEY_K, 1}});
    EXPECT_EQ(take(), synced({{KEY_LEFTCTRL, 0}, {KEY_LEFTALT, 0}, {KEY_LEFTMETA, 1}, {KEY_X, 1}}));
    // Repeats stay rewritten without touching the modifiers again.
    keys(kb, {{KEY_K, 2}});
    EXPECT_EQ(take(), synced({{KEY_X, 2}}));

    handler.verdict = nullptr; // the engine passes the key-up unchanged (say the rules changed)
    keys(kb, {{KEY_K, 0}});
    EXPECT_EQ(take(), synced({{KEY_X, 0}, {KEY_LEFTMETA, 0}, {KEY_LEFTCTRL, 1}, {KEY_LEFTALT, 1}}));
    keys(kb, {{KEY_LEFTALT, 0}, {KEY_LEFTCTRL, 0}});
    EXPECT_EQ(take(), synced({{KEY_LEFTALT, 0}, {KEY_LEFTCTRL, 0}}));
    EXPECT_EQ(dispatcher.emittedModifiers(), 0);
}

TEST_F(DispatcherTest, AddedModifierUsesTheSideTheUserHoldsAndTheModifierGapSitsBeforeTheKey)
{
    handler.verdict = [](InputEvent& e) {
        e.flags |= mod::shift;
        return true;
    };
    dispatcher.setModifierGap(true);
    DeviceKeys kb = grabbed();
    keys(kb, {{KEY_RIGHTCTRL, 1}});
    take();
    keys(kb, {{KEY_A, 1}});
    EXPECT_EQ(take(), (V{k(KEY_LEFTSHIFT, 1), "SYN", "GAP", k(KEY_A, 1), "SYN"}));
    keys(kb, {{KEY_A, 0}});
    EXPECT_EQ(take(), synced({{KEY_A, 0}, {KEY_LEFTSHIFT, 0}}));
    EXPECT_EQ(dispatcher.emittedModifiers(), dispatcher.physicalModifiers());
}

TEST_F(DispatcherTest, DroppedKeysProduceNothingAndReleasesFollowWhatWasPressed)
{
    DeviceKeys kb = grabbed();
    handler.verdict = [](InputEvent&) { return false; };
    keys(kb, {{KEY_P, 1}, {KEY_P, 2}, {KEY_P, 0}});
    EXPECT_TRUE(take().empty());
    EXPECT_EQ(handler.seen.size(), 3U);

    // A key passed on press whose repeat and release the engine then drops
    // (a rule appeared meanwhile) still comes up on the output.
    handler.verdict = nullptr;
    keys(kb, {{KEY_Q, 1}});
    handler.verdict = [](InputEvent&) { return false; };
    keys(kb, {{KEY_Q, 2}, {KEY_Q, 0}});
    EXPECT_EQ(take(), synced({{KEY_Q, 1}, {KEY_Q, 0}}));

    // A repeat delivered as another key releases the first.
    handler.verdict = nullptr;
    keys(kb, {{KEY_J, 1}});
    handler.verdict = [](InputEvent& e) {
        e.keyCode = 45; // n
        return true;
    };
    keys(kb, {{KEY_J, 2}, {KEY_J, 0}});
    EXPECT_EQ(take(), synced({{KEY_J, 1}, {KEY_J, 0}, {KEY_N, 1}, {KEY_N, 0}}));
}

TEST_F(DispatcherTest, CapsLockComesFromTheLedAndUnknownKeysTravelAsTheirHighCodes)
{
    DeviceKeys kb = grabbed();
    keys(kb, {{KEY_CAPSLOCK, 1}, {KEY_CAPSLOCK, 0}});
    EXPECT_TRUE(handler.seen.empty());
    dispatcher.setCapsLock(true);
    keys(kb, {{KEY_B, 1}, {KEY_PLAYPAUSE, 1}});
    ASSERT_EQ(handler.seen.size(), 2U);
    EXPECT_EQ(handler.seen[0].flags, mod::capsLock);
    EXPECT_EQ(handler.seen[1].keyCode, unmappedKeyBase + KEY_PLAYPAUSE);
    EXPECT_EQ(take(), synced({{KEY_CAPSLOCK, 1}, {KEY_CAPSLOCK, 0}, {KEY_B, 1}, {KEY_PLAYPAUSE, 1}}));
}

TEST_F(DispatcherTest, GrabbedMouseMiddleButtonSwallowedWhileMotionAndLeftClicksPass)
{
    handler.verdict = [](InputEvent& e) {
        return !((e.type == EventType::otherMouseDown || e.type == EventType::otherMouseUp) && e.button == 2);
    };
    DeviceKeys mouse = grabbed();
    frame(mouse, {{{}, EV_REL, REL_X, 5}, {{}, EV_REL, REL_Y, -3}});
    frame(mouse, {{{}, EV_KEY, BTN_MIDDLE, 1}});
    frame(mouse, {{{}, EV_KEY, BTN_MIDDLE, 0}});
    frame(mouse, {{{}, EV_KEY, BTN_LEFT, 1}, {{}, EV_REL, REL_WHEEL_HI_RES, 120}});
    frame(mouse, {{{}, EV_KEY, BTN_LEFT, 0}});
    EXPECT_EQ(take(), (V{"R0=5", "R1=-3", "SYN", k(BTN_LEFT, 1), "R11=120", "SYN", k(BTN_LEFT, 0), "SYN"}));
    EXPECT_EQ(observer.buttons, (std::vector<std::int64_t>{2}));
    ASSERT_EQ(handler.seen.size(), 2U); // left clicks are no triggers
    EXPECT_EQ(handler.seen[0].type, EventType::otherMouseDown);
    EXPECT_EQ(handler.seen[1].type, EventType::otherMouseUp);

    // A back button the engine passes goes out as itself.
    frame(mouse, {{{}, EV_KEY, BTN_SIDE, 1}});
    frame(mouse, {{{}, EV_KEY, BTN_SIDE, 0}});
    EXPECT_EQ(take(), synced({{BTN_SIDE, 1}, {BTN_SIDE, 0}}));
    EXPECT_EQ(handler.seen[2].button, 3);
}

TEST_F(DispatcherTest, UngrabbedDevicesAreObservedButNeverOutput)
{
    // A mouse read without a grab: its clicks reach the desktop from the
    // device itself, so the engine may only look at its extra buttons (the
    // probe) and the monitor hears of them (the recorder); no rule fires.
    DeviceKeys mouse;
    frame(mouse, {{{}, EV_KEY, BTN_EXTRA, 1}, {{}, EV_REL, REL_X, 1}});
    frame(mouse, {{{}, EV_KEY, BTN_EXTRA, 0}});
    EXPECT_EQ(observer.buttons, (std::vector<std::int64_t>{4}));
    EXPECT_TRUE(handler.seen.empty());
    ASSERT_EQ(handler.observed.size(), 2U);
    EXPECT_EQ(handler.observed[0].type, EventType::otherMouseDown);
    EXPECT_EQ(handler.observed[0].button, 4);

    // Pressed while grabbed, released after the grab ended: the engine saw
    // the press, so it hears the release.
    dispatcher.setForwarding(mouse, true);
    frame(mouse, {{{}, EV_KEY, BTN_SIDE, 1}});
    dispatcher.setForwarding(mouse, false);
    frame(mouse, {{{}, EV_KEY, BTN_SIDE, 0}});
    ASSERT_EQ(handler.seen.size(), 2U);
    EXPECT_EQ(handler.seen[1].type, EventType::otherMouseUp);
    EXPECT_EQ(handler.observed.size(), 2U);
    take();

    // A keyboard waiting for its keys to come up before the grab: its keys
    // reach the desktop directly, so the engine must not act on them.
    DeviceKeys kb;
    keys(kb, {{KEY_A, 1}, {KEY_LEFTCTRL, 1}});
    EXPECT_EQ(handler.seen.size(), 2U);
    EXPECT_EQ(dispatcher.physicalModifiers(), 0);
    EXPECT_TRUE(take().empty());
}

TEST_F(DispatcherTest, ModifiersCombineAcrossKeyboards)
{
    DeviceKeys left = grabbed();
    DeviceKeys right = grabbed();
    keys(left, {{KEY_LEFTCTRL, 1}});
    keys(right, {{KEY_LEFTCTRL, 1}, {KEY_C, 1}});
    ASSERT_EQ(handler.seen.size(), 1U);
    EXPECT_EQ(handler.seen[0].flags, mod::control);
    keys(left, {{KEY_LEFTCTRL, 0}}); // the other keyboard still holds it
    EXPECT_EQ(take(), synced({{KEY_LEFTCTRL, 1}, {KEY_C, 1}}));
    keys(right, {{KEY_LEFTCTRL, 0}});
    EXPECT_EQ(take(), synced({{KEY_LEFTCTRL, 0}}));
}

TEST_F(DispatcherTest, PanicChordIsReportedAndNotPassedOn)
{
    DeviceKeys kb = grabbed();
    keys(kb, {{KEY_BACKSPACE, 1}, {KEY_ESC, 1}});
    EXPECT_EQ(observer.panics, 0);
    keys(kb, {{KEY_ENTER, 1}});
    EXPECT_EQ(observer.panics, 1);
    EXPECT_EQ(handler.seen.size(), 2U);
    EXPECT_FALSE(dispatcher.outputHeld(KEY_ENTER));

    // The input thread then stops forwarding: the engine hears the releases
    // of what it saw pressed, the output lets go of everything.
    dispatcher.setForwarding(kb, false);
    dispatcher.releaseOutput();
    EXPECT_EQ(handler.seen.size(), 4U);
    EXPECT_EQ(handler.seen[2].type, EventType::keyUp);
    EXPECT_FALSE(dispatcher.outputHeld(KEY_BACKSPACE));
    EXPECT_FALSE(dispatcher.outputHeld(KEY_ESC));
    const auto out = take();
    EXPECT_EQ(std::count(out.begin(), out.end(), k(KEY_BACKSPACE, 0)), 1);
    EXPECT_EQ(std::count(out.begin(), out.end(), k(KEY_ESC, 0)), 1);
}

TEST_F(DispatcherTest, UnpluggedDeviceReleasesItsKeysAndModifiers)
{
    DeviceKeys kb = grabbed();
    DeviceKeys mouse = grabbed();
    keys(kb, {{KEY_LEFTSHIFT, 1}, {KEY_W, 1}});
    frame(mouse, {{{}, EV_KEY, BTN_LEFT, 1}});
    take();
    dispatcher.deviceRemoved(kb);
    EXPECT_EQ(take(), synced({{KEY_W, 0}, {KEY_LEFTSHIFT, 0}}));
    EXPECT_EQ(handler.seen.back().type, EventType::keyUp);
    EXPECT_EQ(dispatcher.physicalFlags(), 0U);
    EXPECT_TRUE(dispatcher.outputHeld(BTN_LEFT)); // the other device is untouched
    dispatcher.deviceRemoved(mouse);
    EXPECT_EQ(take(), synced({{BTN_LEFT, 0}}));
}

TEST_F(DispatcherTest, SyntheticKeysHoldExactlyTheirModifiers)
{
    DeviceKeys kb = grabbed();
    keys(kb, {{KEY_LEFTCTRL, 1}});
    take();
    dispatcher.synthetic(KEY_V, true, mod::command);
    dispatcher.synthetic(KEY_V, false, mod::command);
    EXPECT_EQ(
        take(),
        synced({{KEY_LEFTCTRL, 0}, {KEY_LEFTMETA, 1}, {KEY_V, 1}, {KEY_V, 0}, {KEY_LEFTMETA, 0}, {KEY_LEFTCTRL, 1}}));

    // Media keys go out bare.
    dispatcher.synthetic(KEY_PLAYPAUSE, true, 0);
    dispatcher.synthetic(KEY_PLAYPAUSE, false, 0);
    EXPECT_EQ(take(), synced({{KEY_LEFTCTRL, 0}, {KEY_PLAYPAUSE, 1}, {KEY_PLAYPAUSE, 0}, {KEY_LEFTCTRL, 1}}));
}

TEST(DispatcherPassive, SeesEverythingAndWritesNothing)
{
    RecordingSink sink;
    OutputBatch batch{sink};
    FakeHandler handler;
    FakeObserver observer;
    Dispatcher dispatcher{handler, observer, batch, true};
    DeviceKeys kb;
    for (auto [code, value] : {std::pair{KEY_LEFTMETA, 1}, {KEY_LEFTSHIFT, 1}, {KEY_K, 1}, {KEY_K, 0}}) {
        dispatcher.onEvent(kb, input_event{{}, EV_KEY, static_cast<std::uint16_t>(code), value});
    }
    dispatcher.deviceRemoved(kb);
    batch.flush();
    EXPECT_TRUE(sink.log.empty());
    ASSERT_EQ(handler.seen.size(), 2U);
    EXPECT_EQ(handler.seen[0].keyCode, 40);
    EXPECT_EQ(handler.seen[0].flags, mod::command | mod::shift);
    EXPECT_EQ(dispatcher.physicalFlags(), 0U);
}

} // namespace
} // namespace norvane::linux_input
