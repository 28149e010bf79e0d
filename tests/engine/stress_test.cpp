// One thread feeds a million events while another recompiles a thousand
// times, flips the switches and the frontmost application, and runs the
// main-thread queue. Every key-up must still match what happened to its
// key-down, and every consumed button press must swallow its release.
#include "engine_fixture.h"
#include "platform/spsc_ring.h"

#include <atomic>
#include <gtest/gtest.h>
#include <random>
#include <thread>

namespace norvane::test {
namespace {

constexpr int eventCount = 1'000'000;
constexpr int compileCount = 1'000;

std::vector<RuleGroup> ruleSet(int variant)
{
    const Combo target{static_cast<std::int64_t>(100 + variant % 3), mod::command};
    Scope browsers{ScopeMode::only, {"firefox"}, {"docs"}};
    return {
        group("keys", {Mapping(Trigger::key(Combo{40, mod::control}), Action::keys(target)),
                       Mapping(Trigger::key(Combo{variant % 2 == 0 ? 41 : 42, 0}), Action::media(MediaKey::volumeUp))}),
        group("web", {Mapping(Trigger::key(Combo{43, 0}), Action::keys(Combo{44, 0}))}, browsers),
        group("mouse", {Mapping(Trigger::mouse(variant % 2 == 0 ? 3 : 4), Action::openApp("firefox"))}),
    };
}

TEST(EngineConcurrency, EventsAndRecompilesInterleaveSafely)
{
    EngineFixture f;
    f.engine.compile(ruleSet(0));
    f.platform.pages.setAddress("https://docs.example.org");
    std::atomic<bool> done{false};

    std::thread main([&] {
        for (int i = 1; i <= compileCount; ++i) {
            f.engine.compile(ruleSet(i));
            f.switches.setProbeActive(i % 7 == 0);
            f.switches.setMasterEnabled(i % 11 != 0);
            f.platform.frontmost.publish(i % 2 == 0 ? std::optional<std::string>("firefox") : std::nullopt);
            f.platform.executor.drain();
            f.platform.journal.clear();
        }
        while (!done.load()) {
            f.platform.executor.drain();
            f.platform.journal.clear();
            std::this_thread::yield();
        }
    });

    std::mt19937 rng(3);
    int mismatches = 0;
    for (int i = 0; i < eventCount / 5; ++i) { // five events per round
        // A key press (down, repeat, up) and a button click, on keys and
        // buttons that are mapped in some rule sets and not in others.
        const std::int64_t code = 40 + static_cast<std::int64_t>(rng() % 5);
        const std::uint64_t flags = code == 40 ? mod::control : 0;
        // What the key-up must become: decided by the last key-down a rule took.
        bool upDropped = false;
        InputEvent expectedUp = InputEvent::key(false, code, flags);
        for (const std::int64_t autorepeat : {0, 1}) {
            InputEvent down = InputEvent::key(true, code, flags);
            down.autorepeat = autorepeat;
            if (!f.engine.handle(down)) {
                upDropped = true;
            } else if (down.keyCode != code) {
                upDropped = false;
                expectedUp = InputEvent::key(false, down.keyCode, down.flags);
            }
        }
        InputEvent up = InputEvent::key(false, code, flags);
        const bool upDelivered = f.engine.handle(up);
        const bool consistent =
            upDropped ? !upDelivered : upDelivered && up.keyCode == expectedUp.keyCode && up.flags == expectedUp.flags;
        mismatches += consistent ? 0 : 1;

        const std::int64_t button = 3 + static_cast<std::int64_t>(rng() % 2);
        InputEvent press = InputEvent::mouse(true, button);
        const bool pressDelivered = f.engine.handle(press);
        InputEvent release = InputEvent::mouse(false, button);
        mismatches += f.engine.handle(release) == pressDelivered ? 0 : 1;
    }
    done.store(true);
    main.join();
    f.platform.executor.drain();
    EXPECT_EQ(mismatches, 0);
}

// The hand-off ring between the input thread and the main thread: every
// record arrives, in order, and what it owns is released by the consumer.
TEST(SpscRing, RecordsArriveWholeInOrderAndAreReleasedByTheConsumer)
{
    struct Record {
        std::uint64_t seq = 0;
        std::shared_ptr<const std::uint64_t> owned;
    };
    SpscRing<Record, 64> ring;
    constexpr std::uint64_t count = 200'000;
    auto shared = std::make_shared<const std::uint64_t>(7);
    std::thread producer([&] {
        for (std::uint64_t i = 0; i < count; ++i) {
            while (!ring.push([&](Record& r) {
                r.seq = i;
                r.owned = shared;
            })) {
                std::this_thread::yield();
            }
        }
    });
    std::uint64_t next = 0;
    bool inOrder = true;
    while (next < count) {
        ring.drain([&](Record& r) {
            inOrder = inOrder && r.seq == next && r.owned && *r.owned == 7;
            ++next;
        });
    }
    producer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(ring.size(), 0U);
    EXPECT_EQ(shared.use_count(), 1) << "a drained record still holds what it carried";
}

} // namespace
} // namespace norvane::test
