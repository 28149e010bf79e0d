#include "ui/state/mapping_list_model.h"

#include "model/app_names.h"
#include "ui/state/app_state.h"

#include <algorithm>
#include <unordered_map>

namespace norvane::ui {

namespace {

// More insertions and removals than this in one update rebuild the list:
// cheaper than animating each of them, and nobody follows them by eye.
constexpr std::size_t maxPiecewiseChanges = 32;

QString text(const std::string& s)
{
    return QString::fromStdString(s);
}

ActionKind kindOf(const Mapping& m)
{
    return m.action ? m.action->kind() : ActionKind::keys;
}

// The combination a keys or sendKeys action sends.
std::optional<Combo> comboOf(const Mapping& m)
{
    if (!m.action) {
        return std::nullopt;
    }
    if (const auto* keys = m.action->as<KeysAction>()) {
        return keys->combo;
    }
    if (const auto* send = m.action->as<SendKeysAction>()) {
        return send->combo;
    }
    return std::nullopt;
}

std::optional<std::string> appOf(const Mapping& m)
{
    if (!m.action) {
        return std::nullopt;
    }
    if (const auto* send = m.action->as<SendKeysAction>()) {
        return send->app;
    }
    if (const auto* open = m.action->as<OpenAppAction>()) {
        return open->app;
    }
    return std::nullopt;
}

} // namespace

QString MappingListModel::hitText(std::int64_t hits)
{
    return hits >= 1 ? QString::number(hits) + QStringLiteral(" 次") : QString();
}

QList<int> MappingListModel::changedRoles(const Row& before, const Row& after)
{
    QList<int> roles;
    const Mapping& a = before.mapping;
    const Mapping& b = after.mapping;
    if (a.enabled != b.enabled) {
        roles << MappingEnabledRole;
    }
    if (a.trigger != b.trigger) {
        roles << TriggerRole << TriggerInfoRole;
    }
    if (a.action != b.action) {
        roles << ActionKindRole << ActionComboRole << ActionKeysRole << MediaKeyRole << AppIdRole << AppNameRole;
    }
    if (a.note != b.note) {
        roles << NoteRole;
    }
    if (hitText(before.hits) != hitText(after.hits)) {
        roles << HitTextRole;
    }
    if (before.conflict != after.conflict) {
        roles << ConflictRole;
    }
    return roles;
}

void MappingListModel::replaceRow(std::size_t i, Row row)
{
    const auto roles = changedRoles(rows_[i], row);
    rows_[i] = std::move(row);
    if (!roles.isEmpty()) {
        const auto at = index(static_cast<int>(i));
        emit dataChanged(at, at, roles);
    }
}

void MappingListModel::reset(std::vector<Row> rows)
{
    const int before = count();
    beginResetModel();
    rows_ = std::move(rows);
    ids_.clear();
    ids_.reserve(rows_.size());
    for (const Row& r : rows_) {
        ids_.push_back(text(r.mapping.id.string()));
    }
    endResetModel();
    if (count() != before) {
        emit countChanged();
    }
}

void MappingListModel::update(std::vector<Row> next)
{
    // The usual case: the same mappings in the same order, one of them edited.
    const bool sameIds = next.size() == rows_.size() &&
                         std::equal(next.begin(), next.end(), rows_.begin(),
                                    [](const Row& a, const Row& b) { return a.mapping.id == b.mapping.id; });
    if (sameIds) {
        for (std::size_t i = 0; i < next.size(); ++i) {
            replaceRow(i, std::move(next[i]));
        }
        return;
    }

    // Match the current rows to the new ones in order, each to the first
    // mapping with its id after the previous match; the unmatched are
    // removed, the new ones not matched are inserted.
    std::unordered_map<Uuid, std::vector<std::size_t>> positions;
    for (std::size_t j = 0; j < next.size(); ++j) {
        positions[next[j].mapping.id].push_back(j);
    }
    std::vector<bool> kept(rows_.size());
    std::size_t cursor = 0;
    std::size_t keptCount = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const auto it = positions.find(rows_[i].mapping.id);
        if (it == positions.end()) {
            continue;
        }
        const auto at = std::lower_bound(it->second.begin(), it->second.end(), cursor);
        if (at != it->second.end()) {
            kept[i] = true;
            cursor = *at + 1;
            ++keptCount;
        }
    }
    const std::size_t changes = (rows_.size() - keptCount) + (next.size() - keptCount);
    if (changes > maxPiecewiseChanges) {
        reset(std::move(next));
        return;
    }

