#include "app/conflicts.h"

#include <algorithm>

namespace norvane {

namespace {

constexpr const char* sameGroupMessage = "本组里还有一条映射用了相同的触发键，只有排在前面的会生效";
constexpr const char* plainKeyMessage = "没有修饰键的单个按键会影响正常打字";

// Key codes below this are the character keys of the standard layout with
// Return, Tab and Space; Delete and everything above never disturb typing.
constexpr std::int64_t firstNonTypingKey = 51;

bool contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

// An `only` list against an `except` list: some listed application is not excluded.
bool onlyMeetsExcept(const std::vector<std::string>& only, const std::vector<std::string>& except)
{
    return std::any_of(only.begin(), only.end(), [&](const std::string& app) { return !contains(except, app); });
}

bool firesOn(const Mapping& other, const Trigger& trigger)
{
    return other.enabled && other.trigger && *other.trigger == trigger;
}

} // namespace

bool scopesOverlap(const Scope& earlier, const Scope& later)
{
    if (earlier.mode == ScopeMode::all || later.mode == ScopeMode::all) {
        return true;
    }
    if (earlier.mode == ScopeMode::except && later.mode == ScopeMode::except) {
        return true;
    }
    if (earlier.mode == ScopeMode::only && later.mode == ScopeMode::only) {
        return std::any_of(earlier.apps.begin(), earlier.apps.end(),
                           [&](const std::string& app) { return contains(later.apps, app); });
    }
    if (earlier.mode == ScopeMode::only) {
        return onlyMeetsExcept(earlier.apps, later.apps);
    }
    return onlyMeetsExcept(later.apps, earlier.apps);
}

std::optional<std::string> conflictMessage(const Mapping& mapping, const RuleGroup& group,
                                           const std::vector<RuleGroup>& groups)
{
    if (!mapping.trigger || !mapping.enabled) {
        return std::nullopt;
    }
    const Trigger& trigger = *mapping.trigger;

    for (const Mapping& other : group.mappings) {
        if (other.id != mapping.id && firesOn(other, trigger)) {
            return sameGroupMessage;
        }
    }

    for (const RuleGroup& earlier : groups) {
        if (earlier.id == group.id) {
            break;
        }
        if (!earlier.enabled || !scopesOverlap(earlier.scope, group.scope)) {
            continue;
        }
        if (std::any_of(earlier.mappings.begin(), earlier.mappings.end(),
                        [&](const Mapping& other) { return firesOn(other, trigger); })) {
            return "「" + earlier.name + "」也用了这个触发键，它排在前面，范围重叠时会优先生效";
        }
    }

    if (trigger.isKey() && trigger.combo().modifiers == 0 && trigger.combo().keyCode < firstNonTypingKey) {
        return plainKeyMessage;
    }
    return std::nullopt;
}

} // namespace norvane
