// Reading hostile or hand-damaged configuration files: limits on counts and
// lengths, and what a reading tells the person who edits the file by hand.
#include "model/config_document.h"
#include "model/config_loader.h"

#include <gtest/gtest.h>

namespace norvane {
namespace {

std::string repeated(const std::string& item, std::size_t times)
{
    std::string out;
    out.reserve((item.size() + 1) * times);
    for (std::size_t i = 0; i < times; ++i) {
        out += (i == 0 ? "" : ",") + item;
    }
    return out;
}

std::string document(const std::string& groups)
{
    return R"({"version": 2, "preferences": {}, "groups": [)" + groups + "]}";
}

struct Refusal {
    ConfigReadError error = ConfigReadError::notJson;
    std::string why;
};

std::optional<Refusal> refusalOf(const std::string& text)
{
    Refusal r;
    ConfigDiagnostics diagnostics;
    if (readConfigDocument(text, &r.error, &diagnostics)) {
        return std::nullopt;
    }
    r.why = diagnostics.refusal;
    return r;
}

TEST(ConfigLimits, CrowdedDocumentsAreRefusedBeforeTheyAreBuiltAndSayWhere)
{
    // 16 MiB of empty groups: millions of values, refused at the first one
    // past the limit.
    const auto flood = document(repeated("{}", (maxConfigBytes - 100) / 3));
    ASSERT_LE(flood.size(), maxConfigBytes);
    auto r = refusalOf(flood);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->error, ConfigReadError::tooMany);
    EXPECT_EQ(r->why, "groups: more than 10000 entries");

    r = refusalOf(document(R"({"mappings": [)" + repeated("{}", maxConfigEntries + 1) + "]}"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->why, "groups[0].mappings: more than 10000 entries");

    for (const char* list : {"apps", "urls"}) {
        r = refusalOf(document(R"({}, {"scope": {")" + std::string(list) + R"(": [)" +
                               repeated(R"("a")", maxConfigScopeEntries + 1) + "]}}"));
        ASSERT_TRUE(r);
        EXPECT_EQ(r->why, std::string("groups[1].scope.") + list + ": more than 1000 entries");
    }
    r = refusalOf(R"({"rules": [{"apps": [], "map": {}, "urlContains": [)" +
                  repeated(R"("k")", maxConfigScopeEntries + 1) + "]}]}");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->why, "rules[0].urlContains: more than 1000 entries");

