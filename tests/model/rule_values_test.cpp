// Rule value types: masking, equality and hashing, action completeness, and
// the summaries that name applications through the appName cache.
#include "model/app_names.h"
#include "model/rules.h"

#include <gtest/gtest.h>
#include <map>

namespace norvane {
namespace {

template <typename T> std::size_t hashOf(const T& value)
{
    return std::hash<T>{}(value);
}

TEST(ComboValue, KeepsOnlyTheFourModifierBits)
{
    const Combo c(0, mod::shift | mod::capsLock | 0x800000 /* function */ | 0x1 /* device bit */);
    EXPECT_EQ(c.modifiers, mod::shift);
    EXPECT_TRUE(c.hasModifiers());
    EXPECT_FALSE(Combo(200, 0).hasModifiers());
    EXPECT_EQ(Combo(200, mod::command), Combo(200, mod::command | mod::capsLock));
    EXPECT_EQ(hashOf(Combo(200, mod::command)), hashOf(Combo(200, mod::command | mod::capsLock)));
    EXPECT_NE(Combo(200, mod::command), Combo(200, mod::control));
}

TEST(ActionValue, BlankActionsCompletenessAndRepeats)
{
    EXPECT_EQ(Action::empty(ActionKind::media), Action::media(MediaKey::playPause));
    EXPECT_EQ(Action::empty(ActionKind::keys), Action::keys(std::nullopt));
    for (const auto kind : allActionKinds) {
        EXPECT_EQ(Action::empty(kind).kind(), kind);
    }
    EXPECT_FALSE(Action::empty(ActionKind::sendKeys).isComplete());
    EXPECT_FALSE(Action::sendKeys("org.gnome.Terminal", std::nullopt).isComplete());
    EXPECT_TRUE(Action::sendKeys("org.gnome.Terminal", Combo(40, 0)).isComplete());
    EXPECT_TRUE(Action::openApp("").isComplete()); // an empty identifier is still present
    EXPECT_FALSE(Action::openApp(std::nullopt).isComplete());
    EXPECT_FALSE(Action::keys(std::nullopt).isComplete());
    EXPECT_TRUE(Action::media(MediaKey::mute).isComplete());

    EXPECT_FALSE(Action::keys(Combo(1, 0)).repeats());
    EXPECT_FALSE(Action::sendKeys("a", Combo(1, 0)).repeats());
    EXPECT_FALSE(Action::media(MediaKey::playPause).repeats());
    EXPECT_TRUE(Action::media(MediaKey::volumeDown).repeats());
    EXPECT_TRUE(Action::media(MediaKey::volumeUp).repeats());
}

TEST(ActionValue, EqualityDistinguishesAbsentFromEmpty)
{
    EXPECT_NE(Action::openApp(""), Action::openApp(std::nullopt));
    EXPECT_NE(Action::sendKeys("a", std::nullopt), Action::sendKeys(std::nullopt, std::nullopt));
    EXPECT_NE(hashOf(Action::openApp("")), hashOf(Action::openApp(std::nullopt)));
    EXPECT_EQ(hashOf(Action::sendKeys("a", Combo(1, 0))), hashOf(Action::sendKeys("a", Combo(1, 0))));
}

TEST(RawValues, AreExactAndCaseSensitive)
{
    EXPECT_EQ(mediaKeyFromRaw("playpause"), MediaKey::playPause);
    EXPECT_FALSE(mediaKeyFromRaw("playPause").has_value());
    EXPECT_EQ(mediaKeyFromRaw("volumedown"), MediaKey::volumeDown);
    for (const auto key : allMediaKeys) {
        EXPECT_EQ(mediaKeyFromRaw(info(key).id), key);
    }
    EXPECT_EQ(actionKindFromRaw("sendKeys"), ActionKind::sendKeys);
    EXPECT_FALSE(actionKindFromRaw("sendkeys").has_value());
    EXPECT_EQ(scopeModeFromRaw("except"), ScopeMode::except);
    EXPECT_FALSE(scopeModeFromRaw("ONLY").has_value());
    EXPECT_EQ(info(MediaKey::mute).nxKey, 7);
    EXPECT_EQ(info(ActionKind::openApp).shortTitle, "切换应用");
}

TEST(CompositeValues, CompareEveryFieldInOrder)
{
    Scope a{ScopeMode::only, {"x", "y"}, {}};
    Scope b{ScopeMode::only, {"y", "x"}, {}};
    EXPECT_NE(a, b);
    EXPECT_NE(hashOf(a), hashOf(b));

    RuleGroup g("g", a, {Mapping(Trigger::mouse(3), Action::media(MediaKey::next), "n")});
    RuleGroup copy = g;
    EXPECT_EQ(g, copy);
    EXPECT_EQ(hashOf(g), hashOf(copy));
    copy.mappings[0].note = "other";
    EXPECT_NE(g, copy);
    copy = g;
    copy.mappings[0].id = Uuid::random();
    EXPECT_NE(g, copy);
    EXPECT_NE(hashOf(g), hashOf(copy));
}

TEST(Constructors, GiveFreshIdsAndDefaults)
{
    const Mapping m;
    EXPECT_TRUE(m.enabled);
    EXPECT_FALSE(m.trigger.has_value());
    EXPECT_EQ(m.action, Action::keys(std::nullopt));
    EXPECT_NE(Mapping().id, Mapping().id);
    EXPECT_EQ(RuleGroup().name, "新规则组");
    EXPECT_EQ(m.triggerRecorderID(), m.id.string() + "-t");
    EXPECT_TRUE(Preferences().showHUD);
}

TEST(UuidText, UpperCaseOutAnyCaseIn)
{
    const auto id = Uuid::parse("0f3a2b4c-1d2e-4f60-8a9b-0c1d2e3f4a5b");
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(id->string(), "0F3A2B4C-1D2E-4F60-8A9B-0C1D2E3F4A5B");
    EXPECT_EQ(Uuid::parse(id->string()), id);
    for (const auto* bad : {"", "0f3a2b4c1d2e4f608a9b0c1d2e3f4a5b", "0f3a2b4c-1d2e-4f60-8a9b-0c1d2e3f4a5",
                            "0f3a2b4c-1d2e-4f60-8a9b-0c1d2e3f4a5g", "0f3a2b4c-1d2e-4f60-8a9b-0c1d2e3f4a5b0",
                            "0f3a2b4c11d2e-4f60-8a9b-0c1d2e3f4a5b"}) {
        EXPECT_FALSE(Uuid::parse(bad).has_value()) << bad;
    }
    const auto r = Uuid::random();
    EXPECT_EQ(r.bytes()[6] >> 4U, 4);
}

// Installed applications by identifier; counts how often it is asked.
class FakeAppNames : public AppNameSource {
public:
    std::map<std::string, std::string> installed;
    std::map<std::string, int> asked;
    std::optional<std::string> displayName(const std::string& appID) override
    {
        ++asked[appID];
        const auto it = installed.find(appID);
        return it == installed.end() ? std::nullopt : std::optional(it->second);
    }
};

class AppNamesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        names->installed = {{"org.gnome.TextEditor", "Text Editor"}, {"notes", "Notes"}, {"firefox", "Firefox"}};
        installAppNameSource(names);
    }
    void TearDown() override { installAppNameSource(nullptr); }
    std::shared_ptr<FakeAppNames> names = std::make_shared<FakeAppNames>();
};

