#include "ui/state/group_style.h"

#include <algorithm>

namespace norvane::ui {

namespace {

std::optional<std::string> onlyApp(const RuleGroup& group)
{
    if (group.scope.mode == ScopeMode::only && !group.scope.apps.empty()) {
        return group.scope.apps.front();
    }
    return std::nullopt;
}

bool allActionsOf(const RuleGroup& group, ActionKind kind)
{
    bool any = false;
    for (const auto& m : group.mappings) {
        if (!m.action) {
            continue;
        }
        if (m.action->kind() != kind) {
            return false;
        }
        any = true;
    }
    return any;
}

} // namespace

GroupStyle groupStyle(const RuleGroup& group)
{
    bool anyTrigger = false;
    bool allMouse = true;
    for (const auto& m : group.mappings) {
        if (m.trigger) {
            anyTrigger = true;
            allMouse = allMouse && m.trigger->isMouse();
        }
    }
    if (anyTrigger && allMouse) {
        return GroupStyle::mouse;
    }
    if (allActionsOf(group, ActionKind::media)) {
        return GroupStyle::media;
    }
    if (allActionsOf(group, ActionKind::openApp)) {
        return GroupStyle::application;
    }
    return GroupStyle::command;
}

GroupIconChoice groupIcon(const RuleGroup& group)
{
    return {onlyApp(group), groupStyle(group)};
}

const char* styleName(GroupStyle style) noexcept
{
    switch (style) {
    case GroupStyle::mouse:
        return "mouse";
    case GroupStyle::media:
        return "media";
    case GroupStyle::application:
        return "application";
    case GroupStyle::command:
        break;
    }
    return "command";
}

GroupIconChoice menuIcon(const RuleGroup& group)
{
    const bool allMouse =
        !group.mappings.empty() && std::all_of(group.mappings.begin(), group.mappings.end(),
                                               [](const Mapping& m) { return m.trigger && m.trigger->isMouse(); });
    return {onlyApp(group), allMouse ? GroupStyle::mouse : GroupStyle::command};
}

} // namespace norvane::ui
