#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace norvane::linux_browser {

// Names both ends must agree on.
inline constexpr std::string_view hostName = "app.norvane.bridge";                          // native-messaging host
inline constexpr std::string_view chromiumExtensionID = "kmcamenccoafgkmmbfipdcmgbkibidoa"; // from the manifest's key
inline constexpr std::string_view geckoExtensionID = "bridge@norvane.app";
inline constexpr std::string_view socketFileName = "browser-bridge.sock";

// Largest JSON message either end accepts. A report is an address and a few
// numbers; the extension cuts addresses at 8 KiB.
inline constexpr std::size_t maxMessageBytes = std::size_t{64} * 1024;
// The app keeps no more of an address than the extension sends, whatever a
// host relays.
inline constexpr std::size_t maxAddressBytes = std::size_t{8} * 1024;

// What the extension reports, and the host relays with the browser's pid.
struct PageReport {
    std::int64_t windowId = 0;
    std::string url; // empty while the tab has no address yet
};
struct Unfocused {}; // none of the browser's windows has focus (another app, or a window the extension can't see)
struct WindowClosed {
    std::int64_t windowId = 0;
};
using Report = std::variant<PageReport, Unfocused, WindowClosed>;

// Messages the app accepts on its socket.
struct Hello { // first message of a host connection
    int pid = 0;
    std::string exe;
};
struct Relayed {
    int pid = 0;
    Report report;
};
struct StatusRequest {};
using Inbound = std::variant<Hello, Relayed, StatusRequest>;

// One live browser bridge as `norvanectl browser status` shows it. Carries
// no addresses.
struct BridgeInfo {
    int pid = 0;
    std::string exe;
    std::vector<std::string> appIDs;
    std::size_t windows = 0;
    bool hasPage = false;
    std::int64_t idleSeconds = 0; // since the last report
};

// The status reply: the bridges that fit in one message, and how many more
// there are.
struct StatusReply {
    std::vector<BridgeInfo> browsers;
    std::size_t omitted = 0;
};

// Parsing: nothing for anything that is not exactly a known message (wrong
// JSON, wrong types, out-of-range numbers, nesting deeper than a message has).
std::optional<Report> parseReport(std::string_view json);
std::optional<Inbound> parseInbound(std::string_view json);
// The texts in a status reply came from other processes and end up on a
// terminal: control characters (escape sequences, bidirectional overrides)
// are removed from them.
std::optional<StatusReply> parseStatusReply(std::string_view json);
[[nodiscard]] bool isQuery(std::string_view json);

std::string helloJSON(int pid, std::string_view exe);
std::string relayedJSON(int pid, const Report& report);
std::string reportJSON(const Report& report); // as the extension sends it (tests)
std::string statusRequestJSON();
// Never longer than `cap` bytes: long texts are cut, and bridges that do not
// fit are counted as omitted.
std::string statusReplyJSON(const std::vector<BridgeInfo>& browsers, std::size_t cap = maxMessageBytes);

// `text` cut to at most `limit` bytes without splitting a UTF-8 sequence.
std::string_view cutUTF8(std::string_view text, std::size_t limit) noexcept;
// `text` without C0 and C1 control characters, DEL and bidirectional
// formatting characters.
std::string withoutControlCharacters(std::string_view text);
std::string queryJSON();

} // namespace norvane::linux_browser
