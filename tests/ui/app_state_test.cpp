// The window's view of the model: the group list, selection and detail
// choice, reordering, recording and the pickers' application lists, over the
// real AppModel on the simulated platform.
#include "quick_setup.h"
#include "ui/state/group_style.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace norvane::test {
namespace {

Mapping keyRule(const char* trigger, Action action)
{
    return Mapping(Trigger::parse(trigger), std::move(action));
}

class AppStateTest : public ::testing::Test {
protected:
    AppStateTest()
    {
        apps.apps = {{"firefox", "火狐"}, {"org.gnome.Terminal", "终端"}, {"code", "Code"}};
        fixture = std::make_unique<QuickFixture>(apps);
        RuleGroup a("甲");
        a.mappings.push_back(keyRule("ctrl+k", Action::keys(Combo::parse("ctrl+l"))));
        RuleGroup b("");
        RuleGroup c("丙", Scope{ScopeMode::only, {"firefox"}, {}});
        model().setGroups({a, b, c});
    }
    AppModel& model() { return fixture->model; }
    ui::AppState& state() { return fixture->state; }
    QString idAt(std::size_t i) { return QString::fromStdString(model().groups().at(i).id.string()); }

    ListDirectory apps;
    std::unique_ptr<QuickFixture> fixture;
};

TEST_F(AppStateTest, GroupRowsChangeInPlaceUnlessTheListItselfChanges)
{
    auto* list = state().groups();
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(list->data(list->index(1), ui::GroupListModel::DisplayNameRole).toString(), "未命名");
    EXPECT_EQ(list->data(list->index(0), ui::GroupListModel::SubtitleRole).toString(), "1 个映射 · 所有应用");
    EXPECT_EQ(list->data(list->index(2), ui::GroupListModel::IconAppRole).toString(), "firefox");

    QSignalSpy changed(list, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(list, &QAbstractItemModel::modelReset);
    auto groups = model().groups();
    groups[1].name = "乙";
    model().setGroups(groups);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex().row(), 1);
    EXPECT_EQ(reset.count(), 0);

    model().deleteGroup(groups[0].id);
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(list->rowCount(), 2);
}

TEST_F(AppStateTest, DraggingTheLastGroupToTheTopChangesTheRuleOrder)
{
    const QString first = idAt(0), last = idAt(2);
    state().moveGroup(2, 0);
    EXPECT_EQ(idAt(0), last);
    EXPECT_EQ(idAt(1), first);
    state().moveGroup(0, 2);
    EXPECT_EQ(idAt(2), last);
    state().moveGroup(0, 7); // out of range: nothing
    EXPECT_EQ(idAt(2), last);
}

TEST_F(AppStateTest, DetailFollowsTheSelectionAndAGoneGroupShowsTheEmptyPage)
{
    EXPECT_EQ(state().detailPage(), "empty");
    state().selectDefault();
    EXPECT_EQ(state().selectedGroupId(), idAt(0));
    EXPECT_EQ(state().detailPage(), "group");
    const QString id = idAt(0);
    state().deleteGroup(id);
    // Deleting picks another selection; naming the gone id again shows nothing.
    state().select("group", id);
    EXPECT_EQ(state().detailPage(), "empty");
    state().select("activity");
    EXPECT_EQ(state().detailPage(), "activity");

    model().setGroups({});
    model().setSelection(std::nullopt);
    state().selectDefault();
    EXPECT_EQ(state().detailPage(), "general");
}

TEST_F(AppStateTest, AnotherPageEndsTheRecordingButTheSamePageKeepsIt)
{
    state().select("group", idAt(0));
    state().startRecording("slot-t", false);
    EXPECT_EQ(state().recorderID(), "slot-t");
    state().select("group", idAt(0));
    EXPECT_EQ(state().recorderID(), "slot-t");
    state().select("activity");
    EXPECT_EQ(state().recorderID(), "");
}

TEST_F(AppStateTest, TogglingAGroupFlipsOnlyItsOwnSwitch)
{
    state().toggleGroup(idAt(1));
    EXPECT_FALSE(model().groups()[1].enabled);
    EXPECT_TRUE(model().groups()[0].enabled);
    state().toggleGroup("not-a-group");
    EXPECT_FALSE(model().groups()[1].enabled);
    EXPECT_TRUE(model().masterEnabled());
}

TEST_F(AppStateTest, RunningAppsAreSortedByNameWithoutThisAppRepeatsOrExclusions)
{
    apps.runningIDs = {"org.gnome.Terminal", "norvane", "firefox", "code", "firefox"};
    QStringList ids;
    for (const auto& app : state().runningApps({"code"})) {
        ids << app.toMap().value("id").toString();
    }
    // Without a name source the names are the ids, so "firefox" sorts first.
    EXPECT_EQ(ids, (QStringList{"firefox", "org.gnome.Terminal"}));
    EXPECT_TRUE(state().runningApps({"firefox", "org.gnome.Terminal", "code"}).isEmpty());
}

TEST(GroupStyle, TriggersDecideFirstThenActionsAndEmptyRulesDoNotVote)
{
    using ui::GroupStyle;
    RuleGroup g("g");
    EXPECT_EQ(ui::groupStyle(g), GroupStyle::command);
    g.mappings = {keyRule("mouse:3", Action::media(MediaKey::playPause)), Mapping(std::nullopt, std::nullopt)};
    EXPECT_EQ(ui::groupStyle(g), GroupStyle::mouse);
    g.mappings = {keyRule("f5", Action::media(MediaKey::next)), Mapping(std::nullopt, std::nullopt)};
    EXPECT_EQ(ui::groupStyle(g), GroupStyle::media);
    g.mappings = {keyRule("f6", Action::openApp("firefox")), Mapping(Trigger::parse("f7"), std::nullopt)};
    EXPECT_EQ(ui::groupStyle(g), GroupStyle::application);
    g.mappings.push_back(keyRule("f8", Action::keys(Combo::parse("x"))));
    EXPECT_EQ(ui::groupStyle(g), GroupStyle::command);

    // The menu only knows mouse groups and the rest; an app of an `only`
    // scope wins, an `except` scope's apps do not.
    g.mappings = {keyRule("mouse:2", Action::media(MediaKey::playPause))};
    EXPECT_EQ(ui::menuIcon(g).style, GroupStyle::mouse);
    g.scope = Scope{ScopeMode::except, {"firefox"}, {}};
    EXPECT_FALSE(ui::groupIcon(g).appID.has_value());
    g.scope.mode = ScopeMode::only;
    EXPECT_EQ(ui::menuIcon(g).appID, "firefox");
    g.mappings.push_back(Mapping(std::nullopt, std::nullopt));
    EXPECT_EQ(ui::menuIcon(g).style, GroupStyle::command);
}

} // namespace
} // namespace norvane::test
