// Reading the version-2 configuration document: strict at the top level,
// and below it every member read on its own, falling back to its default.
#include "model/config_document.h"
#include "model/config_json.h"

#include <limits>

namespace norvane {

using nlohmann::json;

namespace {

// The member `key` of an object, or nullptr when absent (or not an object).
const json* member(const json& object, const char* key)
{
    if (!object.is_object()) {
        return nullptr;
    }
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

const std::string* stringMember(const json& object, const char* key)
{
    const auto* v = member(object, key);
    return v != nullptr && v->is_string() ? &v->get_ref<const std::string&>() : nullptr;
}

bool boolMember(const json& object, const char* key, bool fallback)
{
    const auto* v = member(object, key);
    return v != nullptr && v->is_boolean() ? v->get<bool>() : fallback;
}

std::optional<std::string> optionalString(const json& object, const char* key)
{
    if (const auto* s = stringMember(object, key)) {
        return *s;
    }
    return std::nullopt;
}

// A list of texts. An element of another type is skipped; the others are kept,
// so one damaged entry of a hand-edited file cannot drop a whole list.
std::vector<std::string> stringList(const json& object, const char* key)
{
    const auto* v = member(object, key);
    std::vector<std::string> out;
    if (v == nullptr || !v->is_array()) {
        return out;
    }
    out.reserve(v->size());
    for (const auto& element : *v) {
        if (!element.is_string()) {
            continue;
        }
        out.push_back(element.get_ref<const std::string&>());
    }
    return out;
}

Uuid idMember(const json& object)
{
    if (const auto* s = stringMember(object, "id")) {
        if (const auto id = Uuid::parse(*s)) {
            return *id;
        }
    }
    return Uuid::random(); // drawn afresh for every missing id
}

void describe(std::string* why, std::string_view prefix, const std::string& text)
{
    if (why != nullptr) {
        *why = std::string(prefix) + text;
    }
}

std::optional<std::int64_t> int64Value(const json& value)
{
    if (value.is_number_integer() && !value.is_number_unsigned()) {
        return value.get<std::int64_t>();
    }
    if (value.is_number_unsigned()) {
        const auto u = value.get<std::uint64_t>();
        if (u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return static_cast<std::int64_t>(u);
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<Combo> comboFromJson(const json& value, std::string* why)
{
    if (!value.is_string()) {
        return std::nullopt;
    }
    const auto& text = value.get_ref<const std::string&>();
    auto combo = Combo::parse(text);
    if (!combo) {
        describe(why, "无法识别的按键：", text);
    }
    return combo;
}

std::optional<Trigger> triggerFromJson(const json& value, std::string* why)
{
    if (!value.is_string()) {
        return std::nullopt;
    }
    const auto& text = value.get_ref<const std::string&>();
    auto trigger = Trigger::parse(text);
    if (!trigger) {
        describe(why, "无法识别的触发：", text);
    }
    return trigger;
}

Preferences preferencesFromJson(const json& value)
{
    Preferences p;
    p.showHUD = boolMember(value, "showHUD", true);
    return p;
}

Scope scopeFromJson(const json& value)
{
    Scope s;
    if (const auto* mode = stringMember(value, "mode")) {
        s.mode = scopeModeFromRaw(*mode).value_or(ScopeMode::all);
    }
    s.apps = stringList(value, "apps");
    s.urls = stringList(value, "urls");
    return s;
}

std::optional<Action> actionFromJson(const json& value, std::string* why)
{
    const auto* type = stringMember(value, "type");
    if (type == nullptr) {
        return std::nullopt;
    }
    const auto kind = actionKindFromRaw(*type);
    if (!kind) {
        describe(why, "未知动作：", *type);
        return std::nullopt;
    }
    const auto combo = [&]() -> std::optional<Combo> {
        const auto* keys = member(value, "keys");
        return keys != nullptr ? comboFromJson(*keys) : std::nullopt;
    };
    switch (*kind) {
    case ActionKind::keys:
        return Action::keys(combo());
    case ActionKind::media: {
        const auto* media = stringMember(value, "media");
        const auto key = media != nullptr ? mediaKeyFromRaw(*media) : std::nullopt;
        return Action::media(key.value_or(MediaKey::playPause));
    }
    case ActionKind::sendKeys:
        return Action::sendKeys(optionalString(value, "app"), combo());
    case ActionKind::openApp:
        return Action::openApp(optionalString(value, "app"));
    }
    return std::nullopt;
}

Mapping mappingFromJson(const json& value)
{
    Mapping m;
    m.id = idMember(value);
    m.enabled = boolMember(value, "enabled", true);
    const auto* trigger = member(value, "trigger");
    m.trigger = trigger != nullptr ? triggerFromJson(*trigger) : std::nullopt;
    const auto* action = member(value, "action");
    m.action = action != nullptr && action->is_object() ? actionFromJson(*action) : std::nullopt;
    m.note = optionalString(value, "note").value_or("");
    return m;
}

RuleGroup groupFromJson(const json& value)
{
    RuleGroup g;
    g.id = idMember(value);
    g.name = optionalString(value, "name").value_or(unnamedGroupName);
    g.enabled = boolMember(value, "enabled", true);
    if (const auto* scope = member(value, "scope"); scope != nullptr && scope->is_object()) {
        g.scope = scopeFromJson(*scope);
    }
    // An element that is not an object is skipped and the group keeps its other
    // mappings: the next save would otherwise drop every rule of the group.
    if (const auto* mappings = member(value, "mappings"); mappings != nullptr && mappings->is_array()) {
        g.mappings.reserve(mappings->size());
        for (const auto& element : *mappings) {
            if (element.is_object()) {
                g.mappings.push_back(mappingFromJson(element));
            }
        }
    }
    return g;
}

std::optional<ConfigFile> configFromJson(const json& value)
{
    const auto* version = member(value, "version");
    const auto* groups = member(value, "groups");
    const auto* preferences = member(value, "preferences");
    if (version == nullptr || groups == nullptr || preferences == nullptr) {
        return std::nullopt;
    }
    const auto number = int64Value(*version);
    if (!number || !groups->is_array() || !preferences->is_object()) {
        return std::nullopt;
    }
    for (const auto& g : *groups) {
        if (!g.is_object()) {
            return std::nullopt;
        }
    }
    ConfigFile file;
    file.version = *number;
    file.groups.reserve(groups->size());
    for (const auto& g : *groups) {
        file.groups.push_back(groupFromJson(g));
    }
    file.preferences = preferencesFromJson(*preferences);
    return file;
}

std::optional<ConfigFile> decodeConfig(std::string_view bytes)
{
    try {
        const auto value = parseConfigJson(bytes);
        return value ? configFromJson(*value) : std::nullopt;
    } catch (...) {
        return std::nullopt; // allocation failure: the document cannot be read
    }
}

} // namespace norvane
