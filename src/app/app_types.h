#pragma once

#include "model/action.h"
#include "model/trigger.h"
#include "model/uuid.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace norvane {

// Hit counter per mapping id.
using HitCounts = std::unordered_map<Uuid, std::int64_t>;

// What the main window shows: a group's page, the activity page or the
// general settings page.
struct SidebarItem {
    enum class Kind : std::uint8_t { group, activity, general };
    Kind kind = Kind::activity;
    Uuid groupID; // for `group` only

    static SidebarItem group(Uuid id) { return {Kind::group, id}; }
    static SidebarItem activity() { return {Kind::activity, {}}; }
    static SidebarItem general() { return {Kind::general, {}}; }

    friend bool operator==(const SidebarItem&, const SidebarItem&) = default;
};

// One entry of the activity log: a rule that fired.
struct ActivityItem {
    Uuid id = Uuid::random();
    std::chrono::system_clock::time_point date; // when the model recorded the hit
    std::string groupName;
    Trigger trigger = Trigger::mouse(0);
    Action action;
    std::optional<std::string> appID; // frontmost application when the event arrived

    friend bool operator==(const ActivityItem&, const ActivityItem&) = default;
};

// The activity log keeps this many entries, newest first.
inline constexpr std::size_t recentLimit = 50;

} // namespace norvane
