#pragma once

#include "model/action.h"
#include "model/scope.h"
#include "model/trigger.h"
#include "model/uuid.h"

#include <string>

namespace norvane {

// The engine's self-contained copy of one usable mapping with its group's
// name and scope, so the event path never consults the rule groups.
// `action` is always complete.
struct CompiledMapping {
    std::string groupName;
    Scope scope;
    Uuid mappingID;
    Trigger trigger = Trigger::mouse(0);
    Action action;
    std::string note;

    // The note, or the action's summary when the note is empty.
    [[nodiscard]] std::string title() const { return note.empty() ? action.summary() : note; }
    // "group · title", as the probe and the activity log show a fired rule.
    [[nodiscard]] std::string matchText() const { return groupName + " · " + title(); }

    friend bool operator==(const CompiledMapping&, const CompiledMapping&) = default;
};

} // namespace norvane
