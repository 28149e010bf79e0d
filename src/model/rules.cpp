#include "model/rules.h"

namespace norvane {

void Mapping::hashInto(Hasher& h) const
{
    id.hashInto(h);
    h.add(enabled);
    h.add(trigger.has_value());
    if (trigger) {
        trigger->hashInto(h);
    }
    h.add(action.has_value());
    if (action) {
        action->hashInto(h);
    }
    h.add(note);
}

void RuleGroup::hashInto(Hasher& h) const
{
    id.hashInto(h);
    h.add(name);
    h.add(enabled);
    scope.hashInto(h);
    h.add(static_cast<std::uint64_t>(mappings.size()));
    for (const auto& m : mappings) {
        m.hashInto(h);
    }
}

} // namespace norvane
