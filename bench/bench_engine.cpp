// Per-event cost of the engine's input path and the cost of compiling, at
// several rule counts. Counts the heap allocations and mutex locks of the
// input thread and reports them per event.
#include "counting_new.h"
#include "engine/engine.h"
#include "platform/sim/sim_platform.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace norvane {
namespace {

// Wakes the main thread as the app's executor does (an eventfd write); the
// benchmark plays the main thread between batches of events, outside the
// timed part, so the figures include handing every fired rule over.
class EventfdExecutor final : public Executor {
public:
    EventfdExecutor() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~EventfdExecutor() override { ::close(fd_); }
    EventfdExecutor(const EventfdExecutor&) = delete;
    EventfdExecutor& operator=(const EventfdExecutor&) = delete;

    void post(Task task) override { task(); }
    void attach(Queue& queue) override { queue_ = &queue; }
    void detach(Queue& /*queue*/) override { queue_ = nullptr; }
    void wake() noexcept override
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd_, &one, sizeof one);
    }

    // The main thread's turn.
    void serve()
    {
        std::uint64_t count = 0;
        if (::read(fd_, &count, sizeof count) > 0 && queue_ != nullptr) {
            queue_->drain();
        }
    }

private:
    int fd_;
    Queue* queue_ = nullptr;
};

class NullListener final : public EngineListener {
public:
    void recordHit(const CompiledMapping& /*mapping*/, const std::optional<std::string>& /*appID*/) override {}
    void probe(const ProbeInfo& /*info*/) override {}
};

class NullOutput final : public EventOutput {
public:
    void postKeyEvents(std::span<const InputEvent> /*events*/) override {}
    void postKeyEventsToProcess(int /*pid*/, std::span<const InputEvent> /*events*/) override {}
    void postMediaKeyEvent(MediaKeyEvent /*event*/) override {}
};

class NullNotifier final : public Notifier {
public:
    void show(const Notice& /*notice*/) override {}
};

// A browser's address, shared from memory as the real snapshot does.
class FixedAddress final : public PageAddressSource {
public:
    [[nodiscard]] PageAddress currentURL(const std::string& /*appID*/) const override { return address_; }

private:
    PageAddress address_ = std::make_shared<const std::string>("https://docs.example.org/guide/index.html");
};

constexpr Combo trigger{40, mod::control};
constexpr Combo mediaTrigger{96, 0}; // f5
constexpr Combo unmapped{1, 0};

// `count` mappings in groups of ten; the first one is on `trigger` in the
// given scope, the others on distinct combinations that are never pressed;
// one more plays a media key on `mediaTrigger`.
std::vector<RuleGroup> makeRules(std::int64_t count, const Scope& firstScope)
{
    std::vector<RuleGroup> groups;
    for (std::int64_t i = 0; i < count; ++i) {
        if (i % 10 == 0) {
            groups.emplace_back("组 " + std::to_string(i / 10), i == 0 ? firstScope : Scope{});
        }
        const Combo from = i == 0 ? trigger : Combo{5000 + i, mod::command};
        groups.back().mappings.emplace_back(Trigger::key(from), Action::keys(Combo{37, mod::command}));
    }
    if (!groups.empty()) {
        groups.back().mappings.emplace_back(Trigger::key(mediaTrigger), Action::media(MediaKey::playPause));
    }
    return groups;
}

struct Bench {
    sim::Journal journal;
    sim::EventTap tap;
    NullOutput output;
    FrontmostSnapshot frontmost;
    FixedAddress pages;
    sim::Workspace workspace{journal};
    NullNotifier notifier;
    EventfdExecutor executor;
    EngineSwitches switches;
    NullListener listener;
    Engine engine{EngineServices{tap, output, frontmost, pages, workspace, notifier, executor, switches, listener}};

    Bench(std::int64_t count, const Scope& scope)
    {
        frontmost.publish(std::string("firefox"), 42);
        engine.compile(makeRules(count, scope));
        engine.start();
    }

    void run(benchmark::State& state, InputEvent event)
    {
        InputEvent warm = event;
        engine.handle(warm); // picks up the compiled rules
        executor.serve();
        const std::uint64_t droppedBefore = engine.handoffsDropped();
        // Counted on the input thread's share only, over whole batches: the
        // main thread's turns and the benchmark loop's own start and finish
        // (each takes a lock) are left out.
        std::size_t allocations = 0;
        std::size_t locks = 0;
        std::size_t counted = 0;
        test_support::Counting counting;
        std::size_t inBatch = 0;
        for (auto _ : state) {
            if (inBatch == 0) {
                counting = test_support::Counting();
            }
            InputEvent e = event;
            benchmark::DoNotOptimize(engine.handle(e));
            benchmark::DoNotOptimize(e);
            if (++inBatch == batch) {
                allocations += counting.allocations();
                locks += counting.mutexLocks();
                counted += batch;
                state.PauseTiming();
                executor.serve();
                inBatch = 0;
                state.ResumeTiming();
            }
        }
        const auto perCounted = [&](std::size_t n) {
            return counted > 0 ? static_cast<double>(n) / static_cast<double>(counted) : -1.0;
        };
        state.counters["allocs/event"] = perCounted(allocations);
        state.counters["locks/event"] = perCounted(locks);
        const auto events = static_cast<double>(state.iterations());
        state.counters["dropped/event"] = static_cast<double>(engine.handoffsDropped() - droppedBefore) / events;
        state.counters["mappings"] = static_cast<double>(state.range(0));
    }

    // Events between two turns of the main thread: half the hand-off ring.
    static constexpr std::size_t batch = Engine::handoffCapacity / 2;
};

void BM_PassThrough(benchmark::State& state)
{
    Bench bench(state.range(0), Scope{});
    bench.run(state, InputEvent::key(true, unmapped.keyCode, unmapped.modifiers));
}

// A rewrite, with its hit handed to the main thread.
void BM_Rewrite(benchmark::State& state)
{
    Bench bench(state.range(0), Scope{});
    bench.run(state, InputEvent::key(true, trigger.keyCode, trigger.modifiers | mod::capsLock));
}

// A rule whose action runs on the main thread (a media key).
void BM_FiredAction(benchmark::State& state)
{
    Bench bench(state.range(0), Scope{});
    bench.run(state, InputEvent::key(true, mediaTrigger.keyCode, mediaTrigger.modifiers));
}

void BM_OnlyScopeUrl(benchmark::State& state)
{
    Bench bench(state.range(0), Scope{ScopeMode::only, {"google-chrome", "firefox"}, {"github", "docs"}});
    bench.run(state, InputEvent::key(true, trigger.keyCode, trigger.modifiers));
}

void BM_Compile(benchmark::State& state)
{
    // A realistic scope on every group: two applications, one keyword.
    auto groups = makeRules(state.range(0), Scope{});
    for (auto& g : groups) {
        g.scope = Scope{ScopeMode::only, {"org.gnome.Terminal", "firefox"}, {"docs"}};
    }
    Bench bench(0, Scope{});
    for (auto _ : state) {
        bench.engine.compile(groups);
    }
    state.counters["mappings"] = static_cast<double>(state.range(0));
}

BENCHMARK(BM_PassThrough)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_Rewrite)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_FiredAction)->Arg(10)->Arg(100000);
BENCHMARK(BM_OnlyScopeUrl)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_Compile)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace norvane
