// Passing input through (and rewriting it) must not touch the heap: the
// input thread holds every keyboard while it works.
#include "platform/linux/input/dispatcher.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace norvane::linux_input {
namespace {

class CountingSink final : public EventSink {
public:
    void write(std::span<const input_event> events) override { written += events.size(); }
    void pause() override {}
    std::size_t written = 0;
};

// Rewrites k to cmd+x, passes everything else.
class RewriteK final : public InputHandler {
public:
    bool handle(InputEvent& event) override
    {
        if (event.keyCode == 40) {
            event.keyCode = 7;
            event.flags = mod::command;
        }
        return true;
    }
};

class NoObserver final : public DispatchObserver {
public:
    void extraButtonPressed(std::int64_t) override {}
    void panicChord() override {}
};

TEST(DispatcherAllocation, PassThroughRewriteAndMouseMotionAllocateNothing)
{
    CountingSink sink;
    OutputBatch batch{sink};
    RewriteK handler;
    NoObserver observer;
    Dispatcher dispatcher{handler, observer, batch};
    DeviceKeys kb;
    DeviceKeys mouse;
    dispatcher.setForwarding(kb, true);
    dispatcher.setForwarding(mouse, true);

    const long before = allocations.load();
    for (int round = 0; round < 1000; ++round) {
        for (const auto& [code, value] : {std::pair{KEY_LEFTCTRL, 1},
                                          {KEY_A, 1},
                                          {KEY_A, 2},
                                          {KEY_A, 0},
                                          {KEY_K, 1},
                                          {KEY_K, 0},
                                          {KEY_LEFTCTRL, 0}}) {
            dispatcher.onEvent(kb, input_event{{}, EV_KEY, static_cast<std::uint16_t>(code), value});
        }
        dispatcher.onEvent(mouse, input_event{{}, EV_REL, REL_X, 3});
        dispatcher.onEvent(mouse, input_event{{}, EV_KEY, BTN_MIDDLE, round % 2});
        dispatcher.onEvent(mouse, input_event{{}, EV_SYN, SYN_REPORT, 0});
        batch.flush();
    }
    EXPECT_EQ(allocations.load() - before, 0);
    EXPECT_GT(sink.written, 10000U);

    // The counter itself works.
    const long counted = allocations.load();
    int* volatile probe = new int(1);
    delete probe;
    EXPECT_EQ(allocations.load(), counted + 1);
}

} // namespace
} // namespace norvane::linux_input
