#pragma once

#include "app/app_types.h"
#include "app/clock.h"
#include "app/config_paths.h"
#include "app/qt_executor.h"
#include "app/user_defaults.h"
#include "engine/engine.h"
#include "engine/engine_hooks.h"
#include "engine/probe_info.h"
#include "model/rules.h"
#include "platform/login_item.h"
#include "platform/permission.h"
#include "platform/press_monitor.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QFileSystemWatcher;

namespace norvane {

class ThreadInbox;
struct FileContents;

// The platform services the model and its engine use. Every object must
// outlive the model.
struct AppPlatform {
    EventTap& tap;
    EventOutput& output;
    const FrontmostSource& frontmost;
    const PageAddressSource& pages;
    Workspace& workspace;
    Notifier& notifier;
    AccessPermission& permission;
    LoginItem& loginItem;
    PressMonitor& localMonitor;  // presses addressed to this application
    PressMonitor& globalMonitor; // extra-button presses addressed to any application
};

// Where the model keeps its data, and who it is.
struct AppStorage {
    QString configPath = configFilePath();
    QString settingsPath = settingsFilePath();
    std::string ownAppID = "norvane"; // this application's desktop id
};

// The application's one state object: the rule groups and preferences (kept
// in the configuration file), the master switch and hit counters (kept in
// the user defaults), and what the pages show (selection, activity log,
// probe, recorder, messages). It owns the engine and keeps it compiled from
// `groups`.
//
// Every property notifies on every assignment, also when the value is
// unchanged. Lives on one thread (the main thread); the engine's hand-offs
// arrive there through a queue in the order the events produced them.
class AppModel final : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::vector<norvane::RuleGroup> groups READ groups WRITE setGroups NOTIFY groupsChanged)
    Q_PROPERTY(norvane::Preferences preferences READ preferences WRITE setPreferences NOTIFY preferencesChanged)
    Q_PROPERTY(bool masterEnabled READ masterEnabled WRITE setMasterEnabled NOTIFY masterEnabledChanged)
    Q_PROPERTY(
        bool inputAccessGranted READ inputAccessGranted WRITE setInputAccessGranted NOTIFY inputAccessGrantedChanged)
    Q_PROPERTY(std::optional<norvane::SidebarItem> selection READ selection WRITE setSelection NOTIFY selectionChanged)
    Q_PROPERTY(norvane::HitCounts counts READ counts NOTIFY countsChanged)
    Q_PROPERTY(std::vector<norvane::ActivityItem> recent READ recent WRITE setRecent NOTIFY recentChanged)
    Q_PROPERTY(std::optional<norvane::ProbeInfo> probe READ probe WRITE setProbe NOTIFY probeChanged)
    Q_PROPERTY(QString recorderID READ recorderID NOTIFY recorderIDChanged)
    Q_PROPERTY(QString autoRecordID READ autoRecordID WRITE setAutoRecordID NOTIFY autoRecordIDChanged)
    Q_PROPERTY(QString loadError READ loadError WRITE setLoadError NOTIFY loadErrorChanged)
    Q_PROPERTY(QString saveError READ saveError NOTIFY saveErrorChanged)
    Q_PROPERTY(QString outsideEditNotice READ outsideEditNotice NOTIFY outsideEditNoticeChanged)
    Q_PROPERTY(bool showTemplates READ showTemplates WRITE setShowTemplates NOTIFY showTemplatesChanged)
    Q_PROPERTY(QString permissionHelp READ permissionHelp NOTIFY permissionHelpChanged)
    Q_PROPERTY(bool launchAtLogin READ launchAtLogin NOTIFY launchAtLoginChanged)

