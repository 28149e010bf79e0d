// The legacy document: strict reading, conversion into rule groups, and the
// rule that picks between the two formats.
#include "model/config_loader.h"
#include "model/legacy_config.h"

#include <gtest/gtest.h>

namespace norvane {
namespace {

std::vector<RuleGroup> migrate(const char* text)
{
    const auto config = decodeLegacyConfig(text);
    EXPECT_TRUE(config.has_value()) << text;
    return config ? migrated(*config) : std::vector<RuleGroup>{};
}

TEST(LegacyReading, IsStrictThroughout)
{
    const std::pair<const char*, bool> cases[] = {
        {R"({"rules": []})", true},
        {R"({"rules": [], "mouse": null, "other": 1})", true},
        {R"({"rules": [{"apps": [], "map": {}, "name": null, "urlContains": null}]})", true},
        {R"({"rules": [], "mouse": [{"button": 3, "action": "anything", "apps": null}]})", true},
        {R"({})", false},
        {R"({"rules": {}})", false},
        {R"({"rules": [{"map": {}}]})", false},  // no apps
        {R"({"rules": [{"apps": []}]})", false}, // no map
        {R"({"rules": [{"apps": ["a", 1], "map": {}}]})", false},
        {R"({"rules": [{"apps": [], "map": {"cmd+1": 2}}]})", false}, // a map value that is no string
        {R"({"rules": [{"apps": [], "map": {}, "name": 1}]})", false},
        {R"({"rules": [{"apps": [], "map": {}, "urlContains": "x"}]})", false},
        {R"({"rules": [1]})", false},
        {R"({"rules": [], "mouse": {}})", false},
        {R"({"rules": [], "mouse": [{"button": 3}]})", false},
        {R"({"rules": [], "mouse": [{"button": 3.0, "action": "next"}]})", false},
        {R"({"rules": [], "mouse": [{"button": "3", "action": "next"}]})", false},
        {R"({"rules": [], "mouse": [{"button": 9223372036854775808, "action": "next"}]})", false},
        {R"({"rules": [], "mouse": [{"button": 3, "action": "next", "apps": "x"}]})", false},
        {R"([])", false},
    };
    for (const auto& [text, valid] : cases) {
        EXPECT_EQ(decodeLegacyConfig(text).has_value(), valid) << text;
    }
}

TEST(LegacyMigration, RulesBecomeOnlyGroupsWithSortedMappings)
{
    const auto groups = migrate(R"({"rules": [
        {"name": "Editor", "apps": ["b.app", "a.app"], "urlContains": ["docs/"],
         "map": {"z": "cmd+z", "a": "cmd+a", "m": "cmd+m", "cmd+1": "nonsense", "bad key": "cmd+b"}},
        {"apps": [], "map": {}}
    ]})");
    ASSERT_EQ(groups.size(), 2U);
    const auto& g = groups[0];
    EXPECT_EQ(g.name, "Editor");
    EXPECT_TRUE(g.enabled);
    EXPECT_EQ(g.scope, (Scope{ScopeMode::only, {"b.app", "a.app"}, {"docs/"}}));
    ASSERT_EQ(g.mappings.size(), 3U);
    const char* order[] = {"a", "m", "z"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(g.mappings[i].trigger, Trigger::key(*Combo::parse(order[i])));
        EXPECT_EQ(g.mappings[i].action, Action::keys(Combo::parse(std::string("cmd+") + order[i])));
        EXPECT_TRUE(g.mappings[i].enabled);
    }
    EXPECT_NE(g.mappings[0].id, g.mappings[1].id);
    EXPECT_EQ(groups[1].name, "规则");
    EXPECT_EQ(groups[1].scope, (Scope{ScopeMode::only, {}, {}}));
    EXPECT_NE(groups[0].id, groups[1].id);
}

