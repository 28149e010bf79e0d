// Reading and writing a large configuration: 1,000 groups of 10 mappings;
// and reading the heaviest documents the reader's limits still accept.
#include "model/config_document.h"
#include "model/config_loader.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

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

// The heaviest documents within the limits, each as many values as allowed:
// bare mappings (the most model per byte), mappings as the app writes them
// but without ids (the most bytes per value that still fit), and scopes full
// of one-letter application ids.
std::string limitDocument(const std::string& item, std::size_t perList, bool inScope)
{
    std::string groups;
    std::size_t values = 3; // the document, its preferences and its group list
    const std::size_t itemValues = item == "{}" || item == "\"a\"" ? 1 : 6;
    while (groups.size() < maxConfigBytes - 64 * perList) {
        const auto cost = 2 + (inScope ? 1 : 0) + perList * itemValues;
        if (values + cost > maxConfigValues) {
            break;
        }
        values += cost;
        std::string list;
        for (std::size_t i = 0; i < perList; ++i) {
            list += (i == 0 ? "" : ",") + item;
        }
        groups += (groups.empty() ? "" : ",") +
                  (inScope ? R"({"scope": {"apps": [)" + list + "]}}" : R"({"mappings": [)" + list + "]}");
    }
    return R"({"version": 2, "preferences": {}, "groups": [)" + groups + "]}";
}

void readLimitDocument(benchmark::State& state, const std::string& text)
{
    std::size_t groups = 0;
    for (auto _ : state) {
        auto loaded = readConfigDocument(text);
        groups = loaded ? loaded->groups.size() : 0;
        benchmark::DoNotOptimize(loaded);
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["bytes"] = static_cast<double>(text.size());
    state.counters["groups"] = static_cast<double>(groups);
    state.counters["peakMiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0; // the whole process so far
}

void readLimitBareMappings(benchmark::State& state)
{
    readLimitDocument(state, limitDocument("{}", maxConfigEntries, false));
}
BENCHMARK(readLimitBareMappings)->Unit(benchmark::kMillisecond)->Iterations(3);

void readLimitWrittenMappings(benchmark::State& state)
{
    const std::string mapping =
        R"({"enabled": true, "trigger": "ctrl+opt+k", "action": {"type": "keys", "keys": "shift+cmd+k"}})";
    readLimitDocument(state, limitDocument(mapping, maxConfigEntries, false));
}
BENCHMARK(readLimitWrittenMappings)->Unit(benchmark::kMillisecond)->Iterations(3);

void readLimitScopeLists(benchmark::State& state)
{
    readLimitDocument(state, limitDocument("\"a\"", maxConfigScopeEntries, true));
}
BENCHMARK(readLimitScopeLists)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
