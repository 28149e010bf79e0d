#pragma once

#include "engine/compiled_mapping.h"
#include "engine/probe_info.h"

#include <atomic>
#include <optional>
#include <string>

namespace norvane {

// The three switches the engine reads on every event (never cached). The
// app owns one and flips them from the main thread; the input thread reads.
class EngineSwitches {
public:
    [[nodiscard]] bool masterEnabled() const noexcept { return master_.load(std::memory_order_relaxed); }
    [[nodiscard]] bool recorderActive() const noexcept { return recorder_.load(std::memory_order_relaxed); }
    [[nodiscard]] bool probeActive() const noexcept { return probe_.load(std::memory_order_relaxed); }

    void setMasterEnabled(bool on) noexcept { master_.store(on, std::memory_order_relaxed); }
    // True while a trigger recorder waits for input.
    void setRecorderActive(bool on) noexcept { recorder_.store(on, std::memory_order_relaxed); }
    // True while the live probe is on screen.
    void setProbeActive(bool on) noexcept { probe_.store(on, std::memory_order_relaxed); }

private:
    std::atomic<bool> master_{true};
    std::atomic<bool> recorder_{false};
    std::atomic<bool> probe_{false};
};

// What the engine hands to the app model. Called on the main thread, through
// the executor, in the order the events produced them.
class EngineListener {
public:
    virtual ~EngineListener() = default;
    // A rule fired (autorepeats excluded). `appID` is the frontmost
    // application when the event arrived.
    virtual void recordHit(const CompiledMapping& mapping, const std::optional<std::string>& appID) = 0;
    // A probe report (only while the probe is on).
    virtual void probe(const ProbeInfo& info) = 0;
};

} // namespace norvane
