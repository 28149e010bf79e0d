#include "platform/linux/browser/bridge_protocol.h"

#include <climits>
#include <limits>
#include <nlohmann/json.hpp>

namespace norvane::bridge {

namespace {

using nlohmann::json;

// Every message is an object holding scalars, at most one level of arrays of
// objects (the status reply). Anything nested deeper is refused before
// parsing.
constexpr int maxDepth = 4;
constexpr std::size_t maxExeBytes = 4096;
constexpr std::size_t maxBrowsersInReply = 256;

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

std::optional<std::vector<BridgeInfo>> parseStatusReply(std::string_view text)
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
    std::vector<BridgeInfo> out;
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
        info.exe = *exe;
        info.windows = static_cast<std::size_t>(*windows);
        info.idleSeconds = *idle;
        info.hasPage = page->get<bool>();
        for (const auto& id : *ids) {
            if (!id.is_string()) {
                return std::nullopt;
            }
            info.appIDs.push_back(id.get<std::string>());
        }
        out.push_back(std::move(info));
    }
    return out;
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

std::string statusReplyJSON(const std::vector<BridgeInfo>& browsers)
{
    json list = json::array();
    for (const auto& b : browsers) {
        list.push_back(json{{"pid", b.pid},
                            {"exe", b.exe},
                            {"appIDs", b.appIDs},
                            {"windows", b.windows},
                            {"hasPage", b.hasPage},
                            {"idleSeconds", b.idleSeconds}});
    }
    return dump(json{{"type", "status"}, {"browsers", std::move(list)}});
}

std::string queryJSON()
{
    return R"({"type":"query"})";
}

} // namespace norvane::bridge
