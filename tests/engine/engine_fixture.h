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

// The engine on the simulated platform.
struct EngineFixture {
    sim::Platform platform;
    EngineSwitches switches;
    RecordingListener listener;
    Engine engine{EngineServices{platform.tap, platform.output, platform.frontmost, platform.pages, platform.workspace,
                                 platform.notifier, platform.executor, switches, listener}};

    EngineFixture() { engine.start(); }

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

inline Mapping rule(Trigger trigger, Action action, std::string note = {})
{
    return Mapping(trigger, std::move(action), std::move(note));
}

} // namespace norvane::test
