#include "ui/notice/notice_presenter.h"

#include "ui/icons/symbols.h"
#include "ui/notice/desktop_notice.h"
#include "ui/notice/notice_panel.h"
#include "ui/state/app_directory.h"

#include <QGuiApplication>

namespace norvane::ui {

namespace {

// Application icons are drawn at 34 px; a larger source stays sharp on
// high-density screens.
constexpr int iconSourcePx = 64;

QString text(const std::optional<std::string>& s)
{
    return s ? QString::fromStdString(*s) : QString();
}

} // namespace

NoticeMode pickNoticeMode()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ? NoticeMode::DesktopNotification
                                                                                : NoticeMode::Panel;
}

NoticePresenter::NoticePresenter(std::function<bool()> showHUD, AppDirectory& apps, NoticeMode mode)
    : showHUD_(std::move(showHUD)), apps_(apps), mode_(mode)
{}

NoticePresenter::~NoticePresenter() = default;

void NoticePresenter::show(const Notice& notice)
{
    if (!notice.force && !showHUD_()) {
        return;
    }
    if (mode_ == NoticeMode::Panel) {
        showPanel(notice);
    } else {
        showDesktopNotification(notice);
    }
}

void NoticePresenter::showPanel(const Notice& notice)
{
    NoticeContent content{QString::fromStdString(notice.title), text(notice.subtitle), {}, {}};
    // The application's icon takes precedence over the model's.
    if (notice.appID) {
        content.iconFile = text(apps_.iconFile(notice.appID, iconSourcePx));
    }
    if (content.iconFile.isEmpty()) {
        content.symbol = notice.icon ? QString::fromLatin1(symbolName(*notice.icon)) : QString();
    }
    if (!panel_) {
        panel_ = std::make_unique<NoticePanel>();
    }
    panel_->show(content);
}

void NoticePresenter::showDesktopNotification(const Notice& notice)
{
    // A symbol has no icon name a notification server knows: such notices
    // carry the program's own icon.
    QString icon = notice.appID ? text(apps_.iconFile(notice.appID, iconSourcePx)) : QString();
    if (icon.isEmpty()) {
        icon = QString::fromLatin1(DesktopNotice::programIcon);
    }
    if (!desktop_) {
        desktop_ = std::make_unique<DesktopNotice>();
    }
    desktop_->show(icon, QString::fromStdString(notice.title), text(notice.subtitle));
}

} // namespace norvane::ui