TEST(LegacyMigration, HeadingShortcutsGetNotes)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"("cmd+0": "opt+cmd+0")", "正文"},
        {R"("cmd+2": "opt+cmd+2")", "二级标题"},
        {R"("cmd+6": "opt+cmd+6")", "六级标题"},
        {R"("cmd+9": "opt+cmd+9")", ""}, // no seventh heading
        {R"("cmd+2": "alt+cmd+2")", ""}, // the test is on the value's text
        {R"("CMD+1": "opt+cmd+1")", ""}, // and case-sensitive on the key's
        {R"("cmd+shift+3": "opt+cmd+3")", "三级标题"},
        {R"("cmd+3++": "opt+cmd+3")", "三级标题"}, // empty pieces are dropped
        {R"("ctrl+2": "opt+cmd+2")", ""},
    };
    for (const auto& [pair, note] : cases) {
        const auto text = std::string(R"({"rules": [{"apps": [], "map": {)") + pair + "}}]}";
        const auto groups = migrate(text.c_str());
        ASSERT_EQ(groups.size(), 1U);
        ASSERT_EQ(groups[0].mappings.size(), 1U) << pair;
        EXPECT_EQ(groups[0].mappings[0].note, note) << pair;
    }
}

TEST(LegacyMigration, MouseBindingsBecomeOneAllApplicationsGroup)
{
    EXPECT_TRUE(migrate(R"({"rules": []})").empty());
    EXPECT_TRUE(migrate(R"({"rules": [], "mouse": []})").empty());

    const auto unknown = migrate(R"({"rules": [], "mouse": [{"button": 3, "action": "playPause"}]})");
    ASSERT_EQ(unknown.size(), 1U);
    EXPECT_EQ(unknown[0].name, "鼠标键控制播放");
    EXPECT_TRUE(unknown[0].mappings.empty());

    const auto groups = migrate(R"({"rules": [{"apps": ["x"], "map": {}}], "mouse": [
        {"button": 4, "action": "next", "apps": ["com.apple.Safari"]},
        {"button": 2, "action": "bogus"},
        {"button": -1, "action": "volumeup"}]})");
    ASSERT_EQ(groups.size(), 2U);
    const auto& mouse = groups[1];
    EXPECT_EQ(mouse.name, "鼠标键控制播放");
    EXPECT_EQ(mouse.scope, Scope{});
    ASSERT_EQ(mouse.mappings.size(), 2U);
    EXPECT_EQ(mouse.mappings[0].trigger, Trigger::mouse(4));
    EXPECT_EQ(mouse.mappings[0].action, Action::media(MediaKey::next));
    EXPECT_EQ(mouse.mappings[0].note, "");
    EXPECT_EQ(mouse.mappings[1].trigger, Trigger::mouse(-1));
    EXPECT_EQ(mouse.mappings[1].action, Action::media(MediaKey::volumeUp));
}

TEST(ConfigLoader, PicksTheFormat)
{
    ConfigReadError error{};
    const auto current = readConfigDocument(
        R"({"version": 2, "groups": [{"name": "g"}], "preferences": {"showHUD": false}, "rules": []})", &error);
    ASSERT_TRUE(current.has_value());
    EXPECT_EQ(current->format, LoadedDocument::Format::current);
    EXPECT_EQ(current->groups.size(), 1U);
    EXPECT_EQ(current->preferences, Preferences{false});

    // Not version 2 (no preferences), but a valid legacy document.
    const auto legacy = readConfigDocument(R"({"version": 2, "groups": [], "rules": [{"apps": [], "map": {}}]})");
    ASSERT_TRUE(legacy.has_value());
    EXPECT_EQ(legacy->format, LoadedDocument::Format::legacy);
    EXPECT_EQ(legacy->groups.size(), 1U);
    EXPECT_FALSE(legacy->preferences.has_value());

    EXPECT_FALSE(readConfigDocument(R"({"version": 2, "groups": []})", &error));
    EXPECT_EQ(error, ConfigReadError::notConfig);
    EXPECT_FALSE(readConfigDocument("{\"rules\": [", &error));
    EXPECT_EQ(error, ConfigReadError::notJson);
    EXPECT_FALSE(readConfigDocument(std::string(100, '{'), &error));
    EXPECT_EQ(error, ConfigReadError::tooDeep);
    EXPECT_FALSE(readConfigDocument(std::string(maxConfigBytes + 1, ' '), &error));
    EXPECT_EQ(error, ConfigReadError::tooLarge);
}

} // namespace
} // namespace norvane
