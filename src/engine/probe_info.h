#pragma once

#include "model/trigger.h"
#include "model/uuid.h"

#include <optional>
#include <string>

namespace norvane {

// One recognised input, as the live probe shows it. Every report gets a
// fresh id, and two reports are equal only when their ids are, so pressing
// the same key twice still counts as a change.
struct ProbeInfo {
    Uuid id = Uuid::random();
    Trigger trigger = Trigger::mouse(0);
    std::optional<std::string> appID;
    std::optional<std::string> url;   // only for a known browser whose address was read
    std::optional<std::string> match; // "group · title" of the rule that fired

    friend bool operator==(const ProbeInfo& a, const ProbeInfo& b) noexcept { return a.id == b.id; }
};

} // namespace norvane
