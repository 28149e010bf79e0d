#include "engine/compiled_rules.h"

namespace norvane {

namespace {

bool fitsKeyboardEvent(const std::optional<Combo>& combo)
{
    return combo && combo->keyCode >= 0 && combo->keyCode <= maxKeyCode;
}

} // namespace

bool isCompilable(const Mapping& mapping)
{
    if (!mapping.isUsable()) {
        return false;
    }
    const Action& action = *mapping.action;
    if (const auto* keys = action.as<KeysAction>()) {
        return fitsKeyboardEvent(keys->combo);
    }
    if (const auto* send = action.as<SendKeysAction>()) {
        return fitsKeyboardEvent(send->combo);
    }
    return true;
}

std::shared_ptr<const CompiledRules> CompiledRules::build(const std::vector<RuleGroup>& groups)
{
    auto rules = std::make_shared<CompiledRules>();
    std::size_t total = 0;
    for (const auto& group : groups) {
        if (group.enabled) {
            total += group.mappings.size();
        }
    }
    rules->mappings_.reserve(total);
    for (const auto& group : groups) {
        if (!group.enabled) {
            continue;
        }
        for (const auto& mapping : group.mappings) {
            if (!isCompilable(mapping)) {
                continue;
            }
            rules->mappings_.push_back(
                CompiledMapping{group.name, group.scope, mapping.id, *mapping.trigger, *mapping.action, mapping.note});
        }
    }

    // mappings_ is complete and never resized again, so pointers into it stay valid.
    std::vector<std::pair<Combo, const CompiledMapping*>> keys;
    std::vector<std::pair<std::int64_t, const CompiledMapping*>> buttons;
    keys.reserve(rules->mappings_.size());
    for (const auto& m : rules->mappings_) {
        if (m.trigger.isKey()) {
            keys.emplace_back(m.trigger.combo(), &m);
        } else {
            buttons.emplace_back(m.trigger.button(), &m);
        }
    }
    rules->keys_.build(keys);
    rules->buttons_.build(buttons);
    return rules;
}

} // namespace norvane
