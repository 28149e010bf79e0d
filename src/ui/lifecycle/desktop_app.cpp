#include "ui/lifecycle/desktop_app.h"

#include "app/app_model.h"
#include "platform/linux/browser/bridge_thread.h"
#include "platform/linux/browser/page_cache.h"
#include "platform/linux/input/input_access.h"
#include "platform/linux/input/linux_input.h"
#include "platform/linux/session/logind_session.h"
#include "platform/linux/session/session_gated_tap.h"
#include "platform/linux/workspace/linux_desktop.h"
#include "platform/linux/workspace/login_item.h"
#include "ui/general/dbus_file_viewer.h"
#include "ui/general/linux_browser_setup.h"
#include "ui/general/linux_window_tracking.h"
#include "ui/general/widget_dialogs.h"
#include "ui/input/window_key_monitor.h"
#include "ui/lifecycle/debug_snapshot.h"
#include "ui/lifecycle/desktop_directory.h"
#include "ui/lifecycle/input_key_emitter.h"
#include "ui/lifecycle/status_item.h"
#include "ui/lifecycle/tray_host.h"
#include "ui/lifecycle/window_controller.h"
#include "ui/notice/notice_presenter.h"
#include "ui/qml_types.h"
#include "ui/state/activity_backend.h"
#include "ui/state/app_state.h"
#include "ui/state/general_backend.h"
#include "ui/state/group_backend.h"
#include "ui/state/mappings_backend.h"

#include <QApplication>
#include <QIcon>
#include <QQmlEngine>

namespace norvane::ui {

using namespace std::chrono_literals;
using linux_workspace::AutostartLoginItem;
using linux_workspace::DesktopSession;
using linux_workspace::LinuxDesktop;
using linux_workspace::ProcessKeyDelivery;

LaunchOptions LaunchOptions::parse(const QStringList& arguments)
{
    LaunchOptions options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--settings")) {
            options.settings = true;
        } else if (arguments[i] == QLatin1String("--debug-snapshot") && i + 1 < arguments.size()) {
            options.snapshotDir = arguments[++i];
        }
    }
    return options;
}

// Declared in the order they must be made; destroyed in reverse, so the
// input thread stops before the model and engine it calls go away.
struct DesktopApp::Parts {
    QObject mainThread; // receives work posted to the main thread
    FrontmostSnapshot frontmost;
    std::unique_ptr<LinuxDesktop> desktop;
    std::unique_ptr<LinuxWindowTracking> windowTracking;
    linux_browser::BrowserPageCache pages{frontmost};
    std::unique_ptr<linux_browser::BridgeThread> bridge;
    LinuxBrowserSetup browserSetup{pages};
    DBusFileViewer fileViewer;
    WidgetDialogs dialogs;
    QtExecutor executor{mainThread};
    std::unique_ptr<linux_input::LinuxInput> input;
    std::unique_ptr<linux_session::LogindSession> session;
    std::unique_ptr<linux_session::SessionGatedTap> sessionTap;
    std::unique_ptr<InputKeyEmitter> emitter;
    std::unique_ptr<ProcessKeyDelivery> keyDelivery;
    linux_input::LinuxAccessPermission permission;
    AutostartLoginItem loginItem{AutostartLoginItem::currentCommand()};
    WindowKeyMonitor localMonitor;
    std::unique_ptr<DesktopDirectory> directory;
    std::unique_ptr<NoticePresenter> notice;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<AppState> state;
    std::unique_ptr<ActivityBackend> activity;
    std::unique_ptr<GeneralBackend> general;
    std::unique_ptr<MappingsBackend> mappings;
    std::unique_ptr<GroupBackend> group;
    std::unique_ptr<QQmlEngine> qml;
    std::unique_ptr<WindowController> windows;
    std::unique_ptr<StatusItem> status;
    std::unique_ptr<DebugSnapshot> snapshot;
};

namespace {

void startFocusSource(LinuxDesktop& desktop)
{
    if (const auto why = desktop.start()) {
        // Said once: rules scoped to applications then never see one in front.
        qWarning("norvane: the application in front cannot be followed (%s); every application counts as unknown",
                 why->c_str());
    }
}

} // namespace

