// Added latency of the input layer: the time from writing a key to a
// "physical" device until it can be read from the output device, for a key
// passed through and for a key rewritten by a rule, against reading the
// physical device directly. Prints p50 and p99 over 10,000 key events each.
#include "kernel_fixture.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <future>
#include <thread>

namespace norvane::kernel_test {
namespace {

constexpr int samples = 10000;

std::int64_t nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

struct Figures {
    double p50us = 0;
    double p99us = 0;
    int lost = 0;
};

// Presses and releases `code` on `device` in turn; each time waits for the
// key `expected` to appear on `reader`.
Figures measure(FakeDevice& device, EventReader& reader, std::uint16_t code, std::uint16_t expected,
                int count = samples)
{
    std::vector<std::int64_t> times;
    times.reserve(samples);
    Figures figures;
    for (int i = 0; i < count; ++i) {
        const std::int32_t value = i % 2 == 0 ? 1 : 0;
        const std::int64_t start = nowNs();
        device.key(code, value);
        bool seen = false;
        while (!seen) {
            const auto ev = reader.next(1000ms);
            if (!ev) {
                break;
            }
            seen = ev->type == EV_KEY && ev->code == expected && ev->value == value;
        }
        if (!seen) {
            ++figures.lost;
            continue;
        }
        times.push_back(nowNs() - start);
    }
    std::sort(times.begin(), times.end());
    if (!times.empty()) {
        figures.p50us = static_cast<double>(times[times.size() / 2]) / 1000.0;
        figures.p99us = static_cast<double>(times[times.size() * 99 / 100]) / 1000.0;
    }
    return figures;
}

void print(const char* what, const Figures& f, int count = samples)
{
    std::printf("LATENCY %-12s p50 %8.1f us  p99 %8.1f us  (%d events, %d lost)\n", what, f.p50us, f.p99us, count,
                f.lost);
    std::fflush(stdout);
}

TEST_F(KernelTest, AddedLatencyOfPassThroughAndRewrite)
{
    auto kb = FakeDevice::keyboard("Latency Keyboard");

    // Reading the physical device directly.
    Figures direct;
    {
        EventReader physical(kb->devnode());
        ASSERT_TRUE(physical.isOpen());
        direct = measure(*kb, physical, KEY_J, KEY_J);
    }

    configure(R"({"version": 2, "preferences": {"showHUD": false}, "groups": [{
        "name": "延迟", "scope": {"mode": "all", "apps": [], "urls": []},
        "mappings": [{"trigger": "k", "action": {"type": "keys", "keys": "x"}, "note": ""}]}]})");
    start();
    waitGrabbed(*kb);
    const Figures pass = measure(*kb, *output, KEY_J, KEY_J);
    const Figures rewrite = measure(*kb, *output, KEY_K, KEY_X);

    print("direct", direct);
    print("pass-through", pass);
    print("rewrite", rewrite);
    std::printf("LATENCY added: pass-through p50 %+.1f us p99 %+.1f us; rewrite p50 %+.1f us p99 %+.1f us\n",
                pass.p50us - direct.p50us, pass.p99us - direct.p99us, rewrite.p50us - direct.p50us,
                rewrite.p99us - direct.p99us);
    std::fflush(stdout);
    EXPECT_EQ(direct.lost + pass.lost + rewrite.lost, 0);
}

// The window's thread can be busy for a long time (a big list, a slow
// disk): keys must flow regardless, and the actions that need that thread
// wait for it. Here it is stuck inside a task until the end of the typing.
TEST_F(KernelTest, StuckMainThreadDelaysNoKey)
{
    constexpr int typed = 2000;
    auto kb = FakeDevice::keyboard("Busy Keyboard");
    configure(R"({"version": 2, "preferences": {"showHUD": false}, "groups": [{
        "name": "忙", "scope": {"mode": "all", "apps": [], "urls": []},
        "mappings": [{"trigger": "k", "action": {"type": "keys", "keys": "x"}, "note": ""},
                     {"trigger": "f5", "action": {"type": "media", "media": "playpause"}, "note": ""}]}]})");
    start();
    waitGrabbed(*kb);
    const Figures idle = measure(*kb, *output, KEY_K, KEY_X, typed);

    pump(); // the idle round's hand-offs
    std::promise<void> entered;
    std::promise<void> release;
    platform.executor.post([&entered, done = release.get_future().share()] {
        entered.set_value();
        done.wait();
    });
    std::thread mainThread([&] { platform.executor.drain(); });
    entered.get_future().wait();
    // Every press of f5 and every rewrite hands work to the stuck thread.
    for (int i = 0; i < 5; ++i) {
        kb->key(KEY_F5, 1);
        kb->key(KEY_F5, 0);
    }
    const Figures busy = measure(*kb, *output, KEY_K, KEY_X, typed);
    const Figures passBusy = measure(*kb, *output, KEY_J, KEY_J, typed);
    const std::size_t waiting = engine().handoffsWaiting();
    release.set_value();
    mainThread.join();

    print("rewrite", idle, typed);
    print("rewrite-busy", busy, typed);
    print("pass-busy", passBusy, typed);
    std::printf("LATENCY with the main thread stuck: %zu hand-offs waited for it\n", waiting);
    std::fflush(stdout);
    EXPECT_EQ(idle.lost + busy.lost + passBusy.lost, 0);
    EXPECT_GE(waiting, 5U) << "the main thread was not kept busy";
    // The media keys come once the main thread runs the actions.
    const auto keys = outputKeys(20);
    EXPECT_EQ(std::count(keys.begin(), keys.end(), KeyChange{KEY_PLAYPAUSE, 1}), 5);
}

} // namespace
} // namespace norvane::kernel_test
