#pragma once

#include "platform/notifier.h"

#include <functional>
#include <memory>

namespace norvane::ui {

class AppDirectory;
class DesktopNotice;
class NoticePanel;

enum class NoticeMode {
    // A window of its own near the bottom of the pointer's screen (X11).
    Panel,
    // A desktop notification over D-Bus (Wayland, where the compositor
    // places windows itself and might give one focus, which would send the
    // next keys to the wrong application).
    DesktopNotification,
};

// The form that suits the windowing system the application runs on.
NoticeMode pickNoticeMode();

// Shows the brief notices the engine requests, in the chosen form. Both forms
// are created on the first notice and kept. Main thread only.
class NoticePresenter final : public Notifier {
public:
    // `showHUD` reads the user's preference each time a notice without
    // `force` arrives; `apps` finds application icons.
    NoticePresenter(std::function<bool()> showHUD, AppDirectory& apps, NoticeMode mode);
    ~NoticePresenter() override;
    NoticePresenter(const NoticePresenter&) = delete;
    NoticePresenter& operator=(const NoticePresenter&) = delete;

    void show(const Notice& notice) override;

private:
    void showPanel(const Notice& notice);
    void showDesktopNotification(const Notice& notice);

    std::function<bool()> showHUD_;
    AppDirectory& apps_;
    NoticeMode mode_;
    std::unique_ptr<NoticePanel> panel_;
    std::unique_ptr<DesktopNotice> desktop_;
};

} // namespace norvane::ui
