// Reading the first-format configuration document and converting it.
#include "model/legacy_config.h"

#include "model/config_json.h"

#include <charconv>
#include <limits>

namespace norvane {

using nlohmann::json;

namespace {

// Reading is strict: every helper answers false for a member of the wrong
// type. Optional members may be missing or null.

const json* member(const json& object, const char* key)
{
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

bool isAbsent(const json* v)
{
    return v == nullptr || v->is_null();
}

bool readString(const json& v, std::string& out)
{
    if (!v.is_string()) {
        return false;
    }
    out = v.get_ref<const std::string&>();
    return true;
}

bool readStrings(const json& v, std::vector<std::string>& out)
{
    if (!v.is_array()) {
        return false;
    }
    out.clear();
    out.reserve(v.size());
    for (const auto& element : v) {
        if (!element.is_string()) {
            return false;
        }
        out.push_back(element.get_ref<const std::string&>());
    }
    return true;
}

bool readOptionalStrings(const json* v, std::optional<std::vector<std::string>>& out)
{
    if (isAbsent(v)) {
        out.reset();
        return true;
    }
    return readStrings(*v, out.emplace());
}

bool readInt64(const json& v, std::int64_t& out)
{
    if (v.is_number_unsigned()) {
        const auto u = v.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return false;
        }
        out = static_cast<std::int64_t>(u);
        return true;
    }
    if (v.is_number_integer()) {
        out = v.get<std::int64_t>();
        return true;
    }
    return false;
}

// Sets `why` (when asked for) and answers nullopt.
template <typename T> std::optional<T> refuse(std::string* why, std::string text)
{
    if (why != nullptr) {
        *why = std::move(text);
    }
    return std::nullopt;
}

std::optional<V1Config::Rule> readRule(const json& v, std::size_t index, std::string* why)
{
    const auto at = [index] { return "rules[" + std::to_string(index) + "]"; };
    using R = V1Config::Rule;
    if (!v.is_object()) {
        return refuse<R>(why, at() + " is not an object");
    }
    V1Config::Rule rule;
    const auto* name = member(v, "name");
    if (!isAbsent(name) && !readString(*name, rule.name.emplace())) {
        return refuse<R>(why, at() + ".name is not a text");
    }
    const auto* apps = member(v, "apps");
    if (apps == nullptr) {
        return refuse<R>(why, at() + ".apps is missing");
    }
    if (!readStrings(*apps, rule.apps)) {
        return refuse<R>(why, at() + ".apps is not a list of texts");
    }
    if (!readOptionalStrings(member(v, "urlContains"), rule.urlContains)) {
        return refuse<R>(why, at() + ".urlContains is not a list of texts");
    }
    const auto* map = member(v, "map");
    if (map == nullptr) {
        return refuse<R>(why, at() + ".map is missing");
    }
    if (!map->is_object()) {
        return refuse<R>(why, at() + ".map is not an object");
    }
    for (const auto& [key, target] : map->items()) {
        if (!target.is_string()) {
            return refuse<R>(why, at() + ".map." + key + " is not a text");
        }
        rule.map.emplace(key, target.get_ref<const std::string&>());
    }
    return rule;
}

std::optional<V1Config::Mouse> readMouse(const json& v, std::size_t index, std::string* why)
{
    const auto at = [index] { return "mouse[" + std::to_string(index) + "]"; };
    using M = V1Config::Mouse;
    if (!v.is_object()) {
        return refuse<M>(why, at() + " is not an object");
    }
    V1Config::Mouse mouse;
    const auto* button = member(v, "button");
    if (button == nullptr || !readInt64(*button, mouse.button)) {
        return refuse<M>(why, at() + ".button is missing or not an integer");
    }
    const auto* action = member(v, "action");
    if (action == nullptr || !readString(*action, mouse.action)) {
        return refuse<M>(why, at() + ".action is missing or not a text");
    }
    if (!readOptionalStrings(member(v, "apps"), mouse.apps)) {
        return refuse<M>(why, at() + ".apps is not a list of texts");
    }
    return mouse;
}

// The last "+"-separated piece of the key text read as a whole as a signed
// decimal number, e.g. 2 for "cmd+2".
std::optional<std::int64_t> trailingNumber(std::string_view text)
{
    while (!text.empty() && text.back() == '+') {
        text.remove_suffix(1);
    }
    const auto plus = text.rfind('+');
    const auto piece = plus == std::string_view::npos ? text : text.substr(plus + 1);
    if (piece.empty()) {
        return std::nullopt;
    }
    std::int64_t n = 0;
    const auto* end = piece.data() + piece.size();
    const auto [ptr, ec] = std::from_chars(piece.data(), end, n, 10);
    if (ec != std::errc{} || ptr != end) {
        return std::nullopt;
    }
    return n;
}

// Heading shortcuts of the old default rules (cmd+N -> opt+cmd+N) keep a
// readable note; the test is on the texts exactly as they were written.
std::string headingNote(std::string_view key, std::string_view value)
{
    const auto n = trailingNumber(key);
    if (!n || *n < 0 || *n >= static_cast<std::int64_t>(legacyHeadingNotes.size())) {
        return {};
    }
    if (!key.starts_with("cmd+") || !value.starts_with("opt+cmd")) {
        return {};
    }
    return std::string(legacyHeadingNotes[static_cast<std::size_t>(*n)]);
}

RuleGroup migrateRule(const V1Config::Rule& rule)
{
    RuleGroup group(rule.name.value_or(legacyRuleName));
    group.scope.mode = ScopeMode::only;
    group.scope.apps = rule.apps;
    group.scope.urls = rule.urlContains.value_or(std::vector<std::string>{});
    for (const auto& [key, value] : rule.map) { // ascending key order
        const auto from = Combo::parse(key);
        const auto to = Combo::parse(value);
        if (!from || !to) {
            continue;
        }
        group.mappings.emplace_back(Trigger::key(*from), Action::keys(*to), headingNote(key, value));
    }
    return group;
}

RuleGroup migrateMouse(const std::vector<V1Config::Mouse>& bindings)
{
    RuleGroup group(legacyMouseGroupName);
    for (const auto& binding : bindings) {
        if (const auto key = mediaKeyFromRaw(binding.action)) {
            group.mappings.emplace_back(Trigger::mouse(binding.button), Action::media(*key));
        }
    }
    return group;
}

} // namespace

std::optional<V1Config> legacyConfigFromJson(const json& value, std::string* why)
{
    using C = V1Config;
    if (!value.is_object()) {
        return refuse<C>(why, "the document is not a JSON object");
    }
    const auto* rules = member(value, "rules");
    if (rules == nullptr) {
        return refuse<C>(why, "\"rules\" is missing");
    }
    if (!rules->is_array()) {
        return refuse<C>(why, "\"rules\" is not an array");
    }
    V1Config config;
    config.rules.reserve(rules->size());
    for (const auto& r : *rules) {
        auto rule = readRule(r, config.rules.size(), why);
        if (!rule) {
            return std::nullopt;
        }
        config.rules.push_back(std::move(*rule));
    }
    const auto* mouse = member(value, "mouse");
    if (!isAbsent(mouse)) {
        if (!mouse->is_array()) {
            return refuse<C>(why, "\"mouse\" is not an array");
        }
        auto& bindings = config.mouse.emplace();
        for (const auto& m : *mouse) {
            auto binding = readMouse(m, bindings.size(), why);
            if (!binding) {
                return std::nullopt;
            }
            bindings.push_back(std::move(*binding));
        }
    }
    return config;
}

std::optional<V1Config> decodeLegacyConfig(std::string_view bytes)
{
    try {
        const auto value = parseConfigJson(bytes);
        return value ? legacyConfigFromJson(*value) : std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
}

std::vector<RuleGroup> migrated(const V1Config& config)
{
    std::vector<RuleGroup> groups;
    groups.reserve(config.rules.size() + 1);
    for (const auto& rule : config.rules) {
        groups.push_back(migrateRule(rule));
    }
    if (config.mouse && !config.mouse->empty()) {
        groups.push_back(migrateMouse(*config.mouse));
    }
    return groups;
}

} // namespace norvane
