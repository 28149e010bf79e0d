// The version-2 configuration document: canonical writing, strict top level,
// per-member defaults below it, and round trips.
#include "model/config_document.h"
#include "model/config_json.h"

#include <gtest/gtest.h>
#include <limits>

namespace norvane {
namespace {

using nlohmann::json;

Uuid id(const char* text)
{
    return *Uuid::parse(text);
}

ConfigFile sampleFile()
{
    Mapping send(Trigger::key(Combo(40, mod::control | mod::option)),
                 Action::sendKeys("org.gnome.Terminal", Combo(40, mod::shift | mod::command)), "发送");
    send.id = id("aaaaaaaa-0000-4000-8000-000000000001");
    Mapping open(std::nullopt, Action::openApp(std::nullopt));
    open.id = id("AAAAAAAA-0000-4000-8000-000000000002");
    open.enabled = false;
    Mapping bare(Trigger::mouse(3), std::nullopt);
    bare.id = id("AAAAAAAA-0000-4000-8000-000000000003");
    RuleGroup group("终端 / Terminal", Scope{ScopeMode::only, {"org.gnome.Terminal"}, {"github.com/issues"}},
                    {send, open, bare});
    group.id = id("11111111-2222-4333-8444-555555555555");
    group.enabled = false;
    return ConfigFile{2, {group}, Preferences{false}};
}

constexpr const char* sampleText = R"({
  "groups": [
    {
      "enabled": false,
      "id": "11111111-2222-4333-8444-555555555555",
      "mappings": [
        {
          "action": {
            "app": "org.gnome.Terminal",
            "keys": "shift+cmd+k",
            "type": "sendKeys"
          },
          "enabled": true,
          "id": "AAAAAAAA-0000-4000-8000-000000000001",
          "note": "发送",
          "trigger": "ctrl+opt+k"
        },
        {
          "action": {
            "type": "openApp"
          },
          "enabled": false,
          "id": "AAAAAAAA-0000-4000-8000-000000000002",
          "note": ""
        },
        {
          "enabled": true,
          "id": "AAAAAAAA-0000-4000-8000-000000000003",
          "note": "",
          "trigger": "mouse:3"
        }
      ],
      "name": "终端 / Terminal",
      "scope": {
        "apps": [
          "org.gnome.Terminal"
        ],
        "mode": "only",
        "urls": [
          "github.com/issues"
        ]
      }
    }
  ],
  "preferences": {
    "showHUD": false
  },
  "version": 2
}
)";

// A model that exercises every action kind and the awkward values.
ConfigFile richFile()
{
    constexpr auto int64Min = std::numeric_limits<std::int64_t>::min();
    constexpr auto int64Max = std::numeric_limits<std::int64_t>::max();
    std::vector<Mapping> mappings = {
        Mapping(Trigger::key(Combo(300, 0)), Action::keys(Combo(-1, relevantMask))),
        Mapping(Trigger::key(Combo(int64Min, mod::command)), Action::keys(std::nullopt), "quote \" back \\ tab \t nul"),
        Mapping(Trigger::mouse(int64Max), Action::sendKeys("", std::nullopt)),
        Mapping(Trigger::mouse(-7), Action::sendKeys(std::nullopt, Combo(int64Max, mod::shift))),
        Mapping(std::nullopt, std::nullopt, "✓ 中文 😀"),
    };
    mappings[1].note += std::string("\0 \x01\x1f\x7f\b\f\r\n/", 10);
    for (const auto key : allMediaKeys) {
        mappings.emplace_back(Trigger::key(Combo(122, mod::option)), Action::media(key));
    }
    RuleGroup disabled("", Scope{ScopeMode::except, {"b", "a"}, {"https://x/y?z"}}, mappings);
    disabled.enabled = false;
    disabled.mappings.back().enabled = false;
    return ConfigFile{2, {RuleGroup("空"), disabled, RuleGroup("g", Scope{ScopeMode::only, {}, {}})}, {}};
}

TEST(ConfigWriting, IsCanonical)
{
    const auto text = encodeConfig(sampleFile());
    EXPECT_EQ(text, sampleText);
    EXPECT_EQ(encodeConfig(sampleFile()), text);
    EXPECT_EQ(encodeConfig(ConfigFile{}), "{\n  \"groups\": [],\n  \"preferences\": {\n    \"showHUD\": true\n  },\n"
                                          "  \"version\": 2\n}\n");
}

