// Identifiers, and the summaries that name applications through the
// appName cache.
#include "model/app_names.h"
#include "model/rules.h"

#include <gtest/gtest.h>
#include <map>

namespace norvane {
namespace {

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
    EXPECT_EQ(Action::keys(Combo(40, mod::command | mod::shift)).summary(), "Shift+Super+K");
    EXPECT_EQ(Action::media(MediaKey::playPause).summary(), "播放 / 暂停");
    EXPECT_EQ(Action::sendKeys("notes", Combo(40, mod::command)).summary(), "发送 Super+K 到 Notes");
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
