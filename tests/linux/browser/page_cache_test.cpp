#include "platform/linux/browser/page_cache.h"

#include <gtest/gtest.h>

namespace norvane::linux_browser {
namespace {

constexpr const char* chromium = "/usr/lib/chromium/chromium";

struct PageCacheTest : testing::Test {
    FrontmostSnapshot front;
    BrowserPageCache cache{front};
};

TEST_F(PageCacheTest, TheFrontmostBrowserProcessAnswersWithItsFocusedWindow)
{
    EXPECT_FALSE(cache.currentURL("chromium")); // nothing reported yet

    cache.connected(1, 100, chromium);
    cache.connected(2, 200, chromium); // a second profile: another process of the same browser
    cache.report(1, PageReport{10, "https://docs.example/a"});
    cache.report(1, PageReport{11, "https://mail.example/"});
    cache.report(2, PageReport{20, "https://other.example/"});

    front.publish("chromium", 100);
    EXPECT_EQ(copyOf(cache.currentURL("chromium")), "https://mail.example/");
    cache.report(1, PageReport{10, "https://docs.example/a"}); // window 10 focused again
    EXPECT_EQ(copyOf(cache.currentURL("chromium")), "https://docs.example/a");
    front.publish("chromium", 200);
    EXPECT_EQ(copyOf(cache.currentURL("chromium")), "https://other.example/");

    // A window the extension cannot see (a private one) has focus: no page,
    // rather than the page of a window behind it.
    cache.report(2, Unfocused{});
    EXPECT_FALSE(cache.currentURL("chromium"));

    // A new tab has no address until it commits.
    front.publish("chromium", 100);
    cache.report(1, PageReport{12, ""});
    EXPECT_FALSE(cache.currentURL("chromium"));
    cache.report(1, PageReport{12, "https://new.example/"});
    EXPECT_EQ(copyOf(cache.currentURL("chromium")), "https://new.example/");

    cache.report(1, WindowClosed{12});
    EXPECT_FALSE(cache.currentURL("chromium"));
}

TEST_F(PageCacheTest, ABrowserNotInFrontAnswersWithTheLastPageItShowed)
{
    cache.connected(1, 100, chromium);
    cache.report(1, PageReport{10, "https://docs.example/a"});
    cache.report(1, Unfocused{}); // the user went to Norvane's window
    front.publish("norvane", 555);
    EXPECT_EQ(copyOf(cache.currentURL("chromium")), "https://docs.example/a");
    EXPECT_EQ(copyOf(cache.currentURL("chromium-browser")), "https://docs.example/a");
    EXPECT_FALSE(cache.currentURL("google-chrome"));
    EXPECT_FALSE(cache.currentURL("norvane"));

    // The most recently reporting process of that browser wins.
    cache.connected(2, 200, chromium);
    cache.report(2, PageReport{20, "https://other.example/"});
    EXPECT_EQ(copyOf(cache.currentURL("chromium")), "https://other.example/");

    // Unknown pid of the frontmost window: judged by application.
    front.publish("chromium", 0);
    EXPECT_EQ(copyOf(cache.currentURL("chromium")), "https://other.example/");
}

TEST_F(PageCacheTest, AnAddressReadOutlivesTheSnapshotsAfterIt)
{
    // The input thread may still hold an address while the bridge publishes
    // new pages and the bridge goes away.
    cache.connected(1, 100, chromium);
    cache.report(1, PageReport{10, "https://docs.example/kept-while-read"});
    front.publish("chromium", 100);
    const auto held = cache.currentURL("chromium");
    cache.report(1, PageReport{10, "https://docs.example/next"});
    cache.disconnected(1);
    EXPECT_FALSE(cache.currentURL("chromium"));
    ASSERT_TRUE(held);
    EXPECT_EQ(*held, "https://docs.example/kept-while-read");
}

TEST_F(PageCacheTest, WindowsBeyondTheCapForgetTheOldest)
{
    cache.connected(1, 100, chromium);
    for (std::int64_t w = 0; w < static_cast<std::int64_t>(BrowserPageCache::maxWindows) + 5; ++w) {
        cache.report(1, PageReport{w, "https://w" + std::to_string(w) + ".example/"});
    }
    cache.report(1, PageReport{6, "https://w6.example/again"});
    cache.report(1, PageReport{1000, "https://last.example/"});
    const auto snap = cache.snapshot();
    ASSERT_EQ(snap->browsers.size(), 1u);
    EXPECT_EQ(snap->browsers[0].windows, BrowserPageCache::maxWindows);
    front.publish("chromium", 100);
    EXPECT_EQ(copyOf(cache.currentURL("chromium")), "https://last.example/");
    cache.report(1, PageReport{6, "https://w6.example/again"}); // recently used: kept
    EXPECT_EQ(cache.snapshot()->browsers[0].windows, BrowserPageCache::maxWindows);
}

TEST_F(PageCacheTest, AddressesAreCutWhereTheExtensionCutsThem)
{
    // A relayed address far longer than the extension sends is kept only up to
    // the cap, without splitting a character.
    const std::string head = "https://long.example/" + std::string(maxAddressBytes - 23, 'a');
    cache.connected(1, 100, chromium);
    cache.report(1, PageReport{1, head + "页" + std::string(std::size_t{1} << 20, 'b')});
    front.publish("chromium", 100);
    EXPECT_EQ(copyOf(cache.currentURL("chromium")), head);
}

} // namespace
} // namespace norvane::linux_browser
