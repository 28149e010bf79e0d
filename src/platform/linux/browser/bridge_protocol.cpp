#include "platform/linux/browser/bridge_protocol.h"

#include <climits>
#include <limits>
#include <nlohmann/json.hpp>

namespace norvane::linux_browser {

namespace {

using nlohmann::json;

// Every message is an object holding scalars, at most one level of arrays of
// objects (the status reply). Anything nested deeper is refused before
// parsing.
constexpr int maxDepth = 4;
constexpr std::size_t maxExeBytes = 4096;
constexpr std::size_t maxBrowsersInReply = 256;
// Status replies carry executable paths and desktop ids, cut to these.
constexpr std::size_t maxStatusExeBytes = 1024;
constexpr std::size_t maxStatusIDBytes = 256;
constexpr std::size_t maxStatusIDs = 8;

bool shallowEnough(std::string_view text)
{
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > maxDepth) {
                return false;
            }
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return true;
}

std::optional<json> parseObject(std::string_view text)
{
    if (!shallowEnough(text)) {
        return std::nullopt;
    }
    json value = json::parse(text, nullptr, false);
    if (value.is_discarded() || !value.is_object()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> intField(const json& object, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end()) {
        return std::nullopt;
    }
    if (it->is_number_unsigned()) {
        const auto value = it->get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(value);
    }
    if (it->is_number_integer()) {
        return it->get<std::int64_t>();
    }
    return std::nullopt;
}

const std::string* stringField(const json& object, const char* key)
{
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get_ptr<const std::string*>() : nullptr;
}

std::optional<int> pidField(const json& object)
{
    const auto pid = intField(object, "pid");
    if (!pid || *pid <= 0 || *pid > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(*pid);
}

std::optional<Report> reportFrom(const json& object, const std::string& type)
{
    if (type == "page") {
        const auto window = intField(object, "windowId");
        const auto* url = stringField(object, "url");
        if (!window || url == nullptr) {
            return std::nullopt;
        }
        return PageReport{*window, *url};
    }
    if (type == "unfocused") {
        return Unfocused{};
    }
    if (type == "windowClosed") {
        const auto window = intField(object, "windowId");
        if (!window) {
            return std::nullopt;
        }
        return WindowClosed{*window};
    }
    return std::nullopt;
}

void addReport(json& object, const Report& report)
{
    if (const auto* page = std::get_if<PageReport>(&report)) {
        object["type"] = "page";
        object["windowId"] = page->windowId;
        object["url"] = page->url;
    } else if (std::holds_alternative<Unfocused>(report)) {
        object["type"] = "unfocused";
    } else if (const auto* closed = std::get_if<WindowClosed>(&report)) {
        object["type"] = "windowClosed";
        object["windowId"] = closed->windowId;
    }
}

// Text that came from outside (an executable path) may not be UTF-8.
std::string dump(const json& value)
{
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

} // namespace

std::optional<Report> parseReport(std::string_view text)
{
    const auto object = parseObject(text);
    const auto* type = object ? stringField(*object, "type") : nullptr;
    if (type == nullptr) {
        return std::nullopt;
    }
    return reportFrom(*object, *type);
}

std::optional<Inbound> parseInbound(std::string_view text)
{
    const auto object = parseObject(text);
    const auto* type = object ? stringField(*object, "type") : nullptr;
    if (type == nullptr) {
        return std::nullopt;
    }
    if (*type == "status") {
        return StatusRequest{};
    }
    const auto pid = pidField(*object);
    if (!pid) {
        return std::nullopt;
    }
    if (*type == "hello") {
        const auto* exe = stringField(*object, "exe");
        if (exe == nullptr || exe->size() > maxExeBytes) {
            return std::nullopt;
        }
        return Hello{*pid, *exe};
    }
    auto report = reportFrom(*object, *type);
    if (!report) {
        return std::nullopt;
    }
    return Relayed{*pid, std::move(*report)};
}

std::optional<StatusReply> parseStatusReply(std::string_view text)
{
    const auto object = parseObject(text);
    const auto* type = object ? stringField(*object, "type") : nullptr;
    if (type == nullptr || *type != "status") {
        return std::nullopt;
    }
    const auto list = object->find("browsers");
    if (list == object->end() || !list->is_array() || list->size() > maxBrowsersInReply) {
        return std::nullopt;
    }
    StatusReply reply;
    if (object->contains("omitted")) {
        const auto omitted = intField(*object, "omitted");
        if (!omitted || *omitted < 0) {
            return std::nullopt;
        }
        reply.omitted = static_cast<std::size_t>(*omitted);
    }
    auto& out = reply.browsers;
    for (const auto& item : *list) {
        if (!item.is_object()) {
            return std::nullopt;
        }
        BridgeInfo info;
        const auto pid = pidField(item);
        const auto* exe = stringField(item, "exe");
        const auto windows = intField(item, "windows");
        const auto idle = intField(item, "idleSeconds");
        const auto page = item.find("hasPage");
        const auto ids = item.find("appIDs");
        if (!pid || exe == nullptr || !windows || *windows < 0 || !idle || page == item.end() || !page->is_boolean() ||
            ids == item.end() || !ids->is_array()) {
            return std::nullopt;
        }
        info.pid = *pid;
        info.exe = withoutControlCharacters(*exe);
        info.windows = static_cast<std::size_t>(*windows);
        info.idleSeconds = *idle;
        info.hasPage = page->get<bool>();
        for (const auto& id : *ids) {
            if (!id.is_string()) {
                return std::nullopt;
            }
            info.appIDs.push_back(withoutControlCharacters(id.get_ref<const std::string&>()));
        }
        out.push_back(std::move(info));
    }
    return reply;
}

bool isQuery(std::string_view text)
{
    const auto object = parseObject(text);
    const auto* type = object ? stringField(*object, "type") : nullptr;
    return type != nullptr && *type == "query";
}

std::string helloJSON(int pid, std::string_view exe)
{
    return dump(json{{"type", "hello"}, {"pid", pid}, {"exe", exe}});
}

std::string relayedJSON(int pid, const Report& report)
{
    json object{{"pid", pid}};
    addReport(object, report);
    return dump(object);
}

std::string reportJSON(const Report& report)
{
    json object = json::object();
    addReport(object, report);
    return dump(object);
}

std::string statusRequestJSON()
{
    return R"({"type":"status"})";
}

std::string statusReplyJSON(const std::vector<BridgeInfo>& browsers, std::size_t cap)
{
    // Room for the envelope, with the largest count it can carry.
    std::size_t used = dump(json{{"type", "status"}, {"browsers", json::array()}, {"omitted", browsers.size()}}).size();
    json list = json::array();
    std::size_t omitted = 0;
    for (const auto& b : browsers) {
        json ids = json::array();
        for (std::size_t i = 0; i < b.appIDs.size() && i < maxStatusIDs; ++i) {
            ids.push_back(cutUTF8(b.appIDs[i], maxStatusIDBytes));
        }
        json entry{{"pid", b.pid},
                   {"exe", cutUTF8(b.exe, maxStatusExeBytes)},
                   {"appIDs", std::move(ids)},
                   {"windows", b.windows},
                   {"hasPage", b.hasPage},
                   {"idleSeconds", b.idleSeconds}};
        const auto size = dump(entry).size() + 1; // and a comma
        if (used + size > cap || list.size() >= maxBrowsersInReply) {
            ++omitted;
            continue;
        }
        used += size;
        list.push_back(std::move(entry));
    }
    json reply{{"type", "status"}, {"browsers", std::move(list)}};
    if (omitted > 0) {
        reply["omitted"] = omitted;
    }
    return dump(reply);
}

std::string_view cutUTF8(std::string_view text, std::size_t limit) noexcept
{
    if (text.size() <= limit) {
        return text;
    }
    auto end = limit;
    // Back up over continuation bytes (10xxxxxx) to the start of a sequence.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0U) == 0x80U) {
        --end;
    }
    return text.substr(0, end);
}

std::string withoutControlCharacters(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    const auto byte = [&text](std::size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0U; };
    for (std::size_t i = 0; i < text.size();) {
        const auto c = byte(i);
        if (c < 0x20U || c == 0x7FU) {
            ++i; // C0 and DEL
            continue;
        }
        if (c == 0xC2U && byte(i + 1) >= 0x80U && byte(i + 1) <= 0x9FU) {
            i += 2; // C1: U+0080 to U+009F
            continue;
        }
        if (c == 0xE2U) {
            const auto b1 = byte(i + 1);
            const auto b2 = byte(i + 2);
            const bool marks = b1 == 0x80U && (b2 == 0x8EU || b2 == 0x8FU || (b2 >= 0xAAU && b2 <= 0xAEU));
            const bool isolates = b1 == 0x81U && b2 >= 0xA6U && b2 <= 0xA9U;
            if (marks || isolates) {
                i += 3; // U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069
                continue;
            }
        }
        out.push_back(text[i]);
        ++i;
    }
    return out;
}

std::string queryJSON()
{
    return R"({"type":"query"})";
}

} // namespace norvane::linux_browser
