// The main window's pages with a heavy configuration (1,000 groups of 10
// mappings), drawn offscreen with the software renderer the app uses:
// - selecting a group until its page has been drawn;
// - typing one character into a group's name (write-through, recompile,
//   scheduled save and the bindings that follow) on the UI thread;
// - the activity page taking probe reports, drawn after every one.
#include "app/app_model.h"
#include "platform/sim/sim_platform.h"
#include "sim_services.h"
#include "ui/controls/register_controls.h"
#include "ui/qml_types.h"
#include "ui/state/activity_backend.h"
#include "ui/state/app_directory.h"
#include "ui/state/app_state.h"
#include "ui/state/group_backend.h"
#include "ui/state/mappings_backend.h"

#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <fstream>
#include <memory>
#include <string>

namespace norvane {
namespace {

class NoApps final : public ui::AppDirectory {
public:
    [[nodiscard]] std::vector<ui::AppEntry> installed() override { return {}; }
    [[nodiscard]] std::vector<std::string> running() override { return {}; }
    [[nodiscard]] std::optional<std::string> iconFile(const std::optional<std::string>& /*appID*/,
                                                      int /*sizePx*/) override
    {
        return std::nullopt;
    }
};

// 1,000 groups of 10 key mappings, each group on its own combinations.
std::vector<RuleGroup> heavyConfiguration()
{
    std::vector<RuleGroup> groups;
    for (int g = 0; g < 1000; ++g) {
        Scope scope;
        scope.mode = g % 2 == 0 ? ScopeMode::all : ScopeMode::only;
        scope.apps = {"firefox", "org.gnome.TextEditor"};
        scope.urls = {"docs.example.com/document"};
        std::vector<Mapping> mappings;
        for (int m = 0; m < 10; ++m) {
            const auto modifiers = static_cast<std::uint64_t>((g * 10 + m) / 100 % 15 + 1) << 17;
            mappings.emplace_back(Trigger::key(Combo((g * 10 + m) % 100, modifiers)),
                                  Action::keys(Combo(m + 2, mod::control)), "备注");
        }
        groups.emplace_back("规则组 " + std::to_string(g), std::move(scope), std::move(mappings));
    }
    return groups;
}

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

// The app's objects on the simulated platform and one offscreen window
// showing one page.
struct Pages {
    Pages()
        : model(AppPlatform{sim.tap, sim.output, sim.frontmost, sim.pages, sim.workspace, sim.notifier, permission,
                            loginItem, monitor, monitor},
                AppStorage{folder.path() + "/config.json", folder.path() + "/norvane.conf", "norvane"}, systemClock()),
          state(model, apps), activity(model), group(state, sim.workspace, sim.pages), mappings(state)
    {
        auto groups = heavyConfiguration();
        // One more group of 1,000 mappings, the largest a page shows.
        RuleGroup big("大组");
        for (int m = 0; m < 1000; ++m) {
            const auto modifiers = static_cast<std::uint64_t>(m / 100 % 15 + 1) << 17;
            big.mappings.emplace_back(Trigger::key(Combo(m % 100 + 100, modifiers)),
                                      Action::keys(Combo(m % 50 + 2, mod::control)));
        }
        groups.push_back(std::move(big));
        model.setGroups(std::move(groups));
        ui::registerQmlTypes(engine, state, nullptr, &activity);
        qmlRegisterSingletonInstance("Norvane", 1, 0, "GroupEditor", &group);
        qmlRegisterSingletonInstance("Norvane", 1, 0, "Mappings", &mappings);
    }

    void show(const char* page)
    {
        view = std::make_unique<QQuickView>(&engine, nullptr);
        view->setResizeMode(QQuickView::SizeRootObjectToView);
        view->resize(760, 660);
        view->setSource(QUrl(QStringLiteral("qrc:/norvane/qml/pages/") + QLatin1String(page)));
        view->show();
        draw();
    }

    // Runs what the last change posted and draws a frame.
    void draw()
    {
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(view->grabWindow());
    }

    QTemporaryDir folder;
    sim::Platform sim;
    bench::GrantedAccess permission;
    bench::NoLoginItem loginItem;
    bench::NoMonitor monitor;
    NoApps apps;
    AppModel model;
    ui::AppState state;
    ui::ActivityBackend activity;
    ui::GroupBackend group;
    ui::MappingsBackend mappings;
    QQmlEngine engine;
    std::unique_ptr<QQuickView> view;
};

// Made on first use, destroyed in main() while the application still exists.
std::unique_ptr<Pages>& pagesInstance()
{
    static std::unique_ptr<Pages> instance;
    return instance;
}

Pages& pages()
{
    auto& instance = pagesInstance();
    if (!instance) {
        instance = std::make_unique<Pages>();
    }
    return *instance;
}

// One of the 1,000 groups of 10 mappings.
QString groupId(std::size_t i)
{
    const auto& groups = pages().model.groups();
    return QString::fromStdString(groups[i % (groups.size() - 1)].id.string());
}

QString bigGroupId()
{
    return QString::fromStdString(pages().model.groups().back().id.string());
}

void BM_SelectGroupUntilDrawn(benchmark::State& state)
{
    auto& p = pages();
    p.state.select(QStringLiteral("group"), groupId(0));
    p.show("GroupPage.qml");
    std::size_t i = 1;
    for (auto _ : state) {
        p.state.select(QStringLiteral("group"), groupId(i * 37));
        p.draw();
        ++i;
    }
}
BENCHMARK(BM_SelectGroupUntilDrawn)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SelectGroupOfAThousandMappingsUntilDrawn(benchmark::State& state)
{
    auto& p = pages();
    p.state.select(QStringLiteral("group"), groupId(0));
    p.show("GroupPage.qml");
    for (auto _ : state) {
        state.PauseTiming();
        p.state.select(QStringLiteral("group"), groupId(1));
        p.draw();
        state.ResumeTiming();
        p.state.select(QStringLiteral("group"), bigGroupId());
        p.draw();
    }
}
BENCHMARK(BM_SelectGroupOfAThousandMappingsUntilDrawn)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TypeOneCharacterInTheName(benchmark::State& state)
{
    auto& p = pages();
    p.state.select(QStringLiteral("group"), groupId(500));
    p.show("GroupPage.qml");
    QString name = p.group.name();
    for (auto _ : state) {
        name += QLatin1Char(name.size() % 2 == 0 ? 'a' : 'b');
        if (name.size() > 60) {
            name.truncate(10);
        }
        p.group.setName(name);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_TypeOneCharacterInTheName)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ActivityProbeReportDrawn(benchmark::State& state)
{
    auto& p = pages();
    p.show("ActivityPage.qml");
    ProbeInfo info;
    info.trigger = Trigger::key(Combo(37, mod::control));
    info.appID = "firefox";
    info.url = "https://docs.example.com/document/d/1";
    for (int i = 0; i < 200; ++i) {
        p.model.setProbe(info);
        p.draw();
    }
    const long before = residentKiB();
    for (auto _ : state) {
        p.model.setProbe(info);
        p.draw();
    }
    state.counters["rss_growth_KiB"] = static_cast<double>(residentKiB() - before);
}
BENCHMARK(BM_ActivityProbeReportDrawn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2000);

} // namespace
} // namespace norvane

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QUICK_BACKEND", "software");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    norvane::pagesInstance().reset();
    return 0;
}
