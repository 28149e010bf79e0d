#include "notification_server.h"
#include "test_support.h"
#include "ui/notice/notice_presenter.h"

#include <gtest/gtest.h>

namespace norvane::testing {
namespace {

// The notice as a desktop notification, sent to a stand-in server on the
// test's own session bus.
class DesktopNoticeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.registered());
        apps.icons["org.example.Editor"] = "/icons/editor.png";
    }

    const NotificationServer::Call& call(std::size_t i)
    {
        EXPECT_TRUE(waitUntil([&] { return server.calls().size() > i; })) << "no Notify call " << i;
        return server.calls().at(i);
    }

    NotificationServer server;
    FakeApps apps;
    ui::NoticePresenter presenter{[] { return true; }, apps, ui::NoticeMode::DesktopNotification};
};

TEST_F(DesktopNoticeTest, ShowsOneTransientNotificationAndReplacesItWhileItShows)
{
    presenter.show({std::nullopt, std::string("org.example.Editor"), "⌘S", std::string("已发送到 Editor"), false});
    // At once, before the server has answered the first.
    presenter.show({Icon::volumeUp, std::nullopt, "音量 +", std::nullopt, false});

    const auto first = call(0);
    EXPECT_EQ(first.appName, "岚枢");
    EXPECT_EQ(first.replacesId, 0U);
    EXPECT_EQ(first.icon, "/icons/editor.png");
    EXPECT_EQ(first.summary, "⌘S");
    EXPECT_EQ(first.body, "已发送到 Editor");
    EXPECT_EQ(first.expireTimeout, 1400);
    EXPECT_EQ(first.hints.value("transient"), QVariant(true));
    EXPECT_EQ(first.hints.value("urgency").metaType(), QMetaType::fromType<uchar>());
    EXPECT_EQ(first.hints.value("urgency").toInt(), 0);
    EXPECT_EQ(first.hints.value("desktop-entry").toString(), "norvane");

    const auto second = call(1);
    EXPECT_EQ(second.replacesId, first.id);
    EXPECT_EQ(second.icon, "norvane");
    EXPECT_EQ(second.summary, "音量 +");
    EXPECT_EQ(second.body, "");

    pause(200);
    presenter.show({Icon::volumeUp, std::nullopt, "音量 +", std::nullopt, false});
    EXPECT_EQ(call(2).replacesId, first.id);
    EXPECT_EQ(server.calls().size(), 3U);
}

TEST_F(DesktopNoticeTest, StartsANewNotificationOnceTheShownOneHasClosed)
{
    presenter.show({Icon::next, std::nullopt, "下一首", std::nullopt, true});
    const auto first = call(0);
    server.close(first.id);
    pause(300);
    presenter.show({Icon::next, std::nullopt, "下一首", std::nullopt, true});
    EXPECT_EQ(call(1).replacesId, 0U);
}

} // namespace
} // namespace norvane::testing
