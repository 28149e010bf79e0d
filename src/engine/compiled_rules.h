#pragma once

#include "engine/compiled_mapping.h"
#include "engine/flat_index.h"
#include "model/rules.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace norvane {

// Key codes a keyboard event can carry; `keys` and `sendKeys` targets outside
// this range are left out when compiling.
inline constexpr std::int64_t maxKeyCode = 65535;

// One immutable compilation of the rule groups: every usable mapping in rule
// order, and the candidate lists for key combinations and mouse buttons.
// Built on the main thread, then only read.
class CompiledRules {
public:
    using Candidates = std::span<const CompiledMapping* const>;

    static std::shared_ptr<const CompiledRules> build(const std::vector<RuleGroup>& groups);

    // Candidates for a combination / button, in rule order; empty when none.
    [[nodiscard]] Candidates keyCandidates(Combo combo) const noexcept { return keys_.find(combo); }
    [[nodiscard]] Candidates buttonCandidates(std::int64_t button) const noexcept { return buttons_.find(button); }

    // How many buttons some rule listens to (mice are grabbed only then).
    [[nodiscard]] std::size_t buttonTriggerCount() const noexcept { return buttons_.size(); }

    CompiledRules() = default;
    CompiledRules(const CompiledRules&) = delete;
    CompiledRules& operator=(const CompiledRules&) = delete;

private:
    std::vector<CompiledMapping> mappings_; // never resized after build: the indexes point into it
    FlatIndex<Combo, const CompiledMapping*, std::hash<Combo>> keys_;
    FlatIndex<std::int64_t, const CompiledMapping*, IntHash> buttons_;
};

// Whether a mapping can be compiled: usable, and any key target fits a
// keyboard event.
bool isCompilable(const Mapping& mapping);

} // namespace norvane
