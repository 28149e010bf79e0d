// The mappings card's backend over the real AppModel: edits written through
// the whole group list, the kind switch starting over, recordings landing in
// the right mapping, and a list model that changes rows in place.
#include "model/app_names.h"
#include "quick_setup.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>
#include <random>

namespace norvane::test {
namespace {

using Role = ui::MappingListModel::Role;

Mapping mapping(const std::string& trigger, std::optional<Action> action = Action::keys(std::nullopt))
{
    return Mapping(Trigger::parse(trigger), std::move(action));
}

class MappingsBackendTest : public ::testing::Test {
protected:
    MappingsBackendTest() : fixture(std::make_unique<QuickFixture>(apps)) {}

    AppModel& model() { return fixture->model; }
    ui::MappingsBackend& backend() { return fixture->mappings; }
    ui::MappingListModel& rows() { return *backend().mappings(); }
    QVariant at(int row, Role role) { return rows().data(rows().index(row), role); }
    static QString text(const Uuid& id) { return QString::fromStdString(id.string()); }

    // Puts the groups into the model and shows the one at `shown`.
    void show(std::vector<RuleGroup> groups, std::size_t shown = 0)
    {
        const QString id = text(groups.at(shown).id);
        model().setGroups(std::move(groups));
        backend().setGroupId(id);
    }
    const RuleGroup& group(std::size_t i = 0) { return model().groups().at(i); }
    const Mapping& stored(std::size_t i, std::size_t group = 0) { return model().groups().at(group).mappings.at(i); }

