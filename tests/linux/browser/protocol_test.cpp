#include "engine/browsers.h"
#include "platform/known_browsers.h"
#include "platform/linux/browser/bridge_protocol.h"
#include "platform/linux/browser/browser_identity.h"
#include "platform/linux/browser/peer_check.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

namespace norvane::linux_browser {
namespace {

TEST(BridgeProtocol, RefusesEverythingThatIsNotExactlyAKnownMessage)
{
    const char* bad[] = {
        "",
        "not json",
        R"({"type":"page","pid":5,"windowId":1,"url":"http://a")", // cut short
        R"([1,2,3])",
        R"("page")",
        R"({"pid":5,"windowId":1,"url":"x"})",                 // no type
        R"({"type":"teleport","pid":5})",                      // unknown type
        R"({"type":"page","windowId":1,"url":"x"})",           // relayed report without pid
        R"({"type":"page","pid":"5","windowId":1,"url":"x"})", // pid as text
        R"({"type":"page","pid":0,"windowId":1,"url":"x"})",   // no such process
        R"({"type":"page","pid":-3,"windowId":1,"url":"x"})",
        R"({"type":"page","pid":4294967297,"windowId":1,"url":"x"})", // beyond pid_t
        R"({"type":"page","pid":5.5,"windowId":1,"url":"x"})",
        R"({"type":"page","pid":5,"url":"x"})", // no window
        R"({"type":"page","pid":5,"windowId":18446744073709551615,"url":"x"})",
        R"({"type":"page","pid":5,"windowId":1,"url":7})",
        R"({"type":"page","pid":5,"windowId":1,"url":null})",
        R"({"type":"windowClosed","pid":5})",
        R"({"type":"hello","pid":5})",                                           // no exe
        R"({"type":"page","pid":5,"windowId":1,"url":"x","extra":[[[[[1]]]]]})", // deeper than any message
    };
    for (const char* text : bad) {
        EXPECT_FALSE(parseInbound(text)) << text;
    }
    EXPECT_FALSE(parseInbound("{\"type\":\"page\",\"pid\":5,\"windowId\":1,\"url\":\"\xff\xfe\"}")); // not UTF-8
    EXPECT_FALSE(parseInbound(std::string(100000, '[')));
    EXPECT_FALSE(parseInbound(R"({"type":"hello","pid":5,"exe":")" + std::string(5000, 'e') + "\"}"));
    EXPECT_FALSE(parseReport(R"({"type":"page","windowId":"1","url":"x"})"));
    EXPECT_FALSE(isQuery(R"({"type":"status"})"));
}

TEST(BridgeProtocol, WhatOneEndWritesTheOtherReads)
{
    // Brackets and quotes inside strings do not count towards nesting.
    const Report page = PageReport{-1, R"(https://example.test/a?q=[[[[[{"x"}]]]]])"};
    const auto relayed = parseInbound(relayedJSON(42, page));
    ASSERT_TRUE(relayed);
    const auto& r = std::get<Relayed>(*relayed);
    EXPECT_EQ(r.pid, 42);
    EXPECT_EQ(std::get<PageReport>(r.report).url, std::get<PageReport>(page).url);
    EXPECT_EQ(std::get<PageReport>(r.report).windowId, -1);

    EXPECT_TRUE(std::holds_alternative<Unfocused>(*parseReport(reportJSON(Unfocused{}))));
    EXPECT_EQ(std::get<WindowClosed>(*parseReport(reportJSON(WindowClosed{9}))).windowId, 9);
    EXPECT_TRUE(std::holds_alternative<StatusRequest>(*parseInbound(statusRequestJSON())));
    EXPECT_TRUE(isQuery(queryJSON()));

    // A browser executable path need not be UTF-8; the hello must still go out.
    const auto hello = parseInbound(helloJSON(7, "/opt/br\xffwser/chrome"));
    ASSERT_TRUE(hello);
    EXPECT_EQ(std::get<Hello>(*hello).pid, 7);

    const std::vector<BridgeInfo> status = {{11, "/usr/lib/chromium/chromium", {"chromium"}, 2, true, 3},
                                            {12, "/usr/lib/firefox-esr/firefox-esr", {}, 0, false, 0}};
    const auto reply = parseStatusReply(statusReplyJSON(status));
    ASSERT_TRUE(reply);
    const auto& back = reply->browsers;
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(reply->omitted, 0u);
    EXPECT_EQ(back[0].appIDs, std::vector<std::string>{"chromium"});
    EXPECT_EQ(back[0].windows, 2u);
    EXPECT_TRUE(back[0].hasPage);
    EXPECT_EQ(back[1].pid, 12);
    EXPECT_FALSE(parseStatusReply(R"({"type":"status","browsers":[{"pid":1}]})"));
}

TEST(BridgeProtocol, StatusRepliesFitInOneMessageAndReachTheTerminalWithoutControlCharacters)
{
    // As many bridges as the server serves, each with a long path full of
    // escape sequences (which JSON writes six bytes each).
    const std::string hostile = "/tmp/\x1b]0;owned\x07\x1b[2J" + std::string(4000, '\x1b') + "/chrome";
    const std::vector<BridgeInfo> many(32, BridgeInfo{11,
                                                      hostile,
                                                      {"\x1b[31mchromium", "x\xe2\x80\xae"
                                                                           "exe.pdf"},
                                                      1,
                                                      true,
                                                      0});
    const auto json = statusReplyJSON(many);
    EXPECT_LE(json.size(), maxMessageBytes);
    const auto reply = parseStatusReply(json);
    ASSERT_TRUE(reply);
    EXPECT_GE(reply->browsers.size(), 1u);
    EXPECT_EQ(reply->browsers.size() + reply->omitted, many.size());
    for (const auto& b : reply->browsers) {
        EXPECT_EQ(b.exe.find_first_of(std::string("\x1b\x07", 2)), std::string::npos);
        EXPECT_TRUE(b.exe.starts_with("/tmp/]0;owned[2J"));
        EXPECT_EQ(b.appIDs, (std::vector<std::string>{"[31mchromium", "xexe.pdf"}));
    }

    // Control characters of every kind go; other text, non-Latin included, stays.
    EXPECT_EQ(withoutControlCharacters("a\tb\x7f\xc2\x9b"
                                       "c\xe2\x81\xa6"
                                       "d\xe2\x80\x8f"),
              "abcd");
    EXPECT_EQ(withoutControlCharacters("/opt/浏览器/café\xc2\xa0x"), "/opt/浏览器/café\xc2\xa0x");
    EXPECT_EQ(cutUTF8("ab中", 4), "ab");
    EXPECT_EQ(cutUTF8("ab中", 5), "ab中");
}

TEST(PeerCheck, OnlyTheSameUserIsServed)
{
    const uid_t self = 1000;
    EXPECT_TRUE(peerAllowed(PeerCredentials{123, 1000, 1000}, self));
    EXPECT_FALSE(peerAllowed(PeerCredentials{123, 1001, 1000}, self));
    EXPECT_FALSE(peerAllowed(PeerCredentials{123, 0, 0}, self)); // not even root
    EXPECT_FALSE(peerAllowed(std::nullopt, self));

    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    const auto cred = peerCredentials(pair[0]);
    ::close(pair[0]);
    ::close(pair[1]);
    ASSERT_TRUE(cred);
    EXPECT_EQ(cred->uid, ::geteuid());
    EXPECT_EQ(cred->pid, ::getpid());
    EXPECT_FALSE(peerCredentials(-1));
}

TEST(BrowserIdentity, ExecutablePathsNameTheBrowser)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(browserAppIDs("/usr/lib/chromium/chromium"), (V{"chromium", "chromium-browser"}));
    EXPECT_EQ(browserAppIDs("/opt/google/chrome/chrome"), (V{"google-chrome"}));
    EXPECT_EQ(browserAppIDs("/opt/google/chrome-unstable/chrome"), (V{"google-chrome-unstable"}));
    EXPECT_EQ(browserAppIDs("/opt/google/chrome/chrome (deleted)"), (V{"google-chrome"}));
    EXPECT_EQ(browserAppIDs("/usr/local/bin/surf"), (V{"surf"}));
    EXPECT_EQ(browserAppIDs(""), V{});
}

