#include "app/conflicts.h"
#include "test_support.h"

#include <QSignalSpy>

namespace norvane::test {
namespace {

Scope scope(ScopeMode mode, std::vector<std::string> apps = {})
{
    return Scope{mode, std::move(apps), {}};
}

TEST_F(ModelTest, AddAndDuplicateSelectTheNewGroup)
{
    auto model = makeModel();
    model->addGroup();
    const RuleGroup added = model->groups().at(0);
    EXPECT_EQ(added.name, "新规则组");
    EXPECT_EQ(model->selection(), SidebarItem::group(added.id));
    EXPECT_EQ(model->autoRecordID().toStdString(), added.mappings.at(0).triggerRecorderID());

    // A first mapping that has a trigger leaves the recorder request alone.
    const RuleGroup b("B", scope(ScopeMode::only, {"firefox"}), {keyRule("cmd+k")});
    model->addGroup(b);
    model->addGroup(RuleGroup("C"));
    EXPECT_EQ(model->autoRecordID().toStdString(), added.mappings.at(0).triggerRecorderID());

    model->recordHit(CompiledMapping{"B", {}, b.mappings[0].id, *b.mappings[0].trigger, *b.mappings[0].action, ""},
                     std::nullopt);
    model->duplicateGroup(b.id);
    ASSERT_EQ(model->groups().size(), 4U);
    const RuleGroup copy = model->groups()[2];
    EXPECT_EQ(copy.name, "B 副本");
    EXPECT_TRUE(copy.id != b.id && copy.mappings[0].id != b.mappings[0].id);
    EXPECT_TRUE(copy.scope == b.scope && copy.mappings[0].trigger == b.mappings[0].trigger);
    EXPECT_EQ(model->selection(), SidebarItem::group(copy.id));
    EXPECT_EQ(model->totalCount(b), 1);
    EXPECT_EQ(model->totalCount(copy), 0);
}

TEST_F(ModelTest, DeleteMovesTheSelectionOnlyWhenTheShownGroupGoes)
{
    auto model = makeModel();
    const RuleGroup a("A"), b("B"), c("C");
    model->setGroups({a, b, c});
    model->setSelection(SidebarItem::group(b.id));
    model->deleteGroup(b.id); // the following group takes its place
    EXPECT_EQ(model->selection(), SidebarItem::group(c.id));
    model->deleteGroup(c.id); // the last one: the new last one
    EXPECT_EQ(model->selection(), SidebarItem::group(a.id));
    model->setGroups({a, b});
    model->setSelection(SidebarItem::general());
    model->deleteGroup(a.id); // not shown: the selection stays
    EXPECT_EQ(model->selection(), SidebarItem::general());
    model->setSelection(SidebarItem::group(b.id));
    model->deleteGroup(b.id);
    EXPECT_FALSE(model->selection().has_value());
}

TEST(Conflicts, ScopeOverlapTable)
{
    const auto only = [](std::vector<std::string> apps) { return scope(ScopeMode::only, std::move(apps)); };
    const auto except = [](std::vector<std::string> apps) { return scope(ScopeMode::except, std::move(apps)); };
    EXPECT_TRUE(scopesOverlap(only({}), scope(ScopeMode::all)));
    EXPECT_TRUE(scopesOverlap(except({"a"}), except({"b"})));
    EXPECT_FALSE(scopesOverlap(only({"safari"}), only({"chrome"})));
    EXPECT_TRUE(scopesOverlap(only({"safari", "x"}), only({"x"})));
    EXPECT_FALSE(scopesOverlap(except({"safari"}), only({"safari"})));
    EXPECT_TRUE(scopesOverlap(except({"safari"}), only({"safari", "chrome"})));
    EXPECT_TRUE(scopesOverlap(only({"safari"}), except({"chrome"})));
    EXPECT_FALSE(scopesOverlap(only({}), except({})));
}

TEST(Conflicts, SameGroupEarlierGroupAndPlainKeys)
{
    const char* sameGroup = "本组里还有一条映射用了相同的触发键，只有排在前面的会生效";
    RuleGroup a("A", {}, {keyRule("cmd+k")});
    RuleGroup b("B", {}, {keyRule("cmd+k"), keyRule("cmd+k")});
    EXPECT_EQ(conflictMessage(b.mappings[0], b, {a, b}), sameGroup);
    EXPECT_EQ(conflictMessage(b.mappings[1], b, {a, b}), sameGroup);
    EXPECT_EQ(conflictMessage(a.mappings[0], a, {a, b}), std::nullopt); // B comes later

    b.mappings[1].enabled = false;
    EXPECT_EQ(conflictMessage(b.mappings[0], b, {a, b}), "「A」也用了这个触发键，它排在前面，范围重叠时会优先生效");
    EXPECT_EQ(conflictMessage(b.mappings[1], b, {a, b}), std::nullopt);
    a.scope = scope(ScopeMode::only, {"safari"});
    b.scope = scope(ScopeMode::only, {"chrome"});
    EXPECT_EQ(conflictMessage(b.mappings[0], b, {a, b}), std::nullopt);

    const RuleGroup g("G");
    const auto plain = [&](const char* trigger) { return conflictMessage(keyRule(trigger), g, {g}).has_value(); };
    EXPECT_TRUE(plain("a") && plain("space"));                         // key codes 0 and 49
    EXPECT_FALSE(plain("delete") || plain("esc") || plain("shift+a")); // 51, 53, a modifier
}

// Through Qt's property system, as QML binds to them: every writable property
// notifies on every write, also of the value it already has.
TEST_F(ModelTest, EveryPropertyNotifiesOnEveryAssignment)
{
    auto model = makeModel();
    model->addGroup();
    const QMetaObject* meta = model->metaObject();
    int writable = 0;
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        ASSERT_TRUE(property.hasNotifySignal()) << property.name();
        if (property.isWritable()) {
            ++writable;
            const QVariant value = property.read(model.get());
            QSignalSpy spy(model.get(), property.notifySignal());
            ASSERT_TRUE(property.write(model.get(), value)) << property.name();
            EXPECT_EQ(spy.count(), 1) << property.name();
            EXPECT_EQ(property.read(model.get()), value) << property.name();
        }
    }
    EXPECT_EQ(writable, 10);
}

} // namespace
} // namespace norvane::test