TEST(ConfigWriting, AgreesWithTheJsonTreeOfEachValue)
{
    for (const auto& file : {sampleFile(), richFile(), ConfigFile{}}) {
        EXPECT_EQ(encodeConfig(file), toJson(file).dump(2, ' ', false) + "\n");
    }
}

TEST(ConfigRoundTrip, ModelSurvivesWritingAndReading)
{
    for (const auto& file : {sampleFile(), richFile(), ConfigFile{}}) {
        const auto text = encodeConfig(file);
        const auto read = decodeConfig(text);
        ASSERT_TRUE(read.has_value()) << text;
        EXPECT_EQ(*read, file);
        EXPECT_EQ(encodeConfig(*read), text); // read and written again: the same bytes
    }
    const auto read = decodeConfig(sampleText);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, sampleFile());
}

TEST(ConfigReading, TopLevelIsStrict)
{
    const std::pair<const char*, bool> cases[] = {
        {R"({"version": 2, "groups": [], "preferences": {}})", true},
        {R"({"version": 7, "groups": [], "preferences": {}, "extra": [1]})", true},
        {R"({"version": -1, "groups": [{}], "preferences": {"showHUD": 3}})", true},
        {R"({"version": 2, "groups": []})", false},
        {R"({"groups": [], "preferences": {}})", false},
        {R"({"version": "2", "groups": [], "preferences": {}})", false},
        {R"({"version": null, "groups": [], "preferences": {}})", false},
        {R"({"version": 18446744073709551615, "groups": [], "preferences": {}})", false},
        {R"({"version": 2, "groups": {}, "preferences": {}})", false},
        {R"({"version": 2, "groups": [{}, 1], "preferences": {}})", false},
        {R"({"version": 2, "groups": [], "preferences": null})", false},
        {R"({"version": 2, "groups": [], "preferences": []})", false},
        {R"([{"version": 2, "groups": [], "preferences": {}}])", false},
        {R"({"version": 2, "groups": [], "preferences": {}} x)", false},
        {R"({"version": 2, /* c */ "groups": [], "preferences": {}})", false},
        {"", false},
        {"2", false},
    };
    for (const auto& [text, valid] : cases) {
        EXPECT_EQ(decodeConfig(text).has_value(), valid) << text;
    }
    const auto minimal = decodeConfig(R"({"version": 2, "groups": [], "preferences": {}})");
    EXPECT_TRUE(minimal->groups.empty());
    EXPECT_TRUE(minimal->preferences.showHUD);
}

TEST(ConfigReading, DamagedMembersTakeTheirDefaults)
{
    const auto file = decodeConfig(R"({"version": 2, "preferences": {"showHUD": "no"}, "groups": [
        {"id": "not-a-uuid", "name": 5, "enabled": "yes", "scope": {"mode": "ONLY", "apps": ["a", 1], "urls": "x"},
         "mappings": [{}, {"trigger": "cmd+nope", "note": "kept", "enabled": false, "id": null}]},
        {"scope": [], "mappings": [{"note": "kept too"}, 3]},
        {"name": "ok", "mappings": [{}], "scope": {"mode": "except", "apps": ["a"], "urls": ["u/v"]}}
    ]})");
    ASSERT_TRUE(file.has_value());
    EXPECT_TRUE(file->preferences.showHUD);
    ASSERT_EQ(file->groups.size(), 3U);

    const auto& g0 = file->groups[0];
    EXPECT_EQ(g0.name, "未命名");
    EXPECT_TRUE(g0.enabled);
    // Only the damaged element of a list is skipped.
    EXPECT_EQ(g0.scope, (Scope{ScopeMode::all, {"a"}, {}}));
    ASSERT_EQ(g0.mappings.size(), 2U);
    const auto& empty = g0.mappings[0];
    EXPECT_TRUE(empty.enabled);
    EXPECT_FALSE(empty.trigger.has_value());
    EXPECT_FALSE(empty.action.has_value());
    EXPECT_EQ(empty.note, "");
    const auto& badTrigger = g0.mappings[1];
    EXPECT_FALSE(badTrigger.trigger.has_value());
    EXPECT_EQ(badTrigger.note, "kept");
    EXPECT_FALSE(badTrigger.enabled);
    // Every missing id is a new one.
    EXPECT_NE(empty.id, badTrigger.id);
    EXPECT_NE(g0.id, file->groups[1].id);

    EXPECT_EQ(file->groups[1].scope, Scope{});
    ASSERT_EQ(file->groups[1].mappings.size(), 1U); // the number is skipped, the mapping kept
    EXPECT_EQ(file->groups[1].mappings[0].note, "kept too");
    EXPECT_EQ(file->groups[2].scope, (Scope{ScopeMode::except, {"a"}, {"u/v"}}));
    EXPECT_EQ(file->groups[2].mappings.size(), 1U);
}

