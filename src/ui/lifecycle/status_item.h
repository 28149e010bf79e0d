#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace norvane {
class AppModel;
}

namespace norvane::ui {

class AppDirectory;

// The tray item and its menu. The menu is rebuilt from the model each time
// it is about to open, so titles, check marks and icons are always current.
// Clicking the icon itself opens the main window.
class StatusItem final : public QObject {
    Q_OBJECT

public:
    struct Actions {
        std::function<void()> openMain;
        std::function<void()> openActivity;
        std::function<void()> openOnboarding;
        std::function<void()> quit;
    };

    StatusItem(AppModel& model, AppDirectory& apps, Actions actions, QObject* parent = nullptr);
    ~StatusItem() override;

    void show();
    // Redraws the icon: the command symbol, or the warning symbol while
    // input access is missing; dimmed while every rule is paused.
    void refreshIcon();
    // Fills the menu from the model (also done before each opening).
    void rebuildMenu();
    [[nodiscard]] QMenu* menu() const noexcept { return menu_.get(); }
    [[nodiscard]] QSystemTrayIcon* tray() const noexcept { return tray_; }

private:
    void toggleGroup(int index);

    AppModel& model_;
    AppDirectory& apps_;
    Actions actions_;
    std::unique_ptr<QMenu> menu_;
    QSystemTrayIcon* tray_ = nullptr;
};

} // namespace norvane::ui