TEST_F(AppNamesTest, CachesFoundNamesAndRetriesMissingOnes)
{
    EXPECT_EQ(appName("notes"), "Notes");
    EXPECT_EQ(appName("notes"), "Notes");
    EXPECT_EQ(names->asked["notes"], 1);

    EXPECT_EQ(appName("later.app"), "later.app");
    names->installed["later.app"] = "Later";
    EXPECT_EQ(appName("later.app"), "Later"); // installed meanwhile: found now
    EXPECT_EQ(names->asked["later.app"], 2);

    installAppNameSource(names); // a new source starts with an empty cache
    EXPECT_EQ(appName("notes"), "Notes");
    EXPECT_EQ(names->asked["notes"], 2);

    installAppNameSource(nullptr);
    EXPECT_EQ(appName("notes"), "notes");
}

TEST_F(AppNamesTest, ActionSummaries)
{
    EXPECT_EQ(Action::keys(std::nullopt).summary(), "未设置");
    EXPECT_EQ(Action::keys(Combo(40, mod::command | mod::shift)).summary(), "⇧⌘K");
    EXPECT_EQ(Action::media(MediaKey::playPause).summary(), "播放 / 暂停");
    EXPECT_EQ(Action::sendKeys("notes", Combo(40, mod::command)).summary(), "发送 ⌘K 到 Notes");
    EXPECT_EQ(Action::sendKeys(std::nullopt, std::nullopt).summary(), "发送 ? 到 ?");
    EXPECT_EQ(Action::openApp("firefox").summary(), "切换 Firefox");
    EXPECT_EQ(Action::openApp(std::nullopt).summary(), "切换 ?");
}

TEST_F(AppNamesTest, ScopeSummaries)
{
    const std::pair<Scope, const char*> cases[] = {
        {Scope{ScopeMode::all, {"notes"}, {"x"}}, "所有应用"},
        {Scope{ScopeMode::only, {"firefox"}, {}}, "Firefox"},
        {Scope{ScopeMode::only, {"firefox", "notes", "b"}, {}}, "Firefox 等 3 个"},
        {Scope{ScopeMode::only, {"firefox"}, {"github.com"}}, "Firefox · 指定网页"},
        {Scope{ScopeMode::except, {"missing.A", "notes"}, {}}, "除 missing.A 等 2 个"},
        {Scope{ScopeMode::except, {"notes"}, {"ignored"}}, "除 Notes"},
        {Scope{ScopeMode::only, {}, {"github.com"}}, "未选应用"},
        {Scope{ScopeMode::except, {}, {}}, "所有应用"},
    };
    for (const auto& [scope, summary] : cases) {
        EXPECT_EQ(scope.summary(), summary);
    }
}

} // namespace
} // namespace norvane