// What the bridge reports a page under is what the engine treats as a
// browser: page keywords must match in every channel it recognises.
TEST(BrowserIdentity, EveryChannelTheBridgeNamesIsABrowserToTheEngine)
{
    using V = std::vector<std::string>;
    const std::pair<const char*, V> channels[] = {
        {"/opt/google/chrome-beta/chrome", {"google-chrome-beta"}},
        {"/opt/google/chrome-unstable/chrome", {"google-chrome-unstable"}},
        {"/opt/microsoft/msedge-beta/msedge", {"microsoft-edge-beta"}},
        {"/opt/microsoft/msedge-dev/msedge", {"microsoft-edge-dev"}},
        {"/opt/microsoft/msedge/msedge", {"microsoft-edge"}},
        {"/opt/brave.com/brave-beta/brave", {"brave-browser-beta"}},
        {"/opt/vivaldi-snapshot/vivaldi-bin", {"vivaldi-snapshot"}},
        {"/usr/lib/firefox-esr/firefox-esr", {"firefox-esr", "firefox"}},
        {"/usr/lib/firefox/firefox-bin", {"firefox", "firefox-esr"}},
    };
    for (const auto& [path, ids] : channels) {
        EXPECT_EQ(browserAppIDs(path), ids) << path;
    }
    for (const KnownBrowser& browser : knownBrowsers) {
        for (const auto exe : {browser.exe, browser.otherExe}) {
            if (exe.empty()) {
                continue;
            }
            const std::string folder = browser.folder.empty() ? "/" : std::string(browser.folder);
            const std::string path = "/opt/x" + folder + std::string(exe);
            for (const auto& id : browserAppIDs(path)) {
                EXPECT_TRUE(isBrowser(id)) << path << " is reported as " << id;
            }
        }
    }
}

} // namespace
} // namespace norvane::linux_browser
