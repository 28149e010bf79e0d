#include "ui/lifecycle/status_item.h"

#include "app/app_model.h"
#include "ui/icons/symbols.h"
#include "ui/state/app_directory.h"
#include "ui/state/group_style.h"

#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QSystemTrayIcon>

namespace norvane::ui {

namespace {

constexpr int menuIconPx = 16;

// A symbol drawn in the menu's text colour, the way monochrome menu images
// follow light and dark themes.
QIcon symbolIcon(const QString& name, int px, const QColor& color)
{
    QIcon icon;
    for (const int scale : {1, 2}) {
        QPixmap pixmap = symbolPixmap(name, px * scale, color);
        pixmap.setDevicePixelRatio(scale);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon faded(const QIcon& icon, int px)
{
    QIcon out;
    for (const int size : {px, px * 2}) {
        QPixmap source = icon.pixmap(size, size);
        QPixmap dimmed(source.size());
        dimmed.fill(Qt::transparent);
        QPainter painter(&dimmed);
        painter.setOpacity(0.4);
        painter.drawPixmap(0, 0, source);
        painter.end();
        out.addPixmap(dimmed);
    }
    return out;
}

} // namespace

StatusItem::StatusItem(AppModel& model, AppDirectory& apps, Actions actions, QObject* parent)
    : QObject(parent), model_(model), apps_(apps), actions_(std::move(actions)), menu_(std::make_unique<QMenu>())
{
    tray_ = new QSystemTrayIcon(this);
    tray_->setToolTip(QStringLiteral("岚枢"));
    tray_->setContextMenu(menu_.get());
    connect(menu_.get(), &QMenu::aboutToShow, this, &StatusItem::rebuildMenu);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
            actions_.openMain();
        }
    });
    connect(&model_, &AppModel::stateChanged, this, &StatusItem::refreshIcon);
    // The menu is filled when it is about to open, not here: looking up the
    // groups' application icons would delay the tray item's registration.
    refreshIcon();
}

StatusItem::~StatusItem() = default;

void StatusItem::show()
{
    tray_->show();
}

void StatusItem::refreshIcon()
{
    const bool granted = model_.inputAccessGranted();
    const QString symbol = granted ? QStringLiteral("command") : QStringLiteral("exclamationmark.triangle");
    // Tray icons sit on the panel, whose colour the app cannot know; the
    // window text colour of the current theme is the usual choice.
    const QColor color = QGuiApplication::palette().color(QPalette::WindowText);
    QIcon icon = symbolIcon(symbol, 22, color);
    if (!model_.masterEnabled()) {
        icon = faded(icon, 22);
    }
    tray_->setIcon(icon);
}

void StatusItem::rebuildMenu()
{
    QMenu& menu = *menu_;
    menu.clear();
    const QColor color = menu.palette().color(QPalette::Text);
    if (!model_.inputAccessGranted()) {
        menu.addAction(QStringLiteral("⚠️ 需要开启输入设备权限…"), this,
                       [this] { actions_.openOnboarding(); });
        menu.addSeparator();
    }
    menu.addAction(model_.masterEnabled() ? QStringLiteral("暂停全部规则") : QStringLiteral("恢复全部规则"), this,
                   [this] { model_.setMasterEnabled(!model_.masterEnabled()); });

    const auto& groups = model_.groups();
    if (!groups.empty()) {
        menu.addSeparator();
        // Menus exported over D-Bus drop section titles: a disabled item
        // stands in for the header.
        menu.addAction(QStringLiteral("规则组"))->setEnabled(false);
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const RuleGroup& group = groups[i];
            const QString title = group.name.empty() ? QStringLiteral("未命名") : QString::fromStdString(group.name);
            QAction* item = menu.addAction(title, this, [this, i] { toggleGroup(static_cast<int>(i)); });
            item->setCheckable(true);
            item->setChecked(group.enabled);
            item->setEnabled(model_.masterEnabled());
            const auto image = menuIcon(group);
            const auto file = image.appID ? apps_.iconFile(image.appID, menuIconPx * 2) : std::nullopt;
            if (file) {
                item->setIcon(QIcon(QString::fromStdString(*file)));
            } else {
                item->setIcon(symbolIcon(image.style == GroupStyle::mouse ? QStringLiteral("computermouse")
                                                                          : QStringLiteral("command"),
                                         menuIconPx, color));
            }
        }
    }

    menu.addSeparator();
    QAction* open = menu.addAction(QStringLiteral("打开岚枢…"), this, [this] { actions_.openMain(); });
    open->setShortcut(QKeySequence(QStringLiteral("Ctrl+,")));
    menu.addAction(QStringLiteral("按键检测…"), this, [this] { actions_.openActivity(); });
    menu.addSeparator();
    QAction* quit = menu.addAction(QStringLiteral("退出岚枢"), this, [this] { actions_.quit(); });
    quit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
}

void StatusItem::toggleGroup(int index)
{
    auto groups = model_.groups();
    if (index < 0 || static_cast<std::size_t>(index) >= groups.size()) {
        return;
    }
    auto& group = groups[static_cast<std::size_t>(index)];
    group.enabled = !group.enabled;
    model_.setGroups(std::move(groups));
}

} // namespace norvane::ui