    const int before = count();
    for (auto i = static_cast<int>(rows_.size()) - 1; i >= 0; --i) {
        if (!kept[static_cast<std::size_t>(i)]) {
            beginRemoveRows({}, i, i);
            rows_.erase(rows_.begin() + i);
            ids_.erase(ids_.begin() + i);
            endRemoveRows();
        }
    }
    for (std::size_t i = 0; i < next.size(); ++i) {
        if (i < rows_.size() && rows_[i].mapping.id == next[i].mapping.id) {
            replaceRow(i, std::move(next[i]));
            continue;
        }
        const auto row = static_cast<int>(i);
        beginInsertRows({}, row, row);
        ids_.insert(ids_.begin() + row, text(next[i].mapping.id.string()));
        rows_.insert(rows_.begin() + row, std::move(next[i]));
        endInsertRows();
    }

    // Only the last row goes without a divider: the rows that became or
    // stopped being the last one are the last two now.
    if (count() > 0) {
        const auto first = index(std::max(0, count() - 2));
        emit dataChanged(first, index(count() - 1), {ShowDividerRole});
    }
    if (count() != before) {
        emit countChanged();
    }
}

int MappingListModel::rowOf(const QString& id) const
{
    const auto it = std::find(ids_.begin(), ids_.end(), id);
    return it == ids_.end() ? -1 : static_cast<int>(it - ids_.begin());
}

int MappingListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant MappingListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count()) {
        return {};
    }
    const auto i = static_cast<std::size_t>(index.row());
    const Row& row = rows_[i];
    const Mapping& m = row.mapping;
    switch (role) {
    case MappingIdRole:
        return ids_[i];
    case MappingEnabledRole:
        return m.enabled;
    case TriggerRole:
        return m.trigger ? text(m.trigger->string()) : QString();
    case TriggerInfoRole:
        return m.trigger ? QVariant(AppState::triggerInfo(*m.trigger)) : QVariant();
    case ActionKindRole:
        return text(std::string(info(kindOf(m)).id));
    case ActionComboRole: {
        const auto combo = comboOf(m);
        return combo ? QVariant(AppState::triggerInfo(Trigger::key(*combo))) : QVariant();
    }
    case ActionKeysRole: {
        const auto combo = comboOf(m);
        return combo ? text(combo->string()) : QString();
    }
    case MediaKeyRole: {
        const auto* media = m.action ? m.action->as<MediaAction>() : nullptr;
        return media ? text(std::string(info(media->key).id)) : QString();
    }
    case AppIdRole:
        return text(appOf(m).value_or(""));
    case AppNameRole: {
        const auto app = appOf(m);
        return app ? text(appName(*app)) : QString();
    }
    case NoteRole:
        return text(m.note);
    case HitTextRole:
        return hitText(row.hits);
    case ConflictRole:
        return row.conflict;
    case ShowDividerRole:
        return index.row() < count() - 1;
    default:
        return {};
    }
}

QHash<int, QByteArray> MappingListModel::roleNames() const
{
    return {{MappingIdRole, "mappingId"},
            {MappingEnabledRole, "mappingEnabled"},
            {TriggerRole, "trigger"},
            {TriggerInfoRole, "triggerInfo"},
            {ActionKindRole, "actionKind"},
            {ActionComboRole, "actionCombo"},
            {ActionKeysRole, "actionKeys"},
            {MediaKeyRole, "mediaKey"},
            {AppIdRole, "appId"},
            {AppNameRole, "appName"},
            {NoteRole, "note"},
            {HitTextRole, "hitText"},
            {ConflictRole, "conflict"},
            {ShowDividerRole, "showDivider"}};
}

} // namespace norvane::ui
