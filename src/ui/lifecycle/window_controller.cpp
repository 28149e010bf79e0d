#include "ui/lifecycle/window_controller.h"

#include "app/app_model.h"
#include "ui/state/app_state.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QScreen>
#include <QSettings>

namespace norvane::ui {

namespace {

const QString geometryKey = QStringLiteral("NorvaneMain/geometry");

} // namespace

WindowController::WindowController(QQmlEngine& engine, AppModel& model, AppState& state, QString settingsPath,
                                   QObject* parent)
    : QObject(parent), engine_(engine), model_(model), state_(state), settingsPath_(std::move(settingsPath))
{}

WindowController::~WindowController()
{
    saveGeometry();
    for (QQuickWindow* window : {main_, onboarding_}) {
        if (window != nullptr) {
            disconnect(window, nullptr, this, nullptr);
            delete window;
        }
    }
}

QQuickWindow* WindowController::create(const QUrl& url)
{
    QQmlComponent component(&engine_, url);
    QObject* object = component.create();
    auto* window = qobject_cast<QQuickWindow*>(object);
    if (window == nullptr) {
        error_ = component.errorString();
        qWarning("norvane: cannot make the window %s: %s", qPrintable(url.toString()), qPrintable(error_));
        delete object;
        return nullptr;
    }
    // Hidden, not destroyed, when closed; a recording in progress ends.
    connect(window, &QWindow::visibleChanged, this, [this](bool visible) {
        if (!visible) {
            model_.stopRecording();
            saveGeometry();
        }
    });
    return window;
}

void WindowController::showMain(std::optional<SidebarItem> selection)
{
    if (main_ == nullptr) {
        main_ = create(QUrl(QStringLiteral("qrc:/norvane/qml/windows/MainWindow.qml")));
        if (main_ == nullptr) {
            return;
        }
        restoreGeometry();
    }
    if (selection) {
        model_.setSelection(selection);
    } else {
        state_.selectDefault();
    }
    bringToFront(main_);
}

void WindowController::showOnboarding()
{
    if (onboarding_ == nullptr) {
        onboarding_ = create(QUrl(QStringLiteral("qrc:/norvane/qml/windows/OnboardingWindow.qml")));
        if (onboarding_ == nullptr) {
            return;
        }
    }
    bringToFront(onboarding_);
}

void WindowController::onboardingDone()
{
    if (onboarding_ != nullptr) {
        onboarding_->close();
    }
    showMain();
}

void WindowController::quit()
{
    QCoreApplication::quit();
}

void WindowController::bringToFront(QQuickWindow* window)
{
    if (window->visibility() == QWindow::Minimized) {
        window->showNormal();
    } else {
        window->show();
    }
    window->raise();
    window->requestActivate();
}

void WindowController::saveGeometry()
{
    if (main_ == nullptr || settingsPath_.isEmpty()) {
        return;
    }
    QSettings settings(settingsPath_, QSettings::IniFormat);
    settings.setValue(geometryKey, main_->geometry());
}

void WindowController::restoreGeometry()
{
    QSettings settings(settingsPath_, QSettings::IniFormat);
    const QRect saved = settings.value(geometryKey).toRect();
    if (!saved.isValid() || saved.width() < main_->minimumWidth() || saved.height() < main_->minimumHeight()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            main_->setPosition(area.center() - QPoint(main_->width() / 2, main_->height() / 2));
        }
        return;
    }
    // Only where a screen still shows it (a monitor may have gone).
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(saved)) {
            main_->setGeometry(saved);
            return;
        }
    }
    main_->resize(saved.size());
}

} // namespace norvane::ui
