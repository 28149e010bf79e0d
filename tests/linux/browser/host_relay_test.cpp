#include "host_relay.h"
#include "platform/linux/browser/bridge_protocol.h"

#include <gtest/gtest.h>

namespace norvane::linux_browser {
namespace {

TEST(HostRelay, ReportsGoToTheAppWithTheBrowsersPidAndNothingElsePasses)
{
    const HostRelay relay(321, "/usr/lib/chromium/chromium");
    const auto hello = parseInbound(relay.hello());
    ASSERT_TRUE(hello);
    EXPECT_EQ(std::get<Hello>(*hello).pid, 321);

    // Extra fields from the extension do not travel on; the pid is the host's.
    const auto out = relay.toApp(R"({"type":"page","windowId":3,"url":"https://a.example/","pid":1,"cookie":"x"})");
    ASSERT_TRUE(out);
    EXPECT_EQ(out->find("cookie"), std::string::npos);
    const auto relayed = std::get<Relayed>(*parseInbound(*out));
    EXPECT_EQ(relayed.pid, 321);
    EXPECT_EQ(std::get<PageReport>(relayed.report).url, "https://a.example/");

    EXPECT_TRUE(relay.toApp(R"({"type":"unfocused"})"));
    EXPECT_FALSE(relay.toApp(R"({"type":"status"})")); // the extension cannot ask the app anything
    EXPECT_FALSE(relay.toApp("garbage"));

    EXPECT_EQ(relay.toExtension(queryJSON()), queryJSON());
    EXPECT_FALSE(relay.toExtension(statusReplyJSON({})));
    EXPECT_FALSE(relay.toExtension(R"({"type":"query"} trailing)"));
}

} // namespace
} // namespace norvane::linux_browser
