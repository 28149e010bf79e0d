// Per-event cost of the engine's input path and the cost of compiling, at
// several rule counts. Counts heap allocations and reports them per event.
#include "engine/engine.h"
#include "platform/sim/sim_platform.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> allocations{0};

} // namespace

// Counting replacements of the global allocation functions (malloc-backed on
// purpose, so the pairing with free below is intended).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

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
void operator delete(void* p, std::size_t /*size*/) noexcept
{
    std::free(p);
}
#pragma GCC diagnostic pop

namespace norvane {
namespace {

// Hand-offs are dropped: only the input thread's share of the work is measured.
class DiscardingExecutor final : public Executor {
public:
    void post(Task task) override { benchmark::DoNotOptimize(task); }
};

class NullListener final : public EngineListener {
public:
    void recordHit(const CompiledMapping& /*mapping*/, const std::optional<std::string>& /*appID*/) override {}
    void probe(const ProbeInfo& /*info*/) override {}
};

// A browser's address, answered from memory as the real snapshot does.
class FixedAddress final : public PageAddressSource {
public:
    [[nodiscard]] std::optional<std::string> currentURL(const std::string& /*appID*/) const override
    {
        return "https://docs.example.org/guide/index.html";
    }
};

constexpr Combo trigger{40, mod::control};
constexpr Combo unmapped{1, 0};

// `count` mappings in groups of ten; the first one is on `trigger` in the
// given scope, the others on distinct combinations that are never pressed.
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
    return groups;
}

struct Bench {
    sim::Journal journal;
    sim::EventTap tap;
    sim::EventOutput output{journal};
    FrontmostSnapshot frontmost;
    FixedAddress pages;
    sim::Workspace workspace{journal};
    sim::Notifier notifier{journal};
    DiscardingExecutor executor;
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
        const std::size_t before = allocations.load();
        for (auto _ : state) {
            InputEvent e = event;
            benchmark::DoNotOptimize(engine.handle(e));
            benchmark::DoNotOptimize(e);
        }
        const auto events = static_cast<double>(state.iterations());
        state.counters["allocs/event"] = static_cast<double>(allocations.load() - before) / events;
        state.counters["mappings"] = static_cast<double>(state.range(0));
    }
};

void BM_PassThrough(benchmark::State& state)
{
    Bench bench(state.range(0), Scope{});
    bench.run(state, InputEvent::key(true, unmapped.keyCode, unmapped.modifiers));
}

void BM_Rewrite(benchmark::State& state)
{
    Bench bench(state.range(0), Scope{});
    bench.run(state, InputEvent::key(true, trigger.keyCode, trigger.modifiers | mod::capsLock));
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
BENCHMARK(BM_OnlyScopeUrl)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_Compile)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace norvane
