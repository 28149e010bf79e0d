// Passing input through, rewriting it and firing rules must not touch the
// heap or take a lock on the input thread: it holds every keyboard while it
// works. The real dispatcher drives the real engine, which reads page
// addresses from the browser bridge's real cache; the rest of the platform is
// simulated, and its "main thread" (this test, between rounds) runs what the
// engine handed over.
#include "counting_new.h"
#include "engine/engine.h"
#include "platform/linux/browser/page_cache.h"
#include "platform/linux/input/dispatcher.h"
#include "platform/sim/sim_platform.h"

#include <gtest/gtest.h>
#include <mutex>

namespace norvane::linux_input {
namespace {

using test_support::Counting;

class CountingSink final : public EventSink {
public:
    void write(std::span<const input_event> events) override { written += events.size(); }
    void pause() override {}
    std::size_t written = 0;
};

class NoObserver final : public DispatchObserver {
public:
    void extraButtonPressed(std::int64_t) override {}
    void panicChord() override {}
};

class CountingListener final : public EngineListener {
public:
    void recordHit(const CompiledMapping&, const std::optional<std::string>&) override { ++hits; }
    void probe(const ProbeInfo&) override { ++probes; }
    int hits = 0;
    int probes = 0;
};

std::vector<RuleGroup> rules()
{
    RuleGroup g("规则", Scope{}, {});
    g.mappings.emplace_back(Trigger::key(Combo{40, mod::control}),
                            Action::keys(Combo{7, mod::command}));                           // ctrl+k → cmd+x
    g.mappings.emplace_back(Trigger::key(Combo{96, 0}), Action::media(MediaKey::playPause)); // f5
    g.mappings.emplace_back(Trigger::key(Combo{97, 0}),
                            Action::sendKeys(std::string("org.gnome.gedit"), Combo{1, mod::command})); // f6
    g.mappings.emplace_back(Trigger::key(Combo{98, 0}), Action::openApp(std::string("firefox")));      // f7
    g.mappings.emplace_back(Trigger::mouse(2), Action::media(MediaKey::next));
    // Only on some pages of the browser in front: one keyword that does not
    // match the page, one that does.
    RuleGroup pages("文档页", Scope{ScopeMode::only, {"firefox"}, {"mail.", "DOCS.example"}}, {});
    pages.mappings.emplace_back(Trigger::key(Combo{100, 0}), Action::media(MediaKey::volumeUp)); // f8
    return {g, pages};
}

constexpr int browserPid = 4242;

struct Rig {
    sim::Platform platform;
    linux_browser::BrowserPageCache pages{platform.frontmost};
    EngineSwitches switches;
    CountingListener listener;
    Engine engine{EngineServices{platform.tap, platform.output, platform.frontmost, pages, platform.workspace,
                                 platform.notifier, platform.executor, switches, listener}};
    CountingSink sink;
    OutputBatch batch{sink};
    NoObserver observer;
    Dispatcher dispatcher{engine, observer, batch};
    DeviceKeys kb;
    DeviceKeys mouse;

    Rig()
    {
        platform.workspace.setInstalled({"firefox", "org.gnome.gedit"});
        platform.workspace.setRunning({"org.gnome.gedit"});
        // A browser in front, its bridge reporting the page; the probe reads
        // the address for every press.
        platform.frontmost.publish(std::string("firefox"), browserPid);
        pages.connected(1, browserPid, "/usr/lib/firefox/firefox");
        pages.report(1, linux_browser::PageReport{7, "https://docs.example.org/guide/index.html?q=a-long-query"});
        engine.compile(rules());
        dispatcher.setForwarding(kb, true);
        dispatcher.setForwarding(mouse, true);
    }
    void key(int code, int value)
    {
        dispatcher.onEvent(kb, input_event{{}, EV_KEY, static_cast<std::uint16_t>(code), value});
    }
    void button(int code, int value)
    {
        dispatcher.onEvent(mouse, input_event{{}, EV_KEY, static_cast<std::uint16_t>(code), value});
        dispatcher.onEvent(mouse, input_event{{}, EV_SYN, SYN_REPORT, 0});
    }
};

TEST(InputThreadAllocation, PassThroughRewriteAndFiredRulesNeitherAllocateNorLock)
{
    Rig rig;
    rig.switches.setProbeActive(true);
    // The first event picks up the compiled rules (and hands the old ones over).
    rig.key(KEY_Z, 1);
    rig.key(KEY_Z, 0);
    rig.platform.executor.drain();

    std::size_t allocations = 0;
    std::size_t locks = 0;
    constexpr int rounds = 500;
    for (int round = 0; round < rounds; ++round) {
        {
            const Counting input;
            rig.key(KEY_A, 1); // passes
            rig.key(KEY_A, 2);
            rig.key(KEY_A, 0);
            rig.key(KEY_LEFTCTRL, 1);
            rig.key(KEY_K, 1); // rewritten
            rig.key(KEY_K, 2);
            rig.key(KEY_K, 0);
            rig.key(KEY_LEFTCTRL, 0);
            for (const int code : {KEY_F5, KEY_F6, KEY_F7, KEY_F8}) { // media, sendKeys, openApp, page keyword
                rig.key(code, 1);
                rig.key(code, 0);
            }
            rig.dispatcher.onEvent(rig.mouse, input_event{{}, EV_REL, REL_X, 3});
            rig.button(BTN_MIDDLE, 1); // media from a grabbed mouse
            rig.button(BTN_MIDDLE, 0);
            rig.batch.flush();
            allocations += input.allocations();
            locks += input.mutexLocks();
        }
        // The main thread's turn: the actions run and leave their traces.
        rig.platform.executor.drain();
        rig.platform.journal.clear();
    }
    EXPECT_EQ(allocations, 0U);
    EXPECT_EQ(locks, 0U);
    // Every fired rule reached the main thread: its hit, and a probe report
    // for every press (a plain key too).
    EXPECT_EQ(rig.listener.hits, rounds * 6);
    EXPECT_EQ(rig.listener.probes, 1 + rounds * 7);
    EXPECT_GT(rig.sink.written, 10000U);
}

TEST(InputThreadAllocation, TheCountersCount)
{
    const Counting counting;
    int* volatile p = new int(1);
    delete p;
    std::mutex m;
    m.lock();
    m.unlock();
    EXPECT_EQ(counting.allocations(), 1U);
    EXPECT_EQ(counting.mutexLocks(), 1U);
}

} // namespace
} // namespace norvane::linux_input