public:
    using RecordingDone = std::function<void(const Trigger&)>;

    // Restores the master switch and the hit counters, loads the
    // configuration file and compiles the engine. The engine's tap is not
    // started: see startEngineWhenPermitted().
    AppModel(AppPlatform platform, AppStorage storage, std::shared_ptr<Clock> clock, QObject* parent = nullptr);
    ~AppModel() override;
    AppModel(const AppModel&) = delete;
    AppModel& operator=(const AppModel&) = delete;

    // --- fields ---------------------------------------------------------
    // Strings are empty when absent.
    [[nodiscard]] const std::vector<RuleGroup>& groups() const noexcept { return groups_; }
    [[nodiscard]] const Preferences& preferences() const noexcept { return preferences_; }
    [[nodiscard]] bool masterEnabled() const noexcept { return masterEnabled_; }
    [[nodiscard]] bool inputAccessGranted() const noexcept { return inputAccessGranted_; }
    [[nodiscard]] const std::optional<SidebarItem>& selection() const noexcept { return selection_; }
    [[nodiscard]] const HitCounts& counts() const noexcept { return counts_; }
    [[nodiscard]] const std::vector<ActivityItem>& recent() const noexcept { return recent_; }
    [[nodiscard]] const std::optional<ProbeInfo>& probe() const noexcept { return probe_; }
    [[nodiscard]] const QString& recorderID() const noexcept { return recorderID_; }
    [[nodiscard]] const QString& autoRecordID() const noexcept { return autoRecordID_; }
    [[nodiscard]] const QString& loadError() const noexcept { return loadError_; }
    // Why the last save failed; cleared by the next successful save. The
    // edits are then only in memory.
    [[nodiscard]] const QString& saveError() const noexcept { return saveError_; }
    // Set when the configuration file was changed by another program while
    // edits made here were not saved yet: those edits were saved, and the
    // other version was kept beside the file (named in the text). Empty
    // otherwise; stays until clearOutsideEditNotice().
    [[nodiscard]] const QString& outsideEditNotice() const noexcept { return outsideEditNotice_; }
    [[nodiscard]] bool showTemplates() const noexcept { return showTemplates_; }
    // What to do by hand when the access request could not do it itself.
    [[nodiscard]] const QString& permissionHelp() const noexcept { return permissionHelp_; }
    [[nodiscard]] bool probeActive() const noexcept { return switches_.probeActive(); }
    [[nodiscard]] const std::optional<std::string>& lastExternalApp() const noexcept { return lastExternalApp_; }
    // This application's own desktop id.
    [[nodiscard]] const std::string& ownAppID() const noexcept { return ownAppID_; }

    // Recompiles the engine, schedules the save, then stateChanged().
    void setGroups(std::vector<RuleGroup> groups);
    // Schedules the save.
    void setPreferences(Preferences preferences);
    // Stored in the user defaults at once, then stateChanged(). No recompile.
    void setMasterEnabled(bool on);
    // Then stateChanged().
    void setInputAccessGranted(bool granted);
    void setSelection(std::optional<SidebarItem> selection);
    void setRecent(std::vector<ActivityItem> recent);
    void setProbe(std::optional<ProbeInfo> probe);
    void setAutoRecordID(QString id);
    void setLoadError(QString message);
    void setShowTemplates(bool on);
    // True while the activity page is on screen: the engine then reports
    // every recognised input as the probe.
    void setProbeActive(bool on) noexcept { switches_.setProbeActive(on); }

    // --- persistence ----------------------------------------------------
    [[nodiscard]] const QString& configPath() const noexcept { return configPath_; }
    // Reads the configuration file into `groups` and `preferences`. A missing
    // file gives no rules and is written at once; a first-format file is
    // converted (its bytes kept in config.json.v1.bak) and rewritten; a file
    // that cannot be read leaves the rules as they are, sets `loadError` and
    // stays untouched until the user edits something.
    Q_INVOKABLE void load();
    // Writes the groups and preferences now, atomically. A version of the
    // file written by another program since it was last read or written
    // here is kept beside it first (config.json.outside-<time>, see
    // outsideEditNotice).
    Q_INVOKABLE void save();
    // Writes what is still pending (the debounced save, the hit counters)
    // now. Runs when the application quits, and from the destructor.
    Q_INVOKABLE void flushPendingWrites();
    Q_INVOKABLE void clearOutsideEditNotice();
    // Writes the current configuration to `path`, replacing whatever is
    // there. The system's reason when it failed.
    std::optional<QString> exportConfig(const QString& path);
    // Replaces the rules (and, for a current-format file, the preferences)
    // with the file's and selects its first group. False, changing nothing,
    // when the file is not a configuration.
    Q_INVOKABLE bool importConfig(const QString& path);

    // --- editing --------------------------------------------------------
    // Appends the group, selects it, and asks the recorder of its first
    // mapping to start when that mapping has no trigger yet.
    void addGroup(RuleGroup group);
    void addGroup();
    // Adds the group a template builds now.
    void addTemplate(std::string_view templateID);
    // The first mapping of the group the template would build now.
    [[nodiscard]] std::optional<Mapping> templatePreview(std::string_view templateID) const;
    void duplicateGroup(const Uuid& id);
    void deleteGroup(const Uuid& id);
    [[nodiscard]] std::int64_t totalCount(const RuleGroup& group) const;
    [[nodiscard]] std::optional<std::string> conflict(const Mapping& mapping, const RuleGroup& group) const;

    // --- hits -----------------------------------------------------------
    // A rule fired: counts it, stores the counters (within a second, one
    // write for a burst of hits), logs it.
    void recordHit(const CompiledMapping& mapping, const std::optional<std::string>& appID);

    // --- recording ------------------------------------------------------
    // Listens for the next key press addressed to this application (and,
    // with `allowMouse`, the next extra-button press anywhere); Escape alone
    // cancels. Any earlier recording ends without a result. `done` runs once
    // the recording has ended, with the trigger pressed.
    void startRecording(const QString& id, bool allowMouse, RecordingDone done);
    void stopRecording();

    // --- permission and login -------------------------------------------
    // Asks the system for input access; sets `permissionHelp` when the user
    // has to finish by hand. Does not change `inputAccessGranted`.
    Q_INVOKABLE void requestInputAccess();
    // Starts the engine when the access is there; otherwise sets
    // `inputAccessGranted` to false and tries again every second until the
    // engine runs.
    void startEngineWhenPermitted();
    [[nodiscard]] bool launchAtLogin() const;
    // Registers or unregisters; the message to show when that failed (else
    // empty). launchAtLoginChanged follows either way.
    Q_INVOKABLE QString setLaunchAtLogin(bool on);

    // --- workspace ------------------------------------------------------
    // An application came to the front. Any thread.
    void applicationActivated(const std::optional<std::string>& appID);

    [[nodiscard]] Engine& engine() noexcept { return *engine_; }

