// Added latency of the input layer: the time from writing a key to a
// "physical" device until it can be read from the output device, for a key
// passed through and for a key rewritten by a rule, against reading the
// physical device directly. Prints p50 and p99 over 10,000 key events each.
#include "kernel_fixture.h"
#include "key_latency.h"

#include <algorithm>
#include <cstdio>
#include <future>
#include <thread>

namespace norvane::kernel_test {
namespace {

constexpr int samples = 10000;

TEST_F(KernelTest, AddedLatencyOfPassThroughAndRewrite)
{
    auto kb = FakeDevice::keyboard("Latency Keyboard");

    // Reading the physical device directly.
    KeyLatency direct;
    {
        EventReader physical(kb->devnode());
        ASSERT_TRUE(physical.isOpen());
        direct = measureKeyLatency(*kb, physical, KEY_J, KEY_J, samples);
    }

    configure(R"({"version": 2, "preferences": {"showHUD": false}, "groups": [{
        "name": "延迟", "scope": {"mode": "all", "apps": [], "urls": []},
        "mappings": [{"trigger": "k", "action": {"type": "keys", "keys": "x"}, "note": ""}]}]})");
    start();
    waitGrabbed(*kb);
    const KeyLatency pass = measureKeyLatency(*kb, *output, KEY_J, KEY_J, samples);
    const KeyLatency rewrite = measureKeyLatency(*kb, *output, KEY_K, KEY_X, samples);

    printKeyLatency("direct", direct);
    printKeyLatency("pass-through", pass);
    printKeyLatency("rewrite", rewrite);
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
    const KeyLatency idle = measureKeyLatency(*kb, *output, KEY_K, KEY_X, typed);

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
    const KeyLatency busy = measureKeyLatency(*kb, *output, KEY_K, KEY_X, typed);
    const KeyLatency passBusy = measureKeyLatency(*kb, *output, KEY_J, KEY_J, typed);
    const std::size_t waiting = engine().handoffsWaiting();
    release.set_value();
    mainThread.join();

    printKeyLatency("rewrite", idle);
    printKeyLatency("rewrite-busy", busy);
    printKeyLatency("pass-busy", passBusy);
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
