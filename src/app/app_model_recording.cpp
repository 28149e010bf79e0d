// Trigger recording, the input-access permission and launch at login.
#include "app/app_model.h"
#include "app/thread_inbox.h"
#include "model/keys.h"

#include <chrono>

namespace norvane {

namespace {

using namespace std::chrono_literals;

constexpr auto permissionPollInterval = 1000ms;
const std::int64_t escapeKeyCode = keyCodeForName("esc").value_or(53);

const QString loginFailedMessage = QStringLiteral("设置登录启动失败：");

} // namespace

void AppModel::startRecording(const QString& id, bool allowMouse, RecordingDone done)
{
    stopRecording();
    setRecorderID(id);
    recordingDone_ = std::move(done);
    const std::uint64_t session = ++recordingSession_;

    auto install = [this](PressMonitor& source, PressMonitor::Watch watch, PressMonitor::Handler handler) {
        if (const auto token = source.add(watch, std::move(handler))) {
            monitors_.push_back(Monitor{&source, *token});
        }
    };
    // Local handlers run on this thread and may remove their own monitor:
    // they do nothing after handing the press over.
    auto local = [this, session](const MonitoredPress& press) { onLocalPress(session, press); };
    install(platform_.localMonitor, PressMonitor::Watch::keys, local);
    if (allowMouse) {
        install(platform_.localMonitor, PressMonitor::Watch::mouseButtons, local);
        // Presses meant for other applications pass on unchanged; the model
        // hears of them later, on its own thread.
        install(platform_.globalMonitor, PressMonitor::Watch::mouseButtons,
                [this, inbox = inbox_, session](const MonitoredPress& press) {
                    inbox->post(
                        [this, session, button = press.button] { finishRecording(session, Trigger::mouse(button)); });
                });
    }
}

void AppModel::onLocalPress(std::uint64_t session, const MonitoredPress& press)
{
    if (press.kind == MonitoredPress::Kind::mouse) {
        finishRecording(session, Trigger::mouse(press.button));
        return;
    }
    const Combo combo(press.keyCode, press.flags);
    if (combo.keyCode == escapeKeyCode && !combo.hasModifiers()) {
        if (session == recordingSession_ && !recorderID_.isEmpty()) {
            stopRecording();
        }
        return;
    }
    finishRecording(session, Trigger::key(combo));
}

void AppModel::finishRecording(std::uint64_t session, const Trigger& trigger)
{
    // A press queued by a recording that has ended since (cancelled, or
    // replaced by another recorder) belongs to nobody.
    if (session != recordingSession_ || recorderID_.isEmpty()) {
        return;
    }
    RecordingDone done = std::move(recordingDone_);
    stopRecording();
    if (done) {
        done(trigger);
    }
}

void AppModel::stopRecording()
{
    // Taken out first: removing a monitor may destroy the handler that is
    // running this very call.
    const auto monitors = std::move(monitors_);
    monitors_.clear();
    for (const Monitor& m : monitors) {
        m.source->remove(m.token);
    }
    recordingDone_ = nullptr;
    if (!recorderID_.isEmpty()) {
        setRecorderID({});
    }
}

void AppModel::requestInputAccess()
{
    platform_.permission.request([this, inbox = inbox_](const std::optional<std::string>& instructions) {
        inbox->post([this, help = QString::fromStdString(instructions.value_or(std::string()))] {
            permissionHelp_ = help;
            emit permissionHelpChanged();
        });
    });
}

void AppModel::startEngineWhenPermitted()
{
    if (platform_.permission.hasInputAccess() && engine_->start()) {
        setInputAccessGranted(true);
        return;
    }
    setInputAccessGranted(false);
    if (!permissionTimer_) {
        permissionTimer_ = clock_->makeTimer(true, [this] { pollPermission(); });
    }
    permissionTimer_->start(permissionPollInterval);
}

void AppModel::pollPermission()
{
    if (!platform_.permission.hasInputAccess() || !engine_->start()) {
        return;
    }
    permissionTimer_->stop();
    setInputAccessGranted(true);
}

bool AppModel::launchAtLogin() const
{
    return platform_.loginItem.isEnabled();
}

QString AppModel::setLaunchAtLogin(bool on)
{
    QString message;
    if (const auto error = platform_.loginItem.setEnabled(on)) {
        message = loginFailedMessage + QString::fromStdString(*error);
    }
    emit launchAtLoginChanged();
    return message;
}

} // namespace norvane