TEST(ConfigReading, ActionsReadOnlyTheMembersOfTheirKind)
{
    const std::pair<const char*, std::optional<Action>> cases[] = {
        {R"({"type": "media"})", Action::media(MediaKey::playPause)},
        {R"({"type": "media", "media": "volumeUp"})", Action::media(MediaKey::playPause)},
        {R"({"type": "media", "media": "mute", "keys": "cmd+k"})", Action::media(MediaKey::mute)},
        {R"({"type": "keys"})", Action::keys(std::nullopt)},
        {R"({"type": "keys", "keys": "cmd+"})", Action::keys(std::nullopt)},
        {R"({"type": "keys", "keys": "Cmd+K", "media": "next", "app": "x"})", Action::keys(Combo(40, mod::command))},
        {R"({"type": "sendKeys", "app": "a", "keys": 3})", Action::sendKeys("a", std::nullopt)},
        {R"({"type": "sendKeys", "app": "", "keys": "#300"})", Action::sendKeys("", Combo(300, 0))},
        {R"({"type": "openApp", "app": ["a"]})", Action::openApp(std::nullopt)},
        {R"({"type": "openApp", "app": "firefox"})", Action::openApp("firefox")},
        {R"({"type": "launch", "app": "firefox"})", std::nullopt},
        {R"({"type": "Keys"})", std::nullopt},
        {R"({"type": 1})", std::nullopt},
        {R"({"keys": "cmd+k"})", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(actionFromJson(json::parse(text)), expected) << text;
    }
    std::string why;
    EXPECT_FALSE(actionFromJson(json::parse(R"({"type": "launch"})"), &why));
    EXPECT_EQ(why, "未知动作：launch");
    EXPECT_FALSE(comboFromJson("cmd+nope", &why));
    EXPECT_EQ(why, "无法识别的按键：cmd+nope");
    EXPECT_FALSE(triggerFromJson("MOUSE:3", &why));
    EXPECT_EQ(why, "无法识别的触发：MOUSE:3");

    // An action that cannot be read leaves the mapping without one.
    const auto m = mappingFromJson(json::parse(R"({"trigger": "mouse:4", "action": {"type": "x"}})"));
    EXPECT_EQ(m.trigger, Trigger::mouse(4));
    EXPECT_FALSE(m.action.has_value());
}

TEST(ConfigBadInput, DeepNestingIsRejectedWithoutRecursion)
{
    const std::string deep(1'000'000, '[');
    auto error = ConfigReadError::notJson;
    EXPECT_FALSE(parseConfigJson(deep, &error).has_value());
    EXPECT_EQ(error, ConfigReadError::tooDeep);
    EXPECT_FALSE(decodeConfig(R"({"version": 2, "groups": [], "preferences": {"x": )" + deep).has_value());

    // Brackets inside strings do not count; modest nesting in unknown members is fine.
    const std::string brackets(500, '[');
    const auto doc =
        R"({"version": 2, "groups": [], "preferences": {"x": [[[[[[[[]]]]]]]], "y": ")" + brackets + R"("}})";
    EXPECT_TRUE(decodeConfig(doc).has_value());
}

TEST(ConfigBadInput, InvalidUtf8NeverThrows)
{
    EXPECT_FALSE(decodeConfig("{\"version\": 2, \"groups\": [], \"preferences\": {}, \"x\": \"\xff\"}").has_value());
    ConfigFile file;
    file.groups.emplace_back(std::string("bad \xc3\x28 \xff"), Scope{ScopeMode::only, {"\xe2\x82"}, {}});
    file.groups[0].mappings.emplace_back(Trigger::mouse(2), Action::openApp("\x80"), "\xf0\x9f");
    std::string text;
    ASSERT_NO_THROW(text = encodeConfig(file));
    const auto read = decodeConfig(text);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->groups.size(), 1U);
    EXPECT_EQ(read->groups[0].mappings[0].trigger, Trigger::mouse(2));
}

} // namespace
} // namespace norvane