DesktopApp::DesktopApp(const LaunchOptions& options) : parts_(std::make_unique<Parts>())
{
    Parts& p = *parts_;

    LinuxDesktop::Options desktopOptions;
    desktopOptions.iconTheme = QIcon::themeName().isEmpty() ? "hicolor" : QIcon::themeName().toStdString();
    desktopOptions.onActivate = [&p](const FrontApp& app) {
        QMetaObject::invokeMethod(
            &p.mainThread, [&p, id = app.appID] { p.model->applicationActivated(id); }, Qt::QueuedConnection);
    };
    p.desktop = std::make_unique<LinuxDesktop>(p.frontmost, std::move(desktopOptions));
    installAppNameSource(p.desktop->catalog());
    startFocusSource(*p.desktop);
    p.windowTracking = std::make_unique<LinuxWindowTracking>(*p.desktop);

    // A snapshot run only draws: it must not take the running instance's
    // bridge socket or its input devices.
    const bool snapshotRun = !options.snapshotDir.isEmpty();
    if (!snapshotRun) {
        std::string bridgeError;
        p.bridge = linux_browser::startBrowserBridge(p.pages, bridgeError);
        if (!p.bridge) {
            qWarning("norvane: page addresses from browsers are unavailable: %s", bridgeError.c_str());
        }
    }

    linux_input::LinuxInputOptions inputOptions;
    inputOptions.executor = &p.executor;
    // Some clients on GNOME (GTK on Wayland, VTE terminals) miss a modifier
    // change sent back-to-back with its key. 8 ms gives the compositor time
    // to pass the new modifiers on first, even in the middle of drawing a
    // frame, while a remapped shortcut still feels instant and stays well
    // inside the ~30 ms between key repeats. The input thread pauses only
    // when a key needs other modifiers than those held.
    if (p.desktop->session().kind == DesktopSession::Kind::gnome) {
        inputOptions.modifierGap = 8ms;
    }
    p.input = std::make_unique<linux_input::LinuxInput>(inputOptions);
    p.emitter = std::make_unique<InputKeyEmitter>(*p.input, p.mainThread);
    // The devices are held only while this login session is in front: on a
    // switch to another user or virtual terminal they are let go and closed.
    p.session = std::make_unique<linux_session::LogindSession>();
    QObject::connect(p.session.get(), &linux_session::LogindSession::settled, &p.mainThread, [&p] {
        if (!p.session->problem().isEmpty()) {
            qWarning("norvane: the login session cannot be followed (%s); the input devices stay held while other "
                     "sessions are in front",
                     qUtf8Printable(p.session->problem()));
        }
    });
    linux_input::LinuxInput& input = *p.input;
    p.sessionTap = std::make_unique<linux_session::SessionGatedTap>(
        *p.session, linux_session::GatedInput{[&input](InputHandler& handler) { return input.start(handler); },
                                              [&input] { input.stop(); }, [&input] { return input.isPaused(); },
                                              [&input] { input.resume(); }});
    p.keyDelivery = p.desktop->makeKeyDelivery(*p.emitter);
    if (p.keyDelivery) {
        p.input->setProcessDelivery(
            [&p](int pid, std::span<const InputEvent> events) { p.keyDelivery->deliver(pid, events); });
    }

    p.directory = std::make_unique<DesktopDirectory>(*p.desktop->catalog(), p.desktop->workspace());
    p.notice = std::make_unique<NoticePresenter>([&p] { return p.model && p.model->preferences().showHUD; },
                                                 *p.directory, pickNoticeMode());

    AppPlatform platform{*p.sessionTap, *p.input,     p.frontmost, p.pages,        p.desktop->workspace(),
                         *p.notice,     p.permission, p.loginItem, p.localMonitor, *p.input};
    p.model = std::make_unique<AppModel>(platform, AppStorage{}, systemClock());
    AppModel& model = *p.model;

    // Mice are grabbed only while a rule listens to their extra buttons, so
    // their other clicks stay untouched otherwise.
    auto grabMicePolicy = [&p] { p.input->setGrabMice(p.model->engine().rules()->buttonTriggerCount() > 0); };
    grabMicePolicy();
    QObject::connect(&model, &AppModel::groupsChanged, &p.mainThread, grabMicePolicy);
    // The panic chord lets go of everything: the rules show as paused, and
    // turning them back on takes the devices again.
    p.input->setPanicHandler([&p] {
        qWarning("norvane: panic chord pressed; every device released and all rules paused");
        p.model->setMasterEnabled(false);
    });
    QObject::connect(&model, &AppModel::masterEnabledChanged, &p.mainThread, [&p] {
        if (p.model->masterEnabled()) {
            p.sessionTap->resume();
        }
    });

    p.state = std::make_unique<AppState>(model, *p.directory);
    p.activity = std::make_unique<ActivityBackend>(model);
    p.general =
        std::make_unique<GeneralBackend>(model, GeneralServices{p.browserSetup, p.fileViewer, p.dialogs, buildVersion(),
                                                                installedAppIcon(), p.windowTracking.get()});
    p.mappings = std::make_unique<MappingsBackend>(*p.state);
    p.group = std::make_unique<GroupBackend>(*p.state, p.desktop->workspace(), p.pages);
    p.qml = std::make_unique<QQmlEngine>();
    p.windows = std::make_unique<WindowController>(*p.qml, model, *p.state, AppStorage{}.settingsPath);
    registerQmlTypes(*p.qml, *p.state, p.windows.get(), p.activity.get());
    qmlRegisterSingletonInstance("Norvane", 1, 0, "General", p.general.get());
    qmlRegisterSingletonInstance("Norvane", 1, 0, "Mappings", p.mappings.get());
    qmlRegisterSingletonInstance("Norvane", 1, 0, "GroupEditor", p.group.get());

    if (snapshotRun) {
        model.setInputAccessGranted(p.permission.hasInputAccess());
        p.snapshot = std::make_unique<DebugSnapshot>(model, *p.windows, *p.notice, options.snapshotDir);
        p.snapshot->start();
        return;
    }

    // Start-up order: the model has loaded and compiled the rules; start the
    // engine (retried every second while input access is missing).
    model.startEngineWhenPermitted();

    StatusItem::Actions actions{
        [&p] { p.windows->showMain(); },
        [&p] { p.windows->showMain(SidebarItem::activity()); },
        [&p] { p.windows->showOnboarding(); },
        [] { QCoreApplication::quit(); },
    };
    p.status = std::make_unique<StatusItem>(model, *p.directory, std::move(actions));
    whenTrayHostReady(&p.mainThread, 3s, [&p](bool available) {
        if (available) {
            p.status->show();
        } else {
            qWarning("norvane: no tray on this desktop; the window stays reachable by starting norvane again");
            p.windows->showMain();
        }
    });

    if (!model.inputAccessGranted()) {
        p.windows->showOnboarding();
    } else if (options.settings) {
        p.windows->showMain();
    }
}

DesktopApp::~DesktopApp()
{
    if (parts_->input) {
        parts_->input->stop();
    }
}

void DesktopApp::handleRequest(const QString& request)
{
    Q_UNUSED(request);
    parts_->windows->showMain();
}

} // namespace norvane::ui
