#include "test_desktop.h"
#include "test_support.h"
#include "tests/linux/workspace/test_window.h"
#include "ui/icons/symbols.h"
#include "ui/notice/notice_presenter.h"
#include "x_probe.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QImage>
#include <QQuickItem>
#include <QScreen>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace norvane::testing {
namespace {

constexpr int dockHeight = 40;

// The notice as an X11 window on two monitors, with a dock along the bottom
// that the available area leaves out.
class NoticePanelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dock = std::make_unique<XProbe>(desktop().display());
        dock->addBottomDock(dockHeight);
        ASSERT_EQ(QGuiApplication::screens().size(), 2);
        ASSERT_TRUE(waitUntil([] {
            return QGuiApplication::primaryScreen()->availableGeometry().height() == TestDesktop::height - dockHeight;
        })) << "the dock did not shrink the available area";
    }

    static void TearDownTestSuite() { dock.reset(); }

    // Moves the pointer into monitor 0 (left) or 1 (right).
    static void pointAt(int monitor)
    {
        const QPoint target(monitor * TestDesktop::monitorWidth + 100, 300);
        QCursor::setPos(target);
        ASSERT_TRUE(waitUntil([&] { return QCursor::pos() == target; }));
    }

    // Where the notice belongs on that monitor: centred in the area the dock
    // leaves, its bottom edge 14 % of that area's height above the area's bottom.
    static QPoint expectedBottomCentre(int monitor)
    {
        const int areaHeight = TestDesktop::height - dockHeight;
        return {monitor * TestDesktop::monitorWidth + TestDesktop::monitorWidth / 2,
                areaHeight - qRound(areaHeight * 0.14)};
    }

    static Notice notice(std::string title, bool force = false)
    {
        return {Icon::playPause, std::nullopt, std::move(title), std::nullopt, force};
    }

    bool shown()
    {
        const auto* window = noticeWindow();
        return window && window->isVisible() && probe.viewable(static_cast<xcb_window_t>(window->winId()));
    }

    double opacity() { return noticeWindow()->rootObject()->opacity(); }

    static xcb_window_t noticeId() { return static_cast<xcb_window_t>(noticeWindow()->winId()); }

    QRect placed() { return probe.geometry(noticeId()); }

    static inline std::unique_ptr<XProbe> dock;
    FakeApps apps;
    bool showHUD = true;
    ui::NoticePresenter presenter{[this] { return showHUD; }, apps, ui::NoticeMode::Panel};
    XProbe probe{desktop().display()};
};

TEST_F(NoticePanelTest, AppearsCentredNearTheBottomOfTheScreenUnderThePointer)
{
    // The second one moves the window that is still showing.
    for (const int monitor : {1, 0}) {
        SCOPED_TRACE(monitor);
        pointAt(monitor);
        presenter.show(notice("播放/暂停"));
        const auto expected = expectedBottomCentre(monitor);
        ASSERT_TRUE(waitUntil([&] { return shown() && std::abs(placed().center().x() - expected.x()) <= 2; }));
        const QRect rect = placed();
        EXPECT_NEAR(rect.x() + rect.width() / 2.0, expected.x(), 2);
        EXPECT_NEAR(rect.y() + rect.height(), expected.y(), 2);
        EXPECT_GT(rect.width(), 34 + 44);
        EXPECT_GT(rect.height(), 32);
    }
    // The notice's icon is drawn from the symbol font.
    const auto glyph = ui::symbolGlyph(ui::symbolName(Icon::playPause));
    ASSERT_TRUE(glyph);
    EXPECT_EQ(noticeWindow()->rootObject()->property("glyph").toString(), QString::fromUcs4(&*glyph, 1));
}

