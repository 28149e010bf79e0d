#include "ui/state/group_list_model.h"

#include "ui/state/group_style.h"

namespace norvane::ui {

GroupListModel::Row GroupListModel::rowFor(const RuleGroup& group)
{
    const auto icon = groupIcon(group);
    const auto count = static_cast<int>(group.mappings.size());
    return Row{QString::fromStdString(group.id.string()),
               QString::fromStdString(group.name),
               group.enabled,
               count,
               QString::number(count) + QStringLiteral(" 个映射 · ") + QString::fromStdString(group.scope.summary()),
               icon.appID ? QString::fromStdString(*icon.appID) : QString(),
               QString::fromLatin1(styleName(icon.style))};
}

void GroupListModel::update(const std::vector<RuleGroup>& groups)
{
    std::vector<Row> next;
    next.reserve(groups.size());
    for (const auto& g : groups) {
        next.push_back(rowFor(g));
    }
    const bool sameRows =
        next.size() == rows_.size() &&
        std::equal(next.begin(), next.end(), rows_.begin(), [](const Row& a, const Row& b) { return a.id == b.id; });
    if (!sameRows) {
        const bool countChanges = next.size() != rows_.size();
        beginResetModel();
        rows_ = std::move(next);
        endResetModel();
        if (countChanges) {
            emit countChanged();
        }
        return;
    }
    for (std::size_t i = 0; i < next.size(); ++i) {
        if (!(next[i] == rows_[i])) {
            rows_[i] = std::move(next[i]);
            const auto at = index(static_cast<int>(i));
            emit dataChanged(at, at);
        }
    }
}

int GroupListModel::rowOf(const QString& id) const
{
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].id == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int GroupListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant GroupListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= count()) {
        return {};
    }
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case IdRole:
        return row.id;
    case NameRole:
        return row.name;
    case Qt::DisplayRole:
    case DisplayNameRole:
        return row.name.isEmpty() ? QStringLiteral("未命名") : row.name;
    case EnabledRole:
        return row.enabled;
    case MappingCountRole:
        return row.mappings;
    case SubtitleRole:
        return row.subtitle;
    case IconAppRole:
        return row.iconApp;
    case IconStyleRole:
        return row.iconStyle;
    default:
        return {};
    }
}

QHash<int, QByteArray> GroupListModel::roleNames() const
{
    return {{IdRole, "groupId"},
            {NameRole, "name"},
            {DisplayNameRole, "displayName"},
            {EnabledRole, "groupEnabled"},
            {MappingCountRole, "mappingCount"},
            {SubtitleRole, "subtitle"},
            {IconAppRole, "iconApp"},
            {IconStyleRole, "iconStyle"}};
}

} // namespace norvane::ui
