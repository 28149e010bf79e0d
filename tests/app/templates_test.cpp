#include "app/templates.h"
#include "test_support.h"

namespace norvane::test {
namespace {

TEST_F(ModelTest, TemplatesBuildFreshGroupsFromWhatIsInstalled)
{
    ASSERT_EQ(templates().size(), 6U);
    const Template& headings = *findTemplate("doc-headings");
    RuleGroup g = headings.make(sim.workspace);
    EXPECT_EQ(g.scope.mode, ScopeMode::only);
    EXPECT_TRUE(g.scope.apps.empty()); // no browser: matches nothing until apps are added
    EXPECT_EQ(g.scope.urls.size(), 5U);
    ASSERT_EQ(g.mappings.size(), 7U);
    EXPECT_EQ(g.mappings[1].action, Action::keys(Combo::parse("ctrl+opt+1")));
    sim.workspace.setInstalled({"firefox", "google-chrome"});
    EXPECT_EQ(headings.make(sim.workspace).scope.apps, (std::vector<std::string>{"google-chrome", "firefox"}));
    EXPECT_NE(headings.make(sim.workspace).id, headings.make(sim.workspace).id);

    // The launcher skips what is missing without renumbering the rest, and
    // prefers the native package to the Flatpak of the same application.
    const Template& launcher = *findTemplate("launcher");
    sim.workspace.setInstalled({});
    EXPECT_FALSE(launcher.preview(sim.workspace).has_value());
    sim.workspace.setInstalled({"com.tencent.WeChat", "org.gnome.Console", "wechat"});
    g = launcher.make(sim.workspace);
    ASSERT_EQ(g.mappings.size(), 2U);
    EXPECT_EQ(g.mappings[0].trigger, Trigger::key(*Combo::parse("ctrl+opt+3")));
    EXPECT_EQ(g.mappings[0].action, Action::openApp("wechat"));
    EXPECT_EQ(g.mappings[1].trigger, Trigger::key(*Combo::parse("ctrl+opt+4")));
    EXPECT_EQ(g.mappings[1].action, Action::openApp("org.gnome.Console"));

    // Every built mapping that has a trigger is complete, so the engine uses it.
    for (const Template& t : templates()) {
        for (const Mapping& m : t.make(sim.workspace).mappings) {
            EXPECT_TRUE(!m.trigger || m.isUsable()) << t.id;
        }
    }
}

TEST_F(ModelTest, MacHabitsLeaveInstalledTerminalsAlone)
{
    const Template& mac = *findTemplate("mac");
    sim.workspace.setInstalled({"org.kde.konsole", "kitty", "org.example.Editor"});
    const RuleGroup g = mac.make(sim.workspace);
    EXPECT_EQ(g.scope.mode, ScopeMode::except);
    EXPECT_EQ(g.scope.apps, (std::vector<std::string>{"org.kde.konsole", "kitty"}));

    const auto target = [&](std::string_view trigger) -> std::optional<Action> {
        for (const Mapping& m : g.mappings) {
            if (m.trigger == Trigger::key(*Combo::parse(trigger))) {
                return m.action;
            }
        }
        return std::nullopt;
    };
    EXPECT_EQ(target("cmd+c"), Action::keys(Combo::parse("ctrl+c")));
    EXPECT_EQ(target("shift+cmd+z"), Action::keys(Combo::parse("ctrl+shift+z")));
    EXPECT_EQ(target("cmd+left"), Action::keys(Combo::parse("home")));
    EXPECT_EQ(target("shift+cmd+right"), Action::keys(Combo::parse("shift+end")));
    EXPECT_EQ(target("cmd+down"), Action::keys(Combo::parse("ctrl+end")));
    // Only Super combinations are taken: the keys a Linux user already has
    // (Ctrl+C, Home) keep working as they are.
    for (const Mapping& m : g.mappings) {
        ASSERT_TRUE(m.trigger && m.trigger->isKey());
        EXPECT_NE(m.trigger->combo().modifiers & mod::command, 0U) << m.note;
    }
}

TEST_F(ModelTest, BlankTemplateAddsTheDefaultGroupAndStartsRecording)
{
    EXPECT_FALSE(findTemplate("blank")->preview(sim.workspace)->trigger.has_value());
    auto model = makeModel();
    model->addTemplate("blank");
    model->addTemplate("blank");
    ASSERT_EQ(model->groups().size(), 2U);
    EXPECT_EQ(model->groups()[1].name, "新规则组");
    EXPECT_NE(model->groups()[0].id, model->groups()[1].id);
    EXPECT_EQ(model->autoRecordID().toStdString(), model->groups()[1].mappings[0].triggerRecorderID());
}

} // namespace
} // namespace norvane::test
