#pragma once

#include "app/app_types.h"

#include <QAbstractListModel>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <vector>

namespace norvane {
class AppModel;
} // namespace norvane

namespace norvane::ui {

// The newest entries of the activity log as the activity page lists them.
// Rows are inserted and removed in place as hits arrive, so the rows already
// shown keep their items.
class RecentListModel final : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    // The page shows this many of the entries the log keeps.
    static constexpr std::size_t shownLimit = 30;

    enum Role {
        IdRole = Qt::UserRole + 1,
        TriggerRole,   // the trigger map AppState.triggerInfo() gives
        TimeRole,      // "HH:mm:ss", local time
        GroupNameRole, // as stored
        SummaryRole,   // the action's summary
        AppIdRole,     // the frontmost application, or ""
        AppNameRole    // its display name, or ""
    };
    Q_ENUM(Role)

    explicit RecentListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

    // Shows the first `shownLimit` entries of `recent` (newest first).
    void update(const std::vector<ActivityItem>& recent);

    [[nodiscard]] int count() const { return static_cast<int>(rows_.size()); }
    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();

private:
    std::vector<ActivityItem> rows_;
};

// What the activity page reads and writes: the live probe, the recent hits,
// and whether the probe is reported at all (only while the page is on
// screen).
class ActivityBackend final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool probeActive READ probeActive WRITE setProbeActive NOTIFY probeActiveChanged)
    Q_PROPERTY(bool hasProbe READ hasProbe NOTIFY probeChanged)
    // The last report: {id, trigger, appId, appName, url, matched, match};
    // empty without one. appName is "未知应用" without an application; url
    // and match are "" when absent.
    Q_PROPERTY(QVariantMap probe READ probe NOTIFY probeChanged)
    Q_PROPERTY(norvane::ui::RecentListModel* recent READ recent CONSTANT)

public:
    explicit ActivityBackend(AppModel& model, QObject* parent = nullptr);

    [[nodiscard]] bool probeActive() const;
    void setProbeActive(bool on);
    [[nodiscard]] bool hasProbe() const;
    [[nodiscard]] QVariantMap probe() const;
    [[nodiscard]] RecentListModel* recent() noexcept { return &recent_; }

    // Empties the activity log; the hit counters stay.
    Q_INVOKABLE void clearRecent();

signals:
    void probeActiveChanged();
    void probeChanged();

private:
    AppModel& model_;
    RecentListModel recent_;
};

} // namespace norvane::ui