    r = refusalOf(document(R"({"name": ")" + std::string(maxConfigTextBytes + 1, 'n') + R"("})"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->error, ConfigReadError::tooMany);
    EXPECT_EQ(r->why, "groups[0].name: a text of 4097 bytes, more than 4096");

    // Lengths are of the text as read: escapes count as what they stand for.
    std::string escaped;
    for (std::size_t i = 0; i < maxConfigTextBytes / 2; ++i) {
        escaped += "\\u00e9";
    }
    EXPECT_FALSE(refusalOf(document(R"({"name": ")" + escaped + R"(", "note": "a \" [ { b"})")));
    r = refusalOf(document(R"({"name": ")" + escaped + R"(\n"})"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->why, "groups[0].name: a text of 4097 bytes, more than 4096");

    // Many small groups, each within the limits: the count of all values caps them.
    const auto group = R"({"mappings": [)" + repeated("{}", 9'998) + "]}";
    r = refusalOf(document(repeated(group, maxConfigValues / 10'000 + 1)));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->why.substr(r->why.find(':')), ": more than 500000 values in all");
}

TEST(ConfigLimits, DocumentsAtTheLimitsAreRead)
{
    const auto mapping = R"({"trigger": "mouse:3", "action": {"type": "media", "media": "volumeup"}})";
    const auto manyGroups = readConfigDocument(document(repeated("{}", maxConfigEntries)));
    ASSERT_TRUE(manyGroups);
    EXPECT_EQ(manyGroups->groups.size(), maxConfigEntries);

    const auto longText = std::string(maxConfigTextBytes, 'n');
    const auto full = readConfigDocument(document(R"({"name": ")" + longText + R"(", "scope": {"apps": [)" +
                                                  repeated(R"("a")", maxConfigScopeEntries) + R"(]}, "mappings": [)" +
                                                  repeated(mapping, maxConfigEntries) + "]}"));
    ASSERT_TRUE(full);
    EXPECT_EQ(full->groups[0].name, longText);
    EXPECT_EQ(full->groups[0].scope.apps.size(), maxConfigScopeEntries);
    EXPECT_EQ(full->groups[0].mappings.size(), maxConfigEntries);
}

TEST(ConfigDiagnostics, ARefusalNamesTheMemberMissingOrOfTheWrongType)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"({"version": 2, "groups": {}, "preferences": {}})", R"("groups" is not an array)"},
        {R"({"version": 2, "groups": [{}, {}, {}, 5], "preferences": {}})", "groups[3] is not an object"},
        {R"({"version": 2, "groups": []})", R"("preferences" is missing)"},
        {R"({"version": "2", "groups": [], "preferences": {}})", R"("version" is not an integer)"},
        {R"({"version": 2, "groups": [], "preferences": []})", R"("preferences" is not an object)"},
        {R"([1, 2])", "the document is not a JSON object"},
        {R"({"rules": [{"apps": [], "map": {}}, {"apps": "x", "map": {}}]})",
         "as a legacy document: rules[1].apps is not a list of texts"},
        {R"({"rules": [], "mouse": [{"button": 3, "action": 7}]})",
         "as a legacy document: mouse[0].action is missing or not a text"},
        {R"({"groupz": []})", R"(no "version", "groups" and "preferences" (nor the legacy "rules"))"},
    };
    for (const auto& [text, why] : cases) {
        const auto r = refusalOf(text);
        ASSERT_TRUE(r) << text;
        EXPECT_EQ(r->error, ConfigReadError::notConfig) << text;
        EXPECT_EQ(r->why, why) << text;
    }
}

TEST(ConfigDiagnostics, EveryValueReplacedByItsDefaultIsListedWithItsPath)
{
    const std::string text = R"({"version": 2, "preferences": {"showHUD": "yes"}, "groups": [
        {"id": "nope", "name": 5, "enabled": 1, "scope": {"mode": "some", "apps": ["a", 7], "urls": "x"},
         "mappings": [
            {"trigger": "mouse:3", "action": {"type": "keys", "keys": "cmd+k"}, "note": "fine"},
            3,
            {"trigger": "ctrl+foo", "action": {"type": "teleport"}, "note": null},
            {"action": {"type": "media", "media": "louder"}, "enabled": "no"},
            {"action": {"type": "sendKeys", "app": [], "keys": "cmd+nope"}},
            {"action": {"keys": "cmd+k"}}
         ]},
        {"scope": [], "mappings": {}}
    ]})";
    ConfigDiagnostics diagnostics;
    ConfigReadError error{};
    const auto loaded = readConfigDocument(text, &error, &diagnostics);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(diagnostics.refusal, "");
    const std::vector<std::string> expected = {
        R"(groups[0].id: "nope" is not an id; a new one drawn)",
        R"(groups[0].name: 5 is not a text; the default name used)",
        R"(groups[0].enabled: 1 is not true or false; true used)",
        R"(groups[0].scope.mode: "some" is not a scope mode (all, only, except); all used)",
        R"(groups[0].scope.apps[1]: 7 is not a text; left out)",
        R"(groups[0].scope.urls: "x" is not a list; left empty)",
        R"(groups[0].mappings[1]: 3 is not an object; left out)",
        R"(groups[0].mappings[2].trigger: "ctrl+foo" is not a trigger; left empty)",
        R"(groups[0].mappings[2].action.type: "teleport" is not an action type (keys, media, sendKeys, openApp); the mapping has no action)",
        R"(groups[0].mappings[2].note: null is not a text; left empty)",
        R"(groups[0].mappings[3].enabled: "no" is not true or false; true used)",
        R"(groups[0].mappings[3].action.media: "louder" is not a media key; playPause used)",
        R"(groups[0].mappings[4].action.app: [] is not a text; left empty)",
        R"(groups[0].mappings[4].action.keys: "cmd+nope" is not a key combination; left empty)",
        R"(groups[0].mappings[5].action: no "type"; the mapping has no action)",
        R"(groups[1].scope: [] is not an object; all applications used)",
        R"(groups[1].mappings: {} is not a list; the group has no mappings)",
        R"(preferences.showHUD: "yes" is not true or false; true used)",
    };
    EXPECT_EQ(diagnostics.replaced, expected);

    // The same document read without diagnostics gives the same model.
    const auto plain = readConfigDocument(text);
    ASSERT_TRUE(plain);
    ASSERT_EQ(plain->groups.size(), loaded->groups.size());
    EXPECT_EQ(plain->groups[0].mappings.size(), 5U);
    EXPECT_EQ(plain->groups[0].scope, loaded->groups[0].scope);
    EXPECT_EQ(plain->preferences, loaded->preferences);
}

} // namespace
} // namespace norvane