signals:
    void groupsChanged();
    void preferencesChanged();
    void masterEnabledChanged();
    void inputAccessGrantedChanged();
    void selectionChanged();
    void countsChanged();
    void recentChanged();
    void probeChanged();
    void recorderIDChanged();
    void autoRecordIDChanged();
    void loadErrorChanged();
    void saveErrorChanged();
    void outsideEditNoticeChanged();
    void showTemplatesChanged();
    void permissionHelpChanged();
    void launchAtLoginChanged();
    // The rules, the master switch or the permission changed (status icon).
    void stateChanged();
    // The configuration file was written.
    void saved();

private:
    // Receives the engine's hand-offs on the model's thread.
    class Listener final : public EngineListener {
    public:
        explicit Listener(AppModel& model) : model_(model) {}
        void recordHit(const CompiledMapping& mapping, const std::optional<std::string>& appID) override
        {
            model_.recordHit(mapping, appID);
        }
        void probe(const ProbeInfo& info) override { model_.setProbe(info); }

    private:
        AppModel& model_;
    };

    void scheduleSave();
    void setSaveError(QString message);
    void loadContents(const FileContents& file);
    // Writes the configuration file without telling anyone; the message to
    // show when it failed.
    std::optional<QString> writeConfig();
    std::optional<QString> backUpUnreadableFile();
    // Keeps the file on disk beside it when another program wrote it.
    std::optional<QString> keepOutsideVersion();
    void watchConfigFile();
    void checkOutsideChange();
    void flushCounts();
    void writePendingQuietly();
    void setRecorderID(QString id);
    void finishRecording(std::uint64_t session, const Trigger& trigger);
    void onLocalPress(std::uint64_t session, const MonitoredPress& press);
    void pollPermission();

    AppPlatform platform_;
    QString configPath_;
    std::string ownAppID_;
    std::shared_ptr<Clock> clock_;
    UserDefaults defaults_;
    std::shared_ptr<ThreadInbox> inbox_;
    QtExecutor executor_{*this};
    EngineSwitches switches_;
    Listener listener_{*this};
    std::unique_ptr<Engine> engine_;
    std::unique_ptr<Timer> saveTimer_;
    std::unique_ptr<Timer> countsTimer_;
    std::unique_ptr<Timer> settleTimer_;
    std::unique_ptr<QFileSystemWatcher> watcher_;
    std::unique_ptr<Timer> permissionTimer_;

    std::vector<RuleGroup> groups_;
    Preferences preferences_;
    bool masterEnabled_ = true;
    bool inputAccessGranted_ = false;
    std::optional<SidebarItem> selection_;
    HitCounts counts_;
    std::vector<ActivityItem> recent_;
    std::optional<ProbeInfo> probe_;
    QString recorderID_;
    QString autoRecordID_;
    QString loadError_;
    QString saveError_;
    QString outsideEditNotice_;
    bool showTemplates_ = false;
    QString permissionHelp_;
    std::optional<std::string> lastExternalApp_;

    bool loading_ = false;
    // The groups or preferences changed since the file was last written.
    bool dirty_ = false;
    // The file's bytes as last read or written here, to tell the app's own
    // writes from those of other programs.
    QByteArray knownFile_;
    // The file on disk could not be read; it is kept aside before the first
    // save replaces it.
    bool fileNeedsBackup_ = false;

    // The running recording: its monitors, its result handler, and a number
    // that tells its presses from those of earlier recordings.
    struct Monitor {
        PressMonitor* source;
        PressMonitor::Token token;
    };
    std::vector<Monitor> monitors_;
    RecordingDone recordingDone_;
    std::uint64_t recordingSession_ = 0;
};

} // namespace norvane
