#pragma once

#include "model/rules.h"

#include <optional>
#include <string>

namespace norvane::ui {

// How a rule group's icon looks: the icon of the one application an `only`
// group is about, or a coloured tile whose symbol says what its rules do.
enum class GroupStyle { mouse, media, application, command };

struct GroupIconChoice {
    std::optional<std::string> appID; // set: draw this application's icon
    GroupStyle style = GroupStyle::command;
};

// Mouse when every trigger is a mouse button; else media or application when
// every action is of that kind; else command. Mappings without a trigger or
// an action do not vote.
[[nodiscard]] GroupStyle groupStyle(const RuleGroup& group);
[[nodiscard]] GroupIconChoice groupIcon(const RuleGroup& group);
[[nodiscard]] const char* styleName(GroupStyle style) noexcept;

// The status menu's image for a group: the first application of an `only`
// scope, else "computermouse" when the group has mappings and all of them
// have mouse triggers, else "command".
[[nodiscard]] GroupIconChoice menuIcon(const RuleGroup& group);

} // namespace norvane::ui
