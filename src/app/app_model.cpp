#include "app/app_model.h"

#include "app/thread_inbox.h"

#include <QCoreApplication>
#include <QFileSystemWatcher>
#include <QThread>

#include <atomic>
#include <cstdlib>

namespace norvane {

namespace {

// The model whose pending writes an exit() still makes. Qt calls exit()
// itself when the display server goes away (the usual end of a session),
// which skips the event loop's end and every destructor on the stack.
std::atomic<AppModel*> modelAtExit{nullptr};

} // namespace

AppModel::AppModel(AppPlatform platform, AppStorage storage, std::shared_ptr<Clock> clock, QObject* parent)
    : QObject(parent), platform_(platform), configPath_(std::move(storage.configPath)),
      ownAppID_(std::move(storage.ownAppID)), clock_(std::move(clock)), defaults_(storage.settingsPath),
      inbox_(ThreadInbox::create(*this))
{
    engine_ = std::make_unique<Engine>(EngineServices{platform_.tap, platform_.output, platform_.frontmost,
                                                      platform_.pages, platform_.workspace, platform_.notifier,
                                                      executor_, switches_, listener_});
    saveTimer_ = clock_->makeTimer(false, [this] { save(); });
    countsTimer_ = clock_->makeTimer(false, [this] { flushCounts(); });

    masterEnabled_ = defaults_.masterEnabled();
    switches_.setMasterEnabled(masterEnabled_);
    inputAccessGranted_ = platform_.permission.hasInputAccess();
    counts_ = defaults_.restoreHitCounts();
    load();
    watchConfigFile();
    // An edit made just before the user quits (or the session ends) is
    // still waiting for its debounced save.
    if (auto* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, &AppModel::flushPendingWrites);
    }
    static const bool atExitHook = [] {
        return std::atexit([] {
                   if (AppModel* model = modelAtExit.exchange(nullptr)) {
                       model->writePendingQuietly();
                   }
               }) == 0;
    }();
    if (atExitHook) {
        modelAtExit.store(this);
    }
}

AppModel::~AppModel()
{
    inbox_->close();
    stopRecording();
    AppModel* self = this;
    modelAtExit.compare_exchange_strong(self, nullptr);
    writePendingQuietly();
}

void AppModel::writePendingQuietly()
{
    // Whatever is still pending reaches the disk; nobody is told any more.
    if (dirty_) {
        writeConfig();
    }
    if (defaults_.hasPendingWrites()) {
        defaults_.flushCounts(counts_);
    }
}

void AppModel::setGroups(std::vector<RuleGroup> groups)
{
    groups_ = std::move(groups);
    engine_->compile(groups_);
    scheduleSave();
    emit groupsChanged();
    emit stateChanged();
}

void AppModel::setPreferences(Preferences preferences)
{
    preferences_ = preferences;
    scheduleSave();
    emit preferencesChanged();
}

void AppModel::setMasterEnabled(bool on)
{
    masterEnabled_ = on;
    switches_.setMasterEnabled(on);
    if (const auto error = defaults_.setMasterEnabled(on)) {
        // Kept in memory and tried again with the next counter write.
        qWarning("norvane: the master switch was not stored: %s", qPrintable(*error));
    }
    emit masterEnabledChanged();
    emit stateChanged();
}

void AppModel::setInputAccessGranted(bool granted)
{
    inputAccessGranted_ = granted;
    emit inputAccessGrantedChanged();
    emit stateChanged();
}

void AppModel::setSelection(std::optional<SidebarItem> selection)
{
    selection_ = selection;
    emit selectionChanged();
}

void AppModel::setRecent(std::vector<ActivityItem> recent)
{
    recent_ = std::move(recent);
    emit recentChanged();
}

void AppModel::setProbe(std::optional<ProbeInfo> probe)
{
    probe_ = std::move(probe);
    emit probeChanged();
}

void AppModel::setAutoRecordID(QString id)
{
    autoRecordID_ = std::move(id);
    emit autoRecordIDChanged();
}

void AppModel::setLoadError(QString message)
{
    loadError_ = std::move(message);
    emit loadErrorChanged();
}

void AppModel::setShowTemplates(bool on)
{
    showTemplates_ = on;
    emit showTemplatesChanged();
}

void AppModel::setSaveError(QString message)
{
    saveError_ = std::move(message);
    emit saveErrorChanged();
}

void AppModel::setRecorderID(QString id)
{
    recorderID_ = std::move(id);
    switches_.setRecorderActive(!recorderID_.isEmpty());
    emit recorderIDChanged();
}

void AppModel::applicationActivated(const std::optional<std::string>& appID)
{
    if (QThread::currentThread() != thread()) {
        inbox_->post([this, appID] { applicationActivated(appID); });
        return;
    }
    if (appID && !appID->empty() && *appID != ownAppID_) {
        lastExternalApp_ = appID;
    }
}

} // namespace norvane
