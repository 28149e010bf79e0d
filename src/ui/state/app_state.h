#pragma once

#include "app/app_types.h"
#include "ui/state/group_list_model.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

namespace norvane {
class AppModel;
class Trigger;
} // namespace norvane

namespace norvane::ui {

class AppDirectory;

// The application model as the windows see it: plain properties, a list
// model of the groups and invokable operations, all forwarding to the one
// AppModel. Groups are named by their id in text form.
class AppState final : public QObject {
    Q_OBJECT
    Q_PROPERTY(norvane::ui::GroupListModel* groups READ groups CONSTANT)
    Q_PROPERTY(bool masterEnabled READ masterEnabled WRITE setMasterEnabled NOTIFY masterEnabledChanged)
    Q_PROPERTY(bool accessGranted READ accessGranted NOTIFY accessGrantedChanged)
    // "", "group", "activity" or "general".
    Q_PROPERTY(QString selectionKind READ selectionKind NOTIFY selectionChanged)
    Q_PROPERTY(QString selectedGroupId READ selectedGroupId NOTIFY selectionChanged)
    // What the detail area shows: "empty", "group", "activity" or "general".
    // A selected group that no longer exists shows "empty".
    Q_PROPERTY(QString detailPage READ detailPage NOTIFY detailPageChanged)
    Q_PROPERTY(bool showTemplates READ showTemplates WRITE setShowTemplates NOTIFY showTemplatesChanged)
    Q_PROPERTY(QString recorderID READ recorderID NOTIFY recorderIDChanged)
    Q_PROPERTY(QString autoRecordID READ autoRecordID WRITE setAutoRecordID NOTIFY autoRecordIDChanged)
    Q_PROPERTY(QString permissionHelp READ permissionHelp NOTIFY permissionHelpChanged)
    Q_PROPERTY(QString loadError READ loadError NOTIFY loadErrorChanged)
    Q_PROPERTY(QString saveError READ saveError NOTIFY saveErrorChanged)
    // Set when the configuration file was changed elsewhere while the app
    // had changes of its own: where the other version was kept.
    Q_PROPERTY(QString outsideEditNotice READ outsideEditNotice NOTIFY outsideEditNoticeChanged)

public:
    AppState(AppModel& model, AppDirectory& apps, QObject* parent = nullptr);

    [[nodiscard]] AppModel& model() noexcept { return model_; }
    [[nodiscard]] AppDirectory& apps() noexcept { return apps_; }
    [[nodiscard]] GroupListModel* groups() noexcept { return &groups_; }
    [[nodiscard]] bool masterEnabled() const;
    void setMasterEnabled(bool on);
    [[nodiscard]] bool accessGranted() const;
    [[nodiscard]] QString selectionKind() const;
    [[nodiscard]] QString selectedGroupId() const;
    [[nodiscard]] QString detailPage() const;
    [[nodiscard]] bool showTemplates() const;
    void setShowTemplates(bool on);
    [[nodiscard]] QString recorderID() const;
    [[nodiscard]] QString autoRecordID() const;
    void setAutoRecordID(const QString& id);
    [[nodiscard]] QString permissionHelp() const;
    [[nodiscard]] QString loadError() const;
    [[nodiscard]] QString saveError() const;
    [[nodiscard]] QString outsideEditNotice() const;
    Q_INVOKABLE void clearOutsideEditNotice();

    // Selection: kind "group" (with the id), "activity", "general", or ""
    // for none.
    Q_INVOKABLE void select(const QString& kind, const QString& groupId = {});
    // With no selection: the first group, else the general page.
    Q_INVOKABLE void selectDefault();

    Q_INVOKABLE void addGroup();
    Q_INVOKABLE void duplicateGroup(const QString& id);
    Q_INVOKABLE void deleteGroup(const QString& id);
    // Flips the group's own switch; nothing when the id is gone.
    Q_INVOKABLE void toggleGroup(const QString& id);
    // Moves the group at `from` so that it ends up at `to`.
    Q_INVOKABLE void moveGroup(int from, int to);

    Q_INVOKABLE void requestAccess();

    // The built-in templates in gallery order: {id, title, subtitle, symbol,
    // colors: [top, bottom], preview}. The preview is the first mapping the
    // template makes now, {trigger, keys} or {trigger, summary}, or empty
    // when that mapping is not complete.
    Q_INVOKABLE QVariantList templates() const;
    // Adds the template's group, selects it and closes the gallery.
    Q_INVOKABLE void addTemplate(const QString& id);

    // Starts recording into the slot `id`; recorded(id, trigger) follows
    // when a key (or, with allowMouse, an extra button) was pressed.
    Q_INVOKABLE void startRecording(const QString& id, bool allowMouse);
    Q_INVOKABLE void stopRecording();

    // A trigger as the controls draw it, from its text form ("ctrl+k",
    // "mouse:3"): {valid, mouse, text, label, symbols, button, buttonName}.
    // {valid: false} for text that is no trigger.
    Q_INVOKABLE QVariantMap triggerInfo(const QString& text) const;
    static QVariantMap triggerInfo(const Trigger& trigger);

    // One group's row data ({groupId, name, displayName, subtitle, iconApp,
    // iconStyle, groupEnabled, mappingCount}); empty when the id is gone.
    // The extra arguments only make QML bindings re-evaluate.
    Q_INVOKABLE QVariantMap groupInfo(const QString& id, int = 0, int = 0) const;

    Q_INVOKABLE QString appName(const QString& id) const;
    // Running applications the user can pick ({id, name}), sorted by name.
    Q_INVOKABLE QVariantList runningApps(const QStringList& exclude = {}) const;
    // Installed applications ({id, name}), sorted by name.
    Q_INVOKABLE QVariantList installedApps() const;

signals:
    void masterEnabledChanged();
    void accessGrantedChanged();
    void selectionChanged();
    void detailPageChanged();
    void showTemplatesChanged();
    void recorderIDChanged();
    void autoRecordIDChanged();
    void permissionHelpChanged();
    void loadErrorChanged();
    void saveErrorChanged();
    void outsideEditNoticeChanged();
    void recorded(const QString& id, const QVariantMap& trigger);

private:
    void groupsChanged();
    [[nodiscard]] QVariantMap templatePreview(const std::string& id) const;

    AppModel& model_;
    AppDirectory& apps_;
    GroupListModel groups_;
    QString detailPage_;
    std::optional<SidebarItem> shownSelection_;
};

} // namespace norvane::ui