    ListDirectory apps;
    std::unique_ptr<QuickFixture> fixture;
};

TEST_F(MappingsBackendTest, RowsShowTheMappingAsTheRowDrawsIt)
{
    auto send = mapping("mouse:3", Action::sendKeys("org.example.Mail", Combo::parse("ctrl+s")));
    send.note = "存档";
    send.enabled = false;
    show({RuleGroup("组", {}, {mapping("ctrl+k", Action::media(MediaKey::volumeUp)), send, Mapping()})});

    ASSERT_EQ(rows().count(), 3);
    EXPECT_EQ(at(0, Role::TriggerRole).toString(), "ctrl+k");
    EXPECT_EQ(at(0, Role::TriggerInfoRole).toMap()["text"].toString(), "ctrl+k");
    EXPECT_EQ(at(0, Role::ActionKindRole).toString(), "media");
    EXPECT_EQ(at(0, Role::MediaKeyRole).toString(), "volumeup");
    EXPECT_TRUE(at(0, Role::ShowDividerRole).toBool());

    EXPECT_EQ(at(1, Role::MappingIdRole).toString(), text(send.id));
    EXPECT_FALSE(at(1, Role::MappingEnabledRole).toBool());
    EXPECT_TRUE(at(1, Role::TriggerInfoRole).toMap()["mouse"].toBool());
    EXPECT_EQ(at(1, Role::ActionKindRole).toString(), "sendKeys");
    EXPECT_EQ(at(1, Role::ActionKeysRole).toString(), "ctrl+s");
    EXPECT_EQ(at(1, Role::AppIdRole).toString(), "org.example.Mail");
    EXPECT_EQ(at(1, Role::AppNameRole).toString().toStdString(), appName("org.example.Mail"));
    EXPECT_EQ(at(1, Role::NoteRole).toString(), "存档");

    // A new mapping: no trigger, keys without a combination, no divider.
    EXPECT_EQ(at(2, Role::TriggerRole).toString(), "");
    EXPECT_FALSE(at(2, Role::TriggerInfoRole).isValid());
    EXPECT_EQ(at(2, Role::ActionKindRole).toString(), "keys");
    EXPECT_FALSE(at(2, Role::ActionComboRole).isValid());
    EXPECT_FALSE(at(2, Role::ShowDividerRole).toBool());

    // No action at all (as read from a file) counts as keys.
    auto bare = mapping("ctrl+j", std::nullopt);
    show({RuleGroup("组", {}, {bare})});
    EXPECT_EQ(at(0, Role::ActionKindRole).toString(), "keys");
}

TEST_F(MappingsBackendTest, TypingANoteChangesOnlyThatRowsNoteAndIsStored)
{
    show({RuleGroup("组", {}, {mapping("ctrl+k"), mapping("ctrl+j")})});
    QAbstractItemModelTester tester(&rows(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy resets(&rows(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&rows(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&rows(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&rows(), &QAbstractItemModel::dataChanged);
    QSignalSpy groups(&model(), &AppModel::groupsChanged);

    backend().setNote(text(stored(1).id), "下");
    backend().setNote(text(stored(1).id), "下一");
    EXPECT_EQ(stored(1).note, "下一");
    EXPECT_EQ(groups.size(), 2);
    EXPECT_EQ(resets.size() + inserted.size() + removed.size(), 0);
    ASSERT_EQ(changed.size(), 2);
    EXPECT_EQ(changed[1][0].value<QModelIndex>().row(), 1);
    EXPECT_EQ(changed[1][2].value<QList<int>>(), QList<int>{Role::NoteRole});

    // The same text again writes nothing.
    backend().setNote(text(stored(1).id), "下一");
    EXPECT_EQ(groups.size(), 2);
}

TEST_F(MappingsBackendTest, AddAppendsABlankMappingThatRecordsItsTriggerAndRemoveDeletesItInPlace)
{
    show({RuleGroup("组", {}, {mapping("ctrl+k")})});
    QAbstractItemModelTester tester(&rows(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy resets(&rows(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&rows(), &QAbstractItemModel::rowsInserted);

    const QString id = backend().add();
    ASSERT_EQ(group().mappings.size(), 2U);
    const Mapping& added = stored(1);
    EXPECT_EQ(text(added.id), id);
    EXPECT_TRUE(added.enabled);
    EXPECT_FALSE(added.trigger);
    EXPECT_EQ(added.action, Action::keys(std::nullopt));
    EXPECT_EQ(model().autoRecordID(), id + "-t");
    EXPECT_EQ(id, id.toUpper());
    EXPECT_EQ(resets.size(), 0);
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 1);
    // The row before the new one now has a divider.
    EXPECT_TRUE(at(0, Role::ShowDividerRole).toBool());
    EXPECT_FALSE(at(1, Role::ShowDividerRole).toBool());

    // Deleting takes every mapping with that id and ends a recording into it.
    auto groups = model().groups();
    groups[0].mappings.push_back(groups[0].mappings[1]);
    model().setGroups(groups);
    ASSERT_EQ(rows().count(), 3);
    fixture->state.startRecording(id + "-t", true);
    backend().remove(id);
    EXPECT_EQ(group().mappings.size(), 1U);
    EXPECT_EQ(rows().count(), 1);
    EXPECT_EQ(model().recorderID(), "");
    EXPECT_FALSE(at(0, Role::ShowDividerRole).toBool());
    EXPECT_EQ(resets.size(), 0);
}

// The card's tests switch kinds and pick applications through the rows;
// here what the rows cannot send: the current kind, unknown names, mouse
// buttons as target keys, applications for kinds that have none.
TEST_F(MappingsBackendTest, EditsThatMeanNothingForTheActionWriteNothing)
{
    show({RuleGroup("组", {},
                    {mapping("ctrl+k", Action::sendKeys("org.example.Mail", Combo::parse("ctrl+s"))),
                     mapping("ctrl+j", std::nullopt)})});
    const QString send = text(stored(0).id);
    const QString bare = text(stored(1).id);
    QSignalSpy groups(&model(), &AppModel::groupsChanged);

    backend().setActionKind(send, "sendKeys");
    backend().setActionKind(send, "Keys");
    backend().setMediaKey(send, "playPause");
    backend().setActionKeys(send, "mouse:2");
    backend().setActionApp(bare, "org.example.Mail");
    // No action at all is the keys kind already.
    backend().setActionKind(bare, "keys");
    EXPECT_EQ(groups.size(), 0);
    EXPECT_FALSE(stored(1).action);

    backend().setActionKeys(bare, QVariantMap{{"text", "alt+f4"}});
    EXPECT_EQ(stored(1).action, Action::keys(Combo::parse("alt+f4")));
    backend().setActionKeys(send, "ctrl+shift+s");
    EXPECT_EQ(stored(0).action, Action::sendKeys("org.example.Mail", Combo::parse("ctrl+shift+s")));
}

TEST_F(MappingsBackendTest, RecordingsLandInTheMappingWhoseRecorderListened)
{
    show({RuleGroup("组", {}, {Mapping(), Mapping()})});
    const QString second = text(stored(1).id);

    fixture->state.startRecording(second + "-t", true);
    fixture->local.press(MonitoredPress::mouse(3));
    EXPECT_EQ(stored(1).trigger, Trigger::mouse(3));
    EXPECT_FALSE(stored(0).trigger);

    fixture->state.startRecording(second + "-a", false);
    fixture->local.press(MonitoredPress::key(40, mod::control));
    EXPECT_EQ(stored(1).action, Action::keys(Combo(40, mod::control)));

    // A recorder of a mapping elsewhere changes nothing here.
    fixture->state.startRecording("00000000-0000-4000-8000-000000000000-t", true);
    fixture->local.press(MonitoredPress::key(40, 0));
    EXPECT_EQ(stored(1).trigger, Trigger::mouse(3));
}

TEST_F(MappingsBackendTest, WritesForAGoneGroupOrMappingDoNothing)
{
    show({RuleGroup("甲", {}, {mapping("ctrl+k")}), RuleGroup("乙", {}, {mapping("ctrl+j")})});
    const QString inOther = text(stored(0, 1).id);
    QSignalSpy groups(&model(), &AppModel::groupsChanged);

    backend().setNote(inOther, "不在本组");
    backend().setEnabled("not a uuid", false);
    backend().setTrigger(text(stored(0).id), "no such key");
    const Uuid gone = group(0).id;
    model().deleteGroup(gone);
    EXPECT_EQ(rows().count(), 0);
    const auto afterDelete = groups.size();
    EXPECT_EQ(backend().add(), "");
    backend().remove(inOther);
    EXPECT_EQ(groups.size(), afterDelete);
    EXPECT_EQ(stored(0).note, "");
}

TEST_F(MappingsBackendTest, ConflictsAndHitCountsFollowTheModel)
{
    const auto first = mapping("ctrl+k");
    show({RuleGroup("甲", {}, {mapping("ctrl+j")}), RuleGroup("乙", {}, {first, mapping("a")})}, 1);
    EXPECT_EQ(at(0, Role::ConflictRole).toString(), "");
    EXPECT_EQ(at(1, Role::ConflictRole).toString(), "没有修饰键的单个按键会影响正常打字");

    // An edit in the earlier group changes this group's warning in place.
    QSignalSpy resets(&rows(), &QAbstractItemModel::modelReset);
    auto groups = model().groups();
    groups[0].mappings[0].trigger = Trigger::parse("ctrl+k");
    model().setGroups(groups);
    EXPECT_EQ(at(0, Role::ConflictRole).toString(), "「甲」也用了这个触发键，它排在前面，范围重叠时会优先生效");
    backend().setEnabled(text(stored(0, 1).id), false);
    EXPECT_EQ(at(0, Role::ConflictRole).toString(), "");
    EXPECT_EQ(resets.size(), 0);

    EXPECT_EQ(at(0, Role::HitTextRole).toString(), "");
    CompiledMapping hit;
    hit.mappingID = first.id;
    for (int i = 0; i < 12; ++i) {
        model().recordHit(hit, std::nullopt);
    }
    EXPECT_EQ(at(0, Role::HitTextRole).toString(), "12 次");
    EXPECT_EQ(at(1, Role::HitTextRole).toString(), "");
    EXPECT_EQ(ui::MappingListModel::hitText(0), "");
}

// The card asks the model only for mappings that can have a warning; the
// warnings it shows must still be exactly the model's.
TEST_F(MappingsBackendTest, WarningsAreTheModelsForEveryMapping)
{
    std::mt19937 random(7);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::vector<std::string> triggers = {"ctrl+k", "ctrl+j", "a", "f5", "mouse:3", "shift+space"};
    const std::vector<std::string> appIDs = {"org.example.Editor", "org.example.Mail"};
    std::vector<RuleGroup> groups;
    for (int g = 0; g < 6; ++g) {
        RuleGroup group("组" + std::to_string(g));
        group.enabled = pick(4) != 0;
        group.scope.mode = static_cast<ScopeMode>(pick(3));
        group.scope.apps = {appIDs[static_cast<std::size_t>(pick(2))]};
        for (int i = 0; i < 12; ++i) {
            auto m = pick(5) == 0 ? Mapping() : mapping(triggers[static_cast<std::size_t>(pick(6))]);
            m.enabled = pick(5) != 0;
            group.mappings.push_back(m);
        }
        // The same mapping twice (as a hand-edited file may have it).
        group.mappings.push_back(group.mappings[0]);
        groups.push_back(group);
    }
    model().setGroups(groups);
    for (const RuleGroup& g : groups) {
        backend().setGroupId(text(g.id));
        ASSERT_EQ(rows().count(), static_cast<int>(g.mappings.size()));
        for (std::size_t i = 0; i < g.mappings.size(); ++i) {
            const auto expected = model().conflict(g.mappings[i], g);
            EXPECT_EQ(at(static_cast<int>(i), Role::ConflictRole).toString().toStdString(), expected.value_or(""))
                << g.name << " " << i;
        }
    }
}

TEST_F(MappingsBackendTest, ReorderedOrReplacedMappingsEndUpInTheGroupsOrder)
{
    std::vector<Mapping> list;
    list.reserve(40);
    for (int i = 0; i < 40; ++i) {
        list.push_back(mapping("ctrl+f" + std::to_string(i % 12 + 1)));
    }
    show({RuleGroup("组", {}, list)});
    QAbstractItemModelTester tester(&rows(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    const auto check = [&] {
        ASSERT_EQ(rows().count(), static_cast<int>(group().mappings.size()));
        for (int i = 0; i < rows().count(); ++i) {
            EXPECT_EQ(at(i, Role::MappingIdRole).toString(), text(stored(static_cast<std::size_t>(i)).id)) << i;
        }
    };

    auto groups = model().groups();
    std::rotate(groups[0].mappings.begin(), groups[0].mappings.begin() + 1, groups[0].mappings.end());
    model().setGroups(groups);
    check();
    std::reverse(groups[0].mappings.begin(), groups[0].mappings.end());
    model().setGroups(groups);
    check();
    groups[0].mappings.insert(groups[0].mappings.begin() + 3, groups[0].mappings[7]);
    model().setGroups(groups);
    check();
    for (auto& m : groups[0].mappings) {
        m.id = Uuid::random();
    }
    model().setGroups(groups);
    check();
}

} // namespace
} // namespace norvane::test
