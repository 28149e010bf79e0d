#pragma once

#include "app/app_types.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

class QQmlEngine;
class QQuickWindow;

namespace norvane {
class AppModel;
}

namespace norvane::ui {

class AppState;

// The main window and the onboarding window: each made on first use from
// its QML file and kept; closing only hides it and ends any recording. The
// main window's geometry is remembered across runs.
class WindowController final : public QObject {
    Q_OBJECT

public:
    WindowController(QQmlEngine& engine, AppModel& model, AppState& state, QString settingsPath,
                     QObject* parent = nullptr);
    ~WindowController() override;

    // Makes the main window if needed, applies the selection (with none
    // given and none held: the first group, else the general page) and
    // brings the window to the front.
    void showMain(std::optional<SidebarItem> selection = std::nullopt);
    void showOnboarding();

    [[nodiscard]] QQuickWindow* mainWindow() const noexcept { return main_; }
    [[nodiscard]] QQuickWindow* onboardingWindow() const noexcept { return onboarding_; }
    // What went wrong making a window from its QML (empty when nothing did).
    [[nodiscard]] const QString& error() const noexcept { return error_; }

    void saveGeometry();

    // For the windows' QML.
    Q_INVOKABLE void openMain() { showMain(); }
    Q_INVOKABLE void openOnboarding() { showOnboarding(); }
    // The onboarding view is done: close it and open the main window.
    Q_INVOKABLE void onboardingDone();
    Q_INVOKABLE void quit();

private:
    QQuickWindow* create(const QUrl& url);
    void bringToFront(QQuickWindow* window);
    void restoreGeometry();

    QQmlEngine& engine_;
    AppModel& model_;
    AppState& state_;
    QString settingsPath_;
    QString error_;
    QQuickWindow* main_ = nullptr;
    QQuickWindow* onboarding_ = nullptr;
};

} // namespace norvane::ui
