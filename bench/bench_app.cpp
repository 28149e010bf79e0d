// The app model's two hot operations: assigning the rule groups (recompile
// and notify, as every edit does) and recording a hit (counter, user-defaults
// write, activity log).
#include "app/app_model.h"
#include "platform/sim/sim_platform.h"
#include "sim_services.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace norvane {
namespace {

// A model on the simulated platform, keeping its files in a temporary folder.
struct Harness {
    Harness()
    {
        static int argc = 1;
        static char name[] = "bench_app";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
        const QString dir = folder.path();
        model = std::make_unique<AppModel>(AppPlatform{sim.tap, sim.output, sim.frontmost, sim.pages, sim.workspace,
                                                       sim.notifier, permission, loginItem, monitor, monitor},
                                           AppStorage{dir + "/config.json", dir + "/norvane.conf", "norvane"},
                                           systemClock());
    }

    QTemporaryDir folder;
    sim::Platform sim;
    bench::GrantedAccess permission;
    bench::NoLoginItem loginItem;
    bench::NoMonitor monitor;
    std::unique_ptr<AppModel> model;
};

// `count` usable mappings in groups of 100, each on its own combination.
std::vector<RuleGroup> makeGroups(std::int64_t count)
{
    std::vector<RuleGroup> groups;
    for (std::int64_t i = 0; i < count; ++i) {
        if (i % 100 == 0) {
            groups.emplace_back("group " + std::to_string(i / 100));
        }
        const Combo trigger(i % 4000, (i / 4000 + 1) * mod::control);
        groups.back().mappings.emplace_back(Trigger::key(trigger), Action::keys(Combo(i % 50, mod::command)));
    }
    return groups;
}

void BM_AssignGroups(benchmark::State& state)
{
    Harness h;
    std::size_t notices = 0;
    QObject::connect(h.model.get(), &AppModel::groupsChanged, [&] { ++notices; });
    const auto groups = makeGroups(state.range(0));
    for (auto _ : state) {
        h.model->setGroups(groups); // a copy, as an edit makes one
    }
    benchmark::DoNotOptimize(notices);
}
BENCHMARK(BM_AssignGroups)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// A hit with `range(0)` counters already in memory: the counter, the note
// for the user-defaults write, the activity log.
void BM_RecordHit(benchmark::State& state)
{
    Harness h;
    const auto groups = makeGroups(state.range(0));
    std::vector<CompiledMapping> hits;
    for (const RuleGroup& g : groups) {
        for (const Mapping& m : g.mappings) {
            hits.push_back(CompiledMapping{g.name, g.scope, m.id, *m.trigger, *m.action, m.note});
            h.model->recordHit(hits.back(), std::nullopt);
        }
    }
    const std::optional<std::string> app = "firefox";
    std::size_t i = 0;
    for (auto _ : state) {
        h.model->recordHit(hits[i++ % hits.size()], app);
    }
}
BENCHMARK(BM_RecordHit)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The deferred user-defaults write of one changed counter among `range(0)`:
// into the settings, then the settings file written (as the event loop
// does after a flush).
void BM_CountsWrite(benchmark::State& state)
{
    QTemporaryDir folder;
    UserDefaults defaults(folder.path() + "/norvane.conf");
    HitCounts counts;
    std::vector<Uuid> ids;
    for (std::int64_t i = 0; i < state.range(0); ++i) {
        ids.push_back(Uuid::random());
        counts[ids.back()] = i;
        defaults.countChanged(ids.back());
    }
    defaults.flushCounts(counts);
    std::size_t i = 0;
    for (auto _ : state) {
        const Uuid& id = ids[i++ % ids.size()];
        ++counts[id];
        defaults.countChanged(id);
        defaults.flushCounts(counts);
    }
}
BENCHMARK(BM_CountsWrite)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace norvane
