#pragma once

#include "engine/engine.h"
#include "platform/sim/sim_platform.h"

#include <optional>
#include <string>
#include <vector>

namespace norvane::test {

// Keeps what the engine hands to the app model.
class RecordingListener final : public EngineListener {
public:
    struct Hit {
        CompiledMapping mapping;
        std::optional<std::string> appID;
    };
    void recordHit(const CompiledMapping& mapping, const std::optional<std::string>& appID) override
    {
        hits.push_back({mapping, appID});
    }
    void probe(const ProbeInfo& info) override { probes.push_back(info); }

    std::vector<Hit> hits;
    std::vector<ProbeInfo> probes;
};

// The engine, started, on the simulated platform (optionally with another
// source of the frontmost application).
struct EngineFixture {
    explicit EngineFixture(const FrontmostSource* front = nullptr)
        : engine(EngineServices{platform.tap, platform.output, front != nullptr ? *front : platform.frontmost,
                                platform.pages, platform.workspace, platform.notifier, platform.executor, switches,
                                listener})
    {
        engine.start();
    }

    sim::Platform platform;
    EngineSwitches switches;
    RecordingListener listener;
    Engine engine;

    // Feeds one event through the tap; returns whether it is delivered.
    bool feed(InputEvent& event) { return platform.tap.feed(event); }
    bool key(bool down, Combo combo, std::uint64_t extraFlags = 0)
    {
        InputEvent e = InputEvent::key(down, combo.keyCode, combo.modifiers | extraFlags);
        return feed(e);
    }
};

inline RuleGroup group(std::string name, std::vector<Mapping> mappings, Scope scope = {})
{
    return RuleGroup(std::move(name), std::move(scope), std::move(mappings));
}

} // namespace norvane::test