TEST_F(NoticePanelTest, LeavesTheActiveWindowFocusedAndLetsClicksThrough)
{
    TestWindow other(desktop().display(), {"Other", "other", "", 0});
    ASSERT_TRUE(waitUntil([&] { return probe.activeWindow() == other.id() && probe.inputFocus() == other.id(); }));
    pointAt(0);
    presenter.show(notice("下一首"));
    ASSERT_TRUE(waitUntil([&] { return shown(); }));
    pause(300);
    EXPECT_EQ(probe.activeWindow(), other.id());
    EXPECT_EQ(probe.inputFocus(), other.id());
    EXPECT_EQ(QGuiApplication::focusWindow(), nullptr);
    const auto flags = noticeWindow()->flags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTransparentForInput));

    // A click on the notice would reach whatever is beneath it.
    const QPoint middle = placed().center();
    QCursor::setPos(middle);
    ASSERT_TRUE(waitUntil([&] { return QCursor::pos() == middle; }));
    EXPECT_NE(probe.windowUnderPointer(), noticeId());
}

TEST_F(NoticePanelTest, FadesOutAboutASecondAfterTheRequest)
{
    pointAt(0);
    QElapsedTimer clock;
    clock.start();
    presenter.show(notice("静音"));
    pause(600);
    EXPECT_TRUE(shown());
    EXPECT_GT(opacity(), 0.99);
    ASSERT_TRUE(waitUntil([&] { return !shown(); }, 2000 - static_cast<int>(clock.elapsed())));
    // Shown 1.1 s, then a 0.3 s fade-out.
    EXPECT_GE(clock.elapsed(), 1250);
}

TEST_F(NoticePanelTest, ASecondRequestReplacesTheContentInPlaceAndRestartsTheWait)
{
    QTemporaryDir dir;
    const auto iconPath = dir.filePath("editor.png");
    QImage icon(64, 64, QImage::Format_ARGB32);
    icon.fill(Qt::darkCyan);
    ASSERT_TRUE(icon.save(iconPath));
    apps.icons["org.example.Editor"] = iconPath.toStdString();

    pointAt(1);
    QElapsedTimer clock;
    clock.start();
    presenter.show(notice("音量 +"));
    ASSERT_TRUE(waitUntil([&] { return shown(); }));
    const int narrow = placed().width();
    pause(500 - static_cast<int>(clock.elapsed()));

    // Both an application and a symbol: the application's icon is shown.
    presenter.show({Icon::send, std::string("org.example.Editor"), "一个长得多的标题，让面板变宽",
                    std::string("已发送到 Editor"), false});
    auto* content = noticeWindow()->rootObject();
    EXPECT_EQ(content->property("title").toString(), "一个长得多的标题，让面板变宽");
    EXPECT_EQ(content->property("subtitle").toString(), "已发送到 Editor");
    EXPECT_EQ(content->property("iconSource").toUrl(), QUrl::fromLocalFile(iconPath));
    EXPECT_EQ(content->property("glyph").toString(), "");

    // Wider, still centred on the pointer's monitor.
    ASSERT_TRUE(waitUntil([&] { return placed().width() > narrow; }));
    EXPECT_NEAR(placed().x() + placed().width() / 2.0, expectedBottomCentre(1).x(), 2);

    // Past the first request's 1.1 s, the notice is still fully there.
    pause(1200 - static_cast<int>(clock.elapsed()));
    EXPECT_TRUE(shown());
    EXPECT_GT(opacity(), 0.99);
    EXPECT_TRUE(waitUntil([&] { return !shown(); }, 2500 - static_cast<int>(clock.elapsed())));
}

TEST_F(NoticePanelTest, ARequestDuringTheFadeOutShowsTheNoticeAgainForItsFullTime)
{
    pointAt(0);
    presenter.show(notice("上一首"));
    ASSERT_TRUE(waitUntil([&] { return shown() && opacity() < 0.9; }));
    presenter.show(notice("下一首"));
    pause(600);
    EXPECT_TRUE(shown());
    EXPECT_GT(opacity(), 0.99);
    EXPECT_EQ(noticeWindow()->rootObject()->property("title").toString(), "下一首");
}

TEST_F(NoticePanelTest, WithNoticesTurnedOffOnlyForcedOnesAppear)
{
    showHUD = false;
    pointAt(0);
    presenter.show(notice("播放/暂停"));
    pause(300);
    EXPECT_FALSE(shown());

    presenter.show(notice("Editor 没有运行", true));
    EXPECT_TRUE(waitUntil([&] { return shown(); }));
}

} // namespace
} // namespace norvane::testing
