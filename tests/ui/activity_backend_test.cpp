// The activity page's backend over the real AppModel: the probe as the page
// reads it, the recent hits as a list model that changes in place, and the
// probe switch.
#include "model/app_names.h"
#include "quick_setup.h"

#include <QAbstractItemModelTester>
#include <QDateTime>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace norvane::test {
namespace {

using namespace std::chrono;
using Role = ui::RecentListModel::Role;

class ActivityBackendTest : public ::testing::Test {
protected:
    ActivityBackendTest()
    {
        apps.apps = {{"firefox", "火狐"}};
        fixture = std::make_unique<QuickFixture>(apps);
    }
    AppModel& model() { return fixture->model; }
    ui::ActivityBackend& activity() { return fixture->activity; }
    ui::RecentListModel& rows() { return *activity().recent(); }
    QVariant at(int row, Role role) { return rows().data(rows().index(row), role); }

    static ActivityItem hit(const std::string& group, system_clock::time_point date = system_clock::now())
    {
        ActivityItem item;
        item.date = date;
        item.groupName = group;
        item.trigger = *Trigger::parse("ctrl+k");
        item.action = Action::keys(Combo::parse("ctrl+l"));
        return item;
    }

    ListDirectory apps;
    std::unique_ptr<QuickFixture> fixture;
};

TEST_F(ActivityBackendTest, ProbeFieldsFollowTheReportAndFillInTheAbsentOnes)
{
    EXPECT_FALSE(activity().hasProbe());
    EXPECT_TRUE(activity().probe().isEmpty());

    QSignalSpy changed(&activity(), &ui::ActivityBackend::probeChanged);
    ProbeInfo info;
    info.trigger = *Trigger::parse("ctrl+k");
    info.appID = "firefox";
    info.url = "https://example.org/a";
    info.match = "浏览器 · 新标签页";
    model().setProbe(info);
    ASSERT_EQ(changed.size(), 1);
    auto p = activity().probe();
    EXPECT_EQ(p["id"].toString().toStdString(), info.id.string());
    EXPECT_EQ(p["trigger"].toMap()["text"].toString(), "ctrl+k");
    EXPECT_EQ(p["appId"].toString(), "firefox");
    EXPECT_EQ(p["appName"].toString().toStdString(), appName("firefox"));
    EXPECT_EQ(p["url"].toString(), "https://example.org/a");
    EXPECT_TRUE(p["matched"].toBool());
    EXPECT_EQ(p["match"].toString(), "浏览器 · 新标签页");

    // The same key again is a new report with a new id.
    ProbeInfo bare;
    bare.trigger = Trigger::mouse(4);
    model().setProbe(bare);
    EXPECT_EQ(changed.size(), 2);
    p = activity().probe();
    EXPECT_NE(p["id"].toString().toStdString(), info.id.string());
    EXPECT_TRUE(p["trigger"].toMap()["mouse"].toBool());
    EXPECT_EQ(p["appId"].toString(), "");
    EXPECT_EQ(p["appName"].toString(), "未知应用");
    EXPECT_EQ(p["url"].toString(), "");
    EXPECT_FALSE(p["matched"].toBool());
}

TEST_F(ActivityBackendTest, ProbeActiveReachesTheModelAndNotifiesOnlyOnChange)
{
    QSignalSpy changed(&activity(), &ui::ActivityBackend::probeActiveChanged);
    activity().setProbeActive(true);
    EXPECT_TRUE(model().probeActive());
    activity().setProbeActive(true);
    EXPECT_EQ(changed.size(), 1);
    activity().setProbeActive(false);
    EXPECT_FALSE(model().probeActive());
    EXPECT_EQ(changed.size(), 2);
}

TEST_F(ActivityBackendTest, ShowsTheNewestThirtyAndInsertsNewHitsInPlace)
{
    QAbstractItemModelTester tester(&rows(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::vector<ActivityItem> log;
    for (int i = 0; i < 45; ++i) {
        log.push_back(hit("组" + std::to_string(i)));
    }
    model().setRecent(log);
    ASSERT_EQ(rows().count(), 30);
    EXPECT_EQ(at(0, Role::GroupNameRole).toString(), "组0");
    EXPECT_EQ(at(29, Role::GroupNameRole).toString(), "组29");

    // A new hit in front: one row inserted at the top, the last one drops
    // off; no reset.
    QSignalSpy resets(&rows(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&rows(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&rows(), &QAbstractItemModel::rowsRemoved);
    log.insert(log.begin(), hit("新"));
    model().setRecent(log);
    EXPECT_EQ(resets.size(), 0);
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed[0][1].toInt(), 29);
    EXPECT_EQ(at(0, Role::GroupNameRole).toString(), "新");
    EXPECT_EQ(at(29, Role::GroupNameRole).toString(), "组28");

    // A reordered log still ends up in the log's order.
    std::reverse(log.begin(), log.end());
    model().setRecent(log);
    EXPECT_EQ(at(0, Role::GroupNameRole).toString(), "组44");

    QSignalSpy count(&rows(), &ui::RecentListModel::countChanged);
    activity().clearRecent();
    EXPECT_TRUE(model().recent().empty());
    EXPECT_EQ(rows().count(), 0);
    EXPECT_EQ(count.size(), 1);
}

TEST_F(ActivityBackendTest, RowsCarryLocalTimeSummaryAndApplication)
{
    const QDateTime local(QDate(2024, 3, 5), QTime(9, 7, 3, 600));
    auto item = hit("浏览器", system_clock::time_point(milliseconds(local.toMSecsSinceEpoch())));
    item.appID = "firefox";
    auto bare = hit("其他");
    model().setRecent({item, bare});

    EXPECT_EQ(at(0, Role::TimeRole).toString(), "09:07:03");
    EXPECT_EQ(at(0, Role::TriggerRole).toMap()["text"].toString(), "ctrl+k");
    EXPECT_EQ(at(0, Role::SummaryRole).toString().toStdString(), item.action.summary());
    EXPECT_EQ(at(0, Role::AppIdRole).toString(), "firefox");
    EXPECT_EQ(at(0, Role::AppNameRole).toString().toStdString(), appName("firefox"));
    EXPECT_EQ(at(1, Role::AppIdRole).toString(), "");
    EXPECT_EQ(at(1, Role::AppNameRole).toString(), "");
}

} // namespace
} // namespace norvane::test
