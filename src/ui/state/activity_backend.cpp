#include "ui/state/activity_backend.h"

#include "app/app_model.h"
#include "model/app_names.h"
#include "ui/state/app_state.h"

#include <QDateTime>

#include <algorithm>
#include <chrono>

namespace norvane::ui {

namespace {

QString text(const std::string& s)
{
    return QString::fromStdString(s);
}

QString timeText(std::chrono::system_clock::time_point date)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms).toLocalTime().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

void RecentListModel::update(const std::vector<ActivityItem>& recent)
{
    const auto shown = std::min(recent.size(), shownLimit);
    const std::vector<ActivityItem> next(recent.begin(), recent.begin() + static_cast<std::ptrdiff_t>(shown));
    const int before = count();

    // The rows that stay must keep their order; then only removals and
    // insertions are needed. Anything else (a reordered log) rebuilds.
    std::vector<bool> kept(rows_.size());
    std::size_t cursor = 0;
    bool inOrder = true;
    for (std::size_t i = 0; i < rows_.size() && inOrder; ++i) {
        const auto it = std::find_if(next.begin(), next.end(), [&](const auto& a) { return a.id == rows_[i].id; });
        if (it == next.end()) {
            continue;
        }
        const auto at = static_cast<std::size_t>(it - next.begin());
        inOrder = at >= cursor;
        cursor = at + 1;
        kept[i] = true;
    }
    if (!inOrder) {
        beginResetModel();
        rows_ = next;
        endResetModel();
    } else {
        for (auto i = static_cast<int>(rows_.size()) - 1; i >= 0; --i) {
            if (!kept[static_cast<std::size_t>(i)]) {
                beginRemoveRows({}, i, i);
                rows_.erase(rows_.begin() + i);
                endRemoveRows();
            }
        }
        for (std::size_t i = 0; i < next.size(); ++i) {
            const auto row = static_cast<int>(i);
            if (i < rows_.size() && rows_[i].id == next[i].id) {
                if (!(rows_[i] == next[i])) {
                    rows_[i] = next[i];
                    emit dataChanged(index(row), index(row));
                }
                continue;
            }
            beginInsertRows({}, row, row);
            rows_.insert(rows_.begin() + row, next[i]);
            endInsertRows();
        }
    }
    if (count() != before) {
        emit countChanged();
    }
}

int RecentListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant RecentListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count()) {
        return {};
    }
    const auto& item = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case IdRole:
        return text(item.id.string());
    case TriggerRole:
        return AppState::triggerInfo(item.trigger);
    case TimeRole:
        return timeText(item.date);
    case GroupNameRole:
        return text(item.groupName);
    case SummaryRole:
        return text(item.action.summary());
    case AppIdRole:
        return text(item.appID.value_or(""));
    case AppNameRole:
        return item.appID ? text(appName(*item.appID)) : QString();
    default:
        return {};
    }
}

QHash<int, QByteArray> RecentListModel::roleNames() const
{
    return {{IdRole, "itemId"},       {TriggerRole, "trigger"}, {TimeRole, "time"},      {GroupNameRole, "groupName"},
            {SummaryRole, "summary"}, {AppIdRole, "appId"},     {AppNameRole, "appName"}};
}

ActivityBackend::ActivityBackend(AppModel& model, QObject* parent) : QObject(parent), model_(model)
{
    recent_.update(model_.recent());
    connect(&model_, &AppModel::recentChanged, this, [this] { recent_.update(model_.recent()); });
    connect(&model_, &AppModel::probeChanged, this, &ActivityBackend::probeChanged);
}

bool ActivityBackend::probeActive() const
{
    return model_.probeActive();
}

void ActivityBackend::setProbeActive(bool on)
{
    if (on == model_.probeActive()) {
        return;
    }
    model_.setProbeActive(on);
    emit probeActiveChanged();
}

bool ActivityBackend::hasProbe() const
{
    return model_.probe().has_value();
}

QVariantMap ActivityBackend::probe() const
{
    const auto& p = model_.probe();
    if (!p) {
        return {};
    }
    return {
        {QStringLiteral("id"), text(p->id.string())},
        {QStringLiteral("trigger"), AppState::triggerInfo(p->trigger)},
        {QStringLiteral("appId"), text(p->appID.value_or(""))},
        {QStringLiteral("appName"), p->appID ? text(appName(*p->appID)) : QStringLiteral("未知应用")},
        {QStringLiteral("url"), text(p->url.value_or(""))},
        {QStringLiteral("matched"), p->match.has_value()},
        {QStringLiteral("match"), text(p->match.value_or(""))},
    };
}

void ActivityBackend::clearRecent()
{
    model_.setRecent({});
}

} // namespace norvane::ui
