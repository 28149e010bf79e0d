// Reading and writing a large configuration: 1,000 groups of 10 mappings.
#include "model/config_document.h"
#include "model/config_loader.h"

#include <benchmark/benchmark.h>

namespace {

using namespace norvane;

ConfigFile largeFile()
{
    ConfigFile file;
    for (int g = 0; g < 1000; ++g) {
        RuleGroup group("规则组 " + std::to_string(g),
                        Scope{ScopeMode::only, {"org.gnome.Terminal", "firefox"}, {"github.com/issues"}});
        for (int m = 0; m < 10; ++m) {
            const Combo from(m, mod::control | mod::option);
            switch (m % 4) {
            case 0:
                group.mappings.emplace_back(Trigger::key(from), Action::keys(Combo(40, mod::command)), "笔记");
                break;
            case 1:
                group.mappings.emplace_back(Trigger::mouse(m), Action::media(MediaKey::volumeUp));
                break;
            case 2:
                group.mappings.emplace_back(Trigger::key(from), Action::sendKeys("org.gnome.TextEditor", from));
                break;
            default:
                group.mappings.emplace_back(Trigger::key(from), Action::openApp("org.gnome.Nautilus"));
                break;
            }
        }
        file.groups.push_back(std::move(group));
    }
    return file;
}

void writeConfig(benchmark::State& state)
{
    const auto file = largeFile();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto text = encodeConfig(file);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(writeConfig)->Unit(benchmark::kMillisecond);

void readConfig(benchmark::State& state)
{
    const auto text = encodeConfig(largeFile());
    for (auto _ : state) {
        auto file = decodeConfig(text);
        benchmark::DoNotOptimize(file);
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(readConfig)->Unit(benchmark::kMillisecond);

// The application's load: the same document through the format-picking reader.
void loadConfigDocument(benchmark::State& state)
{
    const auto text = encodeConfig(largeFile());
    for (auto _ : state) {
        auto loaded = readConfigDocument(text);
        benchmark::DoNotOptimize(loaded);
    }
}
BENCHMARK(loadConfigDocument)->Unit(benchmark::kMillisecond);

} // namespace
