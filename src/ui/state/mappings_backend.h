#pragma once

#include "ui/state/mapping_list_model.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>

namespace norvane {
class AppModel;
} // namespace norvane

namespace norvane::ui {

class AppState;

// What the mappings card of a group page reads and writes: the group's
// mappings as a list model, and one operation per edit a row offers.
//
// Mappings are named by their id in text form and looked up afresh on every
// write; a write to a mapping or group that is gone does nothing. Every
// write puts the whole group list back into the model, which recompiles the
// rules and schedules the save.
//
// Recordings into a row's recorders ("<id>-t" for the trigger, "<id>-a" for
// the action's keys) are stored here, not by the row, so a result still
// lands when the row scrolled out of view while recording.
class MappingsBackend final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString groupId READ groupId WRITE setGroupId NOTIFY groupIdChanged)
    Q_PROPERTY(norvane::ui::MappingListModel* mappings READ mappings CONSTANT)
    // The action kinds in menu order: {id, title, shortTitle, symbol}.
    Q_PROPERTY(QVariantList actionKinds READ actionKinds CONSTANT)
    // The media keys in picker order: {id, title, symbol}.
    Q_PROPERTY(QVariantList mediaKeys READ mediaKeys CONSTANT)

public:
    MappingsBackend(AppState& state, QObject* parent = nullptr);

    [[nodiscard]] QString groupId() const { return groupId_; }
    void setGroupId(const QString& id);
    [[nodiscard]] MappingListModel* mappings() noexcept { return &rows_; }
    [[nodiscard]] static QVariantList actionKinds();
    [[nodiscard]] static QVariantList mediaKeys();

    // Appends a new mapping (no trigger, keys without a combination) and
    // asks its trigger recorder to start as soon as it is shown. Its id, or
    // "" without a group.
    Q_INVOKABLE QString add();
    // Removes every mapping with this id.
    Q_INVOKABLE void remove(const QString& id);
    Q_INVOKABLE void setEnabled(const QString& id, bool on);
    // `trigger` is a trigger's text form or the map a recorder gives.
    Q_INVOKABLE void setTrigger(const QString& id, const QVariant& trigger);
    // Another kind starts over with that kind's blank action; the current
    // kind changes nothing.
    Q_INVOKABLE void setActionKind(const QString& id, const QString& kind);
    // The combination a keys or sendKeys action sends (a sendKeys action
    // keeps its application); a mouse button is ignored.
    Q_INVOKABLE void setActionKeys(const QString& id, const QVariant& trigger);
    Q_INVOKABLE void setMediaKey(const QString& id, const QString& key);
    // The application of a sendKeys (keeping its combination) or openApp
    // action.
    Q_INVOKABLE void setActionApp(const QString& id, const QString& appId);
    Q_INVOKABLE void setNote(const QString& id, const QString& note);

signals:
    void groupIdChanged();

private:
    using Edit = std::function<bool(Mapping&)>;
    // Applies `edit` to the first mapping with this id in the shown group and
    // writes the groups back when it changed something.
    void editMapping(const QString& id, const Edit& edit);
    void onRecorded(const QString& recorderId, const QVariantMap& trigger);
    [[nodiscard]] std::vector<MappingListModel::Row> currentRows() const;
    void refresh();
    void refreshCounts();

    AppModel& model_;
    QString groupId_;
    MappingListModel rows_;
};

} // namespace norvane::ui
