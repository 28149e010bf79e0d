#include "app/page_keyword.h"
#include "platform/sim/sim_platform.h"

#include <gtest/gtest.h>

namespace norvane {
namespace {

TEST(PageKeyword, AddressGivesHostAndFirstPathSegment)
{
    EXPECT_EQ(keywordFromAddress("https://docs.example.com/document/d/1abc/edit?usp=sharing#x"),
              "docs.example.com/document");
    EXPECT_EQ(keywordFromAddress("https://a.b.example.co.uk"), "a.b.example.co.uk");
    EXPECT_EQ(keywordFromAddress("https://example.com//?q=1"), "example.com");
    EXPECT_EQ(keywordFromAddress("http://localhost:8080/app/x"), "localhost/app");
    // Addresses without a host give nothing rather than a keyword that
    // would never match.
    EXPECT_EQ(keywordFromAddress("about:blank"), std::nullopt);
    EXPECT_EQ(keywordFromAddress("file:///home/a/b.html"), std::nullopt);
    EXPECT_EQ(keywordFromAddress("not a url at all"), std::nullopt);
    EXPECT_EQ(keywordFromAddress(""), std::nullopt);
}

TEST(PageKeyword, AddingTrimsSpacesAndTabsOnlyAndRefusesExactRepeats)
{
    Scope scope;
    EXPECT_EQ(addKeyword(scope, " \tExample.com/Doc \t"), KeywordAdded::added);
    EXPECT_EQ(addKeyword(scope, "Example.com/Doc"), KeywordAdded::duplicate);
    EXPECT_EQ(addKeyword(scope, "example.com/doc"), KeywordAdded::added);
    EXPECT_EQ(addKeyword(scope, " \t "), KeywordAdded::empty);
    // A pasted line break is kept: it is part of what the user typed.
    EXPECT_EQ(addKeyword(scope, "a\nb"), KeywordAdded::added);
    EXPECT_EQ(scope.urls, (std::vector<std::string>{"Example.com/Doc", "example.com/doc", "a\nb"}));
}

TEST(PageKeyword, CandidatesGoLastAppThenScopeThenKnownBrowsersAndMustRun)
{
    sim::Platform sim;
    sim.pages.setAddress("firefox", "https://one.example/a");
    sim.pages.setAddress("chromium", "https://two.example/b");
    sim.pages.setAddress("org.example.Editor", "https://editor.example/c");
    Scope scope;
    scope.apps = {"org.example.Editor", "chromium"};

    // Nothing runs: no candidate may be asked.
    EXPECT_EQ(currentPageKeyword(std::string("firefox"), scope, sim.workspace, sim.pages), std::nullopt);

    sim.workspace.setRunning({"firefox", "chromium", "org.example.Editor"});
    auto found = currentPageKeyword(std::string("firefox"), scope, sim.workspace, sim.pages);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->keyword, "one.example/a");
    EXPECT_EQ(found->browser, "firefox");

    // The editor is in the scope first but is no browser.
    found = currentPageKeyword(std::nullopt, scope, sim.workspace, sim.pages);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->browser, "chromium");

    // A browser whose page has no host is passed over.
    sim.pages.setAddress("chromium", "about:blank");
    found = currentPageKeyword(std::nullopt, scope, sim.workspace, sim.pages);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->browser, "firefox");
}

} // namespace
} // namespace norvane
