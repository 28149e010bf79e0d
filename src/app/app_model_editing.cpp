// Adding, duplicating and deleting groups; counters; conflicts; the hit log.
#include "app/app_model.h"
#include "app/conflicts.h"
#include "app/templates.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace norvane {

namespace {

using namespace std::chrono_literals;

constexpr std::int64_t countLimit = std::numeric_limits<std::int64_t>::max();
// Hits within this time of the first one are written to the user defaults
// together.
constexpr auto countsWriteDelay = 1000ms;

std::int64_t saturatingAdd(std::int64_t a, std::int64_t b)
{
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return b > 0 ? countLimit : std::numeric_limits<std::int64_t>::min();
    }
    return sum;
}

std::vector<RuleGroup>::const_iterator findGroup(const std::vector<RuleGroup>& groups, const Uuid& id)
{
    return std::find_if(groups.begin(), groups.end(), [&](const RuleGroup& g) { return g.id == id; });
}

} // namespace

void AppModel::addGroup(RuleGroup group)
{
    const Uuid id = group.id;
    std::optional<QString> record;
    if (!group.mappings.empty() && !group.mappings.front().trigger) {
        record = QString::fromStdString(group.mappings.front().triggerRecorderID());
    }
    auto groups = groups_;
    groups.push_back(std::move(group));
    setGroups(std::move(groups));
    setSelection(SidebarItem::group(id));
    if (record) {
        setAutoRecordID(*record);
    }
}

void AppModel::addGroup()
{
    addGroup(defaultNewGroup());
}

void AppModel::addTemplate(std::string_view templateID)
{
    if (const Template* t = findTemplate(templateID)) {
        addGroup(t->make(platform_.workspace));
    }
}

std::optional<Mapping> AppModel::templatePreview(std::string_view templateID) const
{
    const Template* t = findTemplate(templateID);
    return t != nullptr ? t->preview(platform_.workspace) : std::nullopt;
}

void AppModel::duplicateGroup(const Uuid& id)
{
    const auto source = findGroup(groups_, id);
    if (source == groups_.end()) {
        return;
    }
    RuleGroup copy = *source;
    copy.id = Uuid::random();
    copy.name += " 副本";
    for (Mapping& m : copy.mappings) {
        m.id = Uuid::random();
    }
    const Uuid copyID = copy.id;
    auto groups = groups_;
    groups.insert(groups.begin() + (source - groups_.begin()) + 1, std::move(copy));
    setGroups(std::move(groups));
    setSelection(SidebarItem::group(copyID));
}

void AppModel::deleteGroup(const Uuid& id)
{
    const auto found = findGroup(groups_, id);
    if (found == groups_.end()) {
        return;
    }
    const auto index = static_cast<std::size_t>(found - groups_.begin());
    auto groups = groups_;
    groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(index));
    setGroups(std::move(groups));

    if (selection_ != SidebarItem::group(id)) {
        return;
    }
    // The group that followed the deleted one, else the new last one.
    if (index < groups_.size()) {
        setSelection(SidebarItem::group(groups_[index].id));
    } else if (!groups_.empty()) {
        setSelection(SidebarItem::group(groups_.back().id));
    } else {
        setSelection(std::nullopt);
    }
}

std::int64_t AppModel::totalCount(const RuleGroup& group) const
{
    std::int64_t total = 0;
    for (const Mapping& m : group.mappings) {
        if (const auto it = counts_.find(m.id); it != counts_.end()) {
            total = saturatingAdd(total, it->second);
        }
    }
    return total;
}

std::optional<std::string> AppModel::conflict(const Mapping& mapping, const RuleGroup& group) const
{
    return conflictMessage(mapping, group, groups_);
}

void AppModel::recordHit(const CompiledMapping& mapping, const std::optional<std::string>& appID)
{
    std::int64_t& count = counts_[mapping.mappingID];
    if (count < countLimit) {
        ++count;
    }
    emit countsChanged();
    defaults_.countChanged(mapping.mappingID);
    if (!countsTimer_->isActive()) {
        countsTimer_->start(countsWriteDelay);
    }

    ActivityItem item;
    item.date = clock_->now();
    item.groupName = mapping.groupName;
    item.trigger = mapping.trigger;
    item.action = mapping.action;
    item.appID = appID;
    recent_.insert(recent_.begin(), std::move(item));
    if (recent_.size() > recentLimit) {
        recent_.erase(recent_.begin() + static_cast<std::ptrdiff_t>(recentLimit), recent_.end());
    }
    emit recentChanged();
}

} // namespace norvane
