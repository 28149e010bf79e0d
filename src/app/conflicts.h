#pragma once

#include "model/rules.h"

#include <optional>
#include <string>
#include <vector>

namespace norvane {

// Whether an earlier group's scope and a later group's scope can both accept
// the same application, judged from modes and application lists alone.
bool scopesOverlap(const Scope& earlier, const Scope& later);

// The warning a mapping row shows, or nothing: a same-group duplicate, an
// earlier group with an overlapping scope and the same trigger, or a bare
// typing key. `group` is the group holding `mapping`; `groups` all groups in
// rule order.
std::optional<std::string> conflictMessage(const Mapping& mapping, const RuleGroup& group,
                                           const std::vector<RuleGroup>& groups);

} // namespace norvane
