#include "ui/lifecycle/debug_snapshot.h"

#include "app/app_model.h"
#include "platform/notifier.h"
#include "ui/lifecycle/window_controller.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QQuickWindow>
#include <QTimer>

#include <array>

namespace norvane::ui {

namespace {

constexpr std::array<const char*, 6> shotNames = {"1-group",   "2-group2",    "3-activity",
                                                  "4-general", "5-templates", "6-onboarding"};
constexpr int settleMs = 1200;
constexpr int quitMs = 400;

} // namespace

DebugSnapshot::DebugSnapshot(AppModel& model, WindowController& windows, Notifier& notifier, QString dir,
                             QObject* parent)
    : QObject(parent), model_(model), windows_(windows), notifier_(notifier), dir_(std::move(dir))
{}

void DebugSnapshot::start()
{
    QDir().mkpath(dir_);
    prepare(0);
}

void DebugSnapshot::prepare(int shot)
{
    const auto& groups = model_.groups();
    auto groupAt = [&](std::size_t i) -> std::optional<SidebarItem> {
        return i < groups.size() ? std::optional(SidebarItem::group(groups[i].id)) : std::nullopt;
    };
    switch (shot) {
    case 0:
    case 1:
        // The first and the second group; without one, no selection.
        model_.setSelection(groupAt(static_cast<std::size_t>(shot)));
        windows_.showMain(model_.selection());
        break;
    case 2:
        windows_.showMain(SidebarItem::activity());
        break;
    case 3:
        windows_.showMain(SidebarItem::general());
        break;
    case 4:
        model_.setShowTemplates(true);
        break;
    default:
        model_.setShowTemplates(false);
        if (QQuickWindow* main = windows_.mainWindow()) {
            main->hide();
        }
        windows_.showOnboarding();
        break;
    }
    QTimer::singleShot(settleMs, this, [this, shot] { capture(shot); });
}

void DebugSnapshot::capture(int shot)
{
    QQuickWindow* window = shot == 5 ? windows_.onboardingWindow() : windows_.mainWindow();
    if (window != nullptr) {
        const QImage image = window->grabWindow();
        const QString path =
            dir_ + QLatin1Char('/') + QLatin1String(shotNames[static_cast<std::size_t>(shot)]) + QStringLiteral(".png");
        if (!image.isNull() && image.save(path, "PNG")) {
            ++written_;
        } else {
            qWarning("norvane: snapshot %s not written", qPrintable(path));
        }
    }
    if (shot + 1 < static_cast<int>(shotNames.size())) {
        prepare(shot + 1);
        return;
    }
    notifier_.show(Notice{Icon::next, std::nullopt, "下一首", std::nullopt, true});
    QTimer::singleShot(quitMs, qApp, [] { QCoreApplication::quit(); });
}

} // namespace norvane::ui
