#include "engine/browsers.h"
#include "engine/scope_match.h"
#include "engine_fixture.h"

#include <gtest/gtest.h>

namespace norvane::test {
namespace {

constexpr Combo ctrlK{40, mod::control};
constexpr Combo cmdL{37, mod::command};
constexpr Combo f5{96, 0};

TEST(EngineStart, FailsUntilTheTapCanBeInstalledThenStaysRunning)
{
    sim::Platform platform;
    EngineSwitches switches;
    RecordingListener listener;
    Engine engine(EngineServices{platform.tap, platform.output, platform.frontmost, platform.pages, platform.workspace,
                                 platform.notifier, platform.executor, switches, listener});
    platform.tap.setFailing(true);
    EXPECT_FALSE(engine.start());
    EXPECT_FALSE(engine.isRunning());
    platform.tap.setFailing(false);
    EXPECT_TRUE(engine.start());
    EXPECT_TRUE(engine.isRunning());
    platform.tap.setFailing(true); // a running tap is not installed again
    EXPECT_TRUE(engine.start());
}

TEST(EngineKeys, RewriteKeepsEveryFlagBitOutsideTheFourModifiers)
{
    EngineFixture f;
    f.engine.compile({group("g", {rule(Trigger::key(ctrlK), Action::keys(cmdL))})});
    constexpr std::uint64_t other = mod::capsLock | 0x800000 | 0x2000 | 0x1; // caps, fn, numpad, device bits

    InputEvent down = InputEvent::key(true, ctrlK.keyCode, mod::control | other);
    ASSERT_TRUE(f.feed(down));
    EXPECT_EQ(down.keyCode, cmdL.keyCode);
    EXPECT_EQ(down.flags, mod::command | other);

    InputEvent up = InputEvent::key(false, ctrlK.keyCode, mod::shift | mod::capsLock);
    ASSERT_TRUE(f.feed(up));
    EXPECT_EQ(up.keyCode, cmdL.keyCode);
    EXPECT_EQ(up.flags, mod::command | mod::capsLock);
}

TEST(EngineKeys, HitsCarryTheMappingAndTheFrontmostApplication)
{
    EngineFixture f;
    const Mapping m = rule(Trigger::key(f5), Action::media(MediaKey::next), "歌");
    f.engine.compile({group("媒体", {m})});

    f.platform.setFrontmost("org.gnome.Rhythmbox");
    f.key(true, f5);
    f.platform.setFrontmost(std::nullopt); // changes after the event do not matter
    f.platform.executor.drain();
    f.key(false, f5);
    f.key(true, f5);
    f.platform.executor.drain();

    ASSERT_EQ(f.listener.hits.size(), 2U);
    EXPECT_EQ(f.listener.hits[0].mapping.mappingID, m.id);
    EXPECT_EQ(f.listener.hits[0].mapping.groupName, "媒体");
    EXPECT_EQ(f.listener.hits[0].mapping.title(), "歌");
    EXPECT_EQ(f.listener.hits[0].appID, std::optional<std::string>("org.gnome.Rhythmbox"));
    EXPECT_EQ(f.listener.hits[1].appID, std::nullopt);
}

TEST(EngineProbe, EveryReportIsANewValue)
{
    EngineFixture f;
    f.switches.setProbeActive(true);
    f.key(true, ctrlK);
    f.key(false, ctrlK);
    f.key(true, ctrlK);
    f.platform.executor.drain();
    ASSERT_EQ(f.listener.probes.size(), 2U);
    EXPECT_EQ(f.listener.probes[0].trigger, f.listener.probes[1].trigger);
    EXPECT_NE(f.listener.probes[0], f.listener.probes[1]);
}

// Counts how often the frontmost application is asked for.
class CountingFrontmost final : public FrontmostSource {
public:
    [[nodiscard]] std::shared_ptr<const FrontApp> frontmost() const override
    {
        ++calls;
        return app;
    }
    std::shared_ptr<const FrontApp> app = std::make_shared<const FrontApp>(FrontApp{"firefox", 1, 0});
    mutable int calls = 0;
};

TEST(EngineKeys, PassThroughNeverAsksForTheFrontmostApplication)
{
    sim::Platform platform;
    CountingFrontmost front;
    EngineSwitches switches;
    RecordingListener listener;
    Engine engine(EngineServices{platform.tap, platform.output, front, platform.pages, platform.workspace,
                                 platform.notifier, platform.executor, switches, listener});
    engine.start();
    engine.compile({group("g", {rule(Trigger::key(ctrlK), Action::keys(cmdL))})});

    InputEvent unmapped = InputEvent::key(true, 12, 0);
    EXPECT_TRUE(platform.tap.feed(unmapped));
    switches.setMasterEnabled(false);
    InputEvent mappedButOff = InputEvent::key(true, ctrlK.keyCode, ctrlK.modifiers);
    EXPECT_TRUE(platform.tap.feed(mappedButOff));
    EXPECT_EQ(front.calls, 0);

    switches.setMasterEnabled(true);
    InputEvent mapped = InputEvent::key(true, ctrlK.keyCode, ctrlK.modifiers);
    EXPECT_TRUE(platform.tap.feed(mapped));
    EXPECT_EQ(front.calls, 1);
}

TEST(EngineRules, ASupersededSnapshotIsReleasedOnTheMainThread)
{
    EngineFixture f;
    f.engine.compile({group("g", {rule(Trigger::key(ctrlK), Action::keys(cmdL))})});
    f.key(true, ctrlK); // the input thread now holds this snapshot
    f.platform.executor.drain();
    std::weak_ptr<const CompiledRules> old = f.engine.rules();

    f.engine.compile({});
    EXPECT_FALSE(old.expired()); // still in use by the input thread
    EXPECT_TRUE(f.key(true, Combo{12, 0}));
    EXPECT_FALSE(old.expired()); // handed to the executor, not freed during the event
    f.platform.executor.drain();
    EXPECT_TRUE(old.expired());
}

TEST(EngineRules, CandidatesKeepRuleOrderAcrossGroups)
{
    EngineFixture f;
    f.engine.compile({
        group("a", {rule(Trigger::key(ctrlK), Action::keys(cmdL)), rule(Trigger::mouse(3), Action::keys(cmdL))}),
        group("b", {rule(Trigger::key(f5), Action::media(MediaKey::mute)),
                    rule(Trigger::key(ctrlK), Action::media(MediaKey::next), "second")}),
    });
    const auto rules = f.engine.rules();
    const auto candidates = rules->keyCandidates(ctrlK);
    ASSERT_EQ(candidates.size(), 2U);
    EXPECT_EQ(candidates[0]->groupName, "a");
    EXPECT_EQ(candidates[1]->note, "second");
    EXPECT_EQ(rules->buttonCandidates(3).size(), 1U);
    EXPECT_TRUE(rules->keyCandidates(Combo{40, 0}).empty());
    EXPECT_TRUE(rules->buttonCandidates(40).empty());
}

TEST(EngineActions, KeyEventsAreATaggedPressWithExactlyTheModifiers)
{
    const auto events = Engine::makeKeyEvents(Combo{37, mod::command | mod::shift});
    ASSERT_EQ(events.size(), 2U);
    EXPECT_EQ(events[0].type, EventType::keyDown);
    EXPECT_EQ(events[1].type, EventType::keyUp);
    for (const auto& e : events) {
        EXPECT_EQ(e.keyCode, 37);
        EXPECT_EQ(e.flags, mod::command | mod::shift);
        EXPECT_EQ(e.userData, syntheticTag);
    }
    EXPECT_EQ(Engine::makeKeyEvents(Combo{65535, 0}).size(), 2U);
    EXPECT_TRUE(Engine::makeKeyEvents(Combo{65536, 0}).empty());
    EXPECT_TRUE(Engine::makeKeyEvents(Combo{-1, 0}).empty());
}

TEST(EngineActions, MediaKeyPressIsADownThenAnUp)
{
    EngineFixture f;
    f.engine.postMediaKey(info(MediaKey::mute).nxKey);
    const auto effects = f.platform.journal.take();
    ASSERT_EQ(effects.size(), 2U);
    EXPECT_EQ(effects[0].media.data1(), 0x70A00);
    EXPECT_EQ(effects[1].media.data1(), 0x70B00);
}

TEST(Browsers, InstalledBrowsersFollowTheKnownListOrder)
{
    sim::Journal journal;
    sim::Workspace workspace(journal);
    workspace.setInstalled({"firefox", "org.gnome.Terminal", "com.brave.Browser", "google-chrome-canary"});
    EXPECT_EQ(installedBrowsers(workspace), (std::vector<std::string>{"com.brave.Browser", "firefox"}));
    EXPECT_TRUE(isBrowser("google-chrome-canary")); // shown by the probe, not offered by templates
    EXPECT_FALSE(isBrowser("Firefox"));
}

TEST(ScopeMatch, KeywordsMatchIgnoringAsciiCase)
{
    struct Case {
        std::string_view haystack, needle;
        bool expected;
    };
    const Case cases[] = {
        {"https://GitHub.com/x", "github.COM", true},
        {"https://a.org/?q=Docs", "docs", true},
        {"https://a.org", "", false},
        {"", "a", false},
        {"abc", "abcd", false},
        {"https://例子.cn/路径", "路径", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(containsIgnoringCase(c.haystack, c.needle), c.expected) << c.haystack << " / " << c.needle;
    }
}

} // namespace
} // namespace norvane::test
