#include "engine/scope_match.h"
#include "engine_fixture.h"

#include <gtest/gtest.h>

namespace norvane::test {
namespace {

constexpr Combo ctrlK{40, mod::control};
constexpr Combo cmdL{37, mod::command};
constexpr Combo f5{96, 0};

TEST(EngineKeys, RewriteKeepsEveryFlagBitOutsideTheFourModifiers)
{
    EngineFixture f;
    f.engine.compile({group("g", {Mapping(Trigger::key(ctrlK), Action::keys(cmdL))})});
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
    const Mapping m(Trigger::key(f5), Action::media(MediaKey::next), "歌");
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

TEST(EngineProbe, AMouseThatIsNotHeldIsShownButFiresNothing)
{
    EngineFixture f;
    f.engine.compile({group("g", {Mapping(Trigger::mouse(4), Action::media(MediaKey::playPause))})});
    f.engine.observe(InputEvent::mouse(true, 4));
    f.engine.observe(InputEvent::mouse(false, 4));
    f.platform.executor.drain();
    EXPECT_TRUE(f.listener.probes.empty()); // probe off: nothing at all

    f.switches.setProbeActive(true);
    f.engine.observe(InputEvent::mouse(true, 4));
    f.engine.observe(InputEvent::mouse(false, 4));
    f.platform.executor.drain();
    ASSERT_EQ(f.listener.probes.size(), 1U);
    EXPECT_EQ(f.listener.probes[0].trigger, Trigger::mouse(4));
    EXPECT_EQ(f.listener.probes[0].match, std::nullopt);
    EXPECT_TRUE(f.listener.hits.empty());
    EXPECT_TRUE(f.platform.journal.take().empty()) << "an action ran";
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
    CountingFrontmost front;
    EngineFixture f(&front);
    f.engine.compile({group("g", {Mapping(Trigger::key(ctrlK), Action::keys(cmdL))})});
    EXPECT_TRUE(f.key(true, Combo{12, 0}));
    f.switches.setMasterEnabled(false);
    EXPECT_TRUE(f.key(true, ctrlK)); // mapped, but the master switch is off
    EXPECT_EQ(front.calls, 0);

    f.switches.setMasterEnabled(true);
    EXPECT_TRUE(f.key(true, ctrlK));
    EXPECT_EQ(front.calls, 1);
}

TEST(EngineRules, ASupersededSnapshotIsReleasedOnTheMainThread)
{
    EngineFixture f;
    f.engine.compile({group("g", {Mapping(Trigger::key(ctrlK), Action::keys(cmdL))})});
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

// The main thread can stall (a slow disk, a modal dialog): the input thread
// never waits for it. Hand-offs that do not fit are dropped and counted, the
// rules in use stay alive until every record pointing into them is done, and
// new rules are taken up once there is room again.
TEST(EngineHandoff, AStalledMainThreadCostsHandOffsNeverKeys)
{
    EngineFixture f;
    f.engine.compile({group("g", {Mapping(Trigger::key(f5), Action::media(MediaKey::next))})});
    constexpr std::size_t extra = 10;
    for (std::size_t i = 0; i < Engine::handoffCapacity + extra; ++i) {
        EXPECT_FALSE(f.key(true, f5)); // the trigger is consumed every time
        EXPECT_FALSE(f.key(false, f5));
    }
    EXPECT_EQ(f.engine.handoffsDropped(), extra);

    // New rules while the ring is full: the old ones stay in use for now.
    std::weak_ptr<const CompiledRules> old = f.engine.rules();
    f.engine.compile({group("g", {Mapping(Trigger::key(ctrlK), Action::keys(cmdL))})});
    EXPECT_FALSE(f.key(true, f5));
    EXPECT_FALSE(f.key(false, f5));
    EXPECT_EQ(f.engine.handoffsDropped(), extra + 1);

    f.platform.executor.drain();
    EXPECT_EQ(f.listener.hits.size(), Engine::handoffCapacity);
    EXPECT_EQ(f.platform.journal.take().size(), 3 * Engine::handoffCapacity); // down, up, notice
    EXPECT_FALSE(old.expired());

    // Room again: the new rules take over and the old ones are freed on the
    // main thread, after the records that pointed into them.
    EXPECT_TRUE(f.key(true, f5));
    InputEvent k = InputEvent::key(true, ctrlK.keyCode, ctrlK.modifiers);
    EXPECT_TRUE(f.feed(k));
    EXPECT_EQ(k.keyCode, cmdL.keyCode);
    f.platform.executor.drain();
    EXPECT_TRUE(old.expired());
}

TEST(ScopeMatch, KeywordsMatchIgnoringAsciiCase)
{
    EXPECT_TRUE(containsIgnoringCase("https://GitHub.com/x", "github.COM"));
    EXPECT_TRUE(containsIgnoringCase("https://a.org/?q=Docs", "docs"));
    EXPECT_TRUE(containsIgnoringCase("https://例子.cn/路径", "路径"));
    EXPECT_FALSE(containsIgnoringCase("https://a.org", ""));
    EXPECT_FALSE(containsIgnoringCase("", "a"));
    EXPECT_FALSE(containsIgnoringCase("abc", "abcd"));
}

} // namespace
} // namespace norvane::test
