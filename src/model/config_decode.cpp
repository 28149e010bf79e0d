// Reading the version-2 configuration document: strict at the top level,
// and below it every member read on its own, falling back to its default.
#include "model/config_document.h"
#include "model/config_json.h"

#include <array>
#include <limits>
#include <utility>

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

// Where a value sits in the document, for the lines of ConfigDiagnostics.
// Built on the stack as the reader descends; turned into text ("groups[0].
// mappings[2].trigger") only when a line is written, and with no sink nothing
// is ever written.
struct Where {
    ConfigDiagnostics* sink = nullptr;
    const Where* parent = nullptr;
    const char* key = nullptr; // member name, or nullptr for a list element
    std::size_t index = 0;

    [[nodiscard]] Where member(const char* name) const { return Where{sink, this, name, 0}; }
    [[nodiscard]] Where element(std::size_t i) const { return Where{sink, this, nullptr, i}; }

    [[nodiscard]] std::string path() const
    {
        if (parent == nullptr) {
            return {};
        }
        auto out = parent->path();
        if (key != nullptr) {
            return out.empty() ? std::string(key) : out + "." + key;
        }
        return out + "[" + std::to_string(index) + "]";
    }

    // "PATH: VALUE is not WHAT; CONSEQUENCE"
    void replaced(const json& value, const char* what, const char* consequence) const
    {
        if (sink == nullptr) {
            return;
        }
        auto shown = value.dump(-1, ' ', false, json::error_handler_t::replace);
        constexpr std::size_t longest = 60;
        if (shown.size() > longest) {
            auto end = longest;
            while (end > 0 && (static_cast<unsigned char>(shown[end]) & 0xC0U) == 0x80U) {
                --end; // not inside a UTF-8 sequence
            }
            shown = shown.substr(0, end) + "…";
        }
        sink->replaced.push_back(path() + ": " + shown + " is not " + what + "; " + consequence);
    }
};

// A member that must have one JSON type: its value, or nullptr when absent or
// of another type (reported).
template <typename Test>
const json* typedMember(const json& object, const Where& at, const char* key, Test ok, const char* what,
                        const char* consequence)
{
    const auto* v = member(object, key);
    if (v != nullptr && !ok(*v)) {
        at.member(key).replaced(*v, what, consequence);
        return nullptr;
    }
    return v;
}

const std::string* textMember(const json& object, const Where& at, const char* key, const char* consequence)
{
    const auto* v = typedMember(
        object, at, key, [](const json& j) { return j.is_string(); }, "a text", consequence);
    return v != nullptr ? &v->get_ref<const std::string&>() : nullptr;
}

bool flagMember(const json& object, const Where& at, const char* key, bool fallback)
{
    const auto* v = typedMember(
        object, at, key, [](const json& j) { return j.is_boolean(); }, "true or false",
        fallback ? "true used" : "false used");
    return v != nullptr ? v->get<bool>() : fallback;
}

// A list of texts. An element of another type is skipped; the others are kept,
// so one damaged entry of a hand-edited file cannot drop a whole list.
std::vector<std::string> textList(const json& object, const Where& at, const char* key)
{
    const auto* v = typedMember(
        object, at, key, [](const json& j) { return j.is_array(); }, "a list", "left empty");
    std::vector<std::string> out;
    if (v == nullptr) {
        return out;
    }
    const auto list = at.member(key);
    out.reserve(v->size());
    std::size_t i = 0;
    for (const auto& element : *v) {
        if (element.is_string()) {
            out.push_back(element.get_ref<const std::string&>());
        } else {
            list.element(i).replaced(element, "a text", "left out");
        }
        ++i;
    }
    return out;
}

Uuid idMember(const json& object, const Where& at)
{
    if (const auto* v = member(object, "id")) {
        if (const auto id = v->is_string() ? Uuid::parse(v->get_ref<const std::string&>()) : std::nullopt) {
            return *id;
        }
        at.member("id").replaced(*v, "an id", "a new one drawn");
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

std::optional<Combo> readCombo(const json& object, const Where& at)
{
    const auto* v = member(object, "keys");
    if (v == nullptr) {
        return std::nullopt;
    }
    auto combo = comboFromJson(*v);
    if (!combo) {
        at.member("keys").replaced(*v, "a key combination", "left empty");
    }
    return combo;
}

std::optional<Action> readAction(const json& value, const Where& at)
{
    const auto* type = member(value, "type");
    if (type == nullptr) {
        if (at.sink != nullptr) {
            at.sink->replaced.push_back(at.path() + ": no \"type\"; the mapping has no action");
        }
        return std::nullopt;
    }
    const auto kind = type->is_string() ? actionKindFromRaw(type->get_ref<const std::string&>()) : std::nullopt;
    if (!kind) {
        at.member("type").replaced(*type, "an action type (keys, media, sendKeys, openApp)",
                                   "the mapping has no action");
        return std::nullopt;
    }
    const auto app = [&]() -> std::optional<std::string> {
        const auto* text = textMember(value, at, "app", "left empty");
        return text != nullptr ? std::optional<std::string>(*text) : std::nullopt;
    };
    switch (*kind) {
    case ActionKind::keys:
        return Action::keys(readCombo(value, at));
    case ActionKind::media: {
        const auto* media = member(value, "media");
        const auto key = media != nullptr && media->is_string() ? mediaKeyFromRaw(media->get_ref<const std::string&>())
                                                                : std::nullopt;
        if (media != nullptr && !key) {
            at.member("media").replaced(*media, "a media key", "playPause used");
        }
        return Action::media(key.value_or(MediaKey::playPause));
    }
    case ActionKind::sendKeys: {
        auto target = app();
        return Action::sendKeys(std::move(target), readCombo(value, at));
    }
    case ActionKind::openApp:
        return Action::openApp(app());
    }
    return std::nullopt;
}

Scope readScope(const json& value, const Where& at)
{
    Scope s;
    if (const auto* mode = member(value, "mode")) {
        const auto parsed =
            mode->is_string() ? scopeModeFromRaw(mode->get_ref<const std::string&>()) : std::optional<ScopeMode>();
        if (!parsed) {
            at.member("mode").replaced(*mode, "a scope mode (all, only, except)", "all used");
        }
        s.mode = parsed.value_or(ScopeMode::all);
    }
    s.apps = textList(value, at, "apps");
    s.urls = textList(value, at, "urls");
    return s;
}

Mapping readMapping(const json& value, const Where& at)
{
    Mapping m;
    m.id = idMember(value, at);
    m.enabled = flagMember(value, at, "enabled", true);
    if (const auto* trigger = member(value, "trigger")) {
        m.trigger = triggerFromJson(*trigger);
        if (!m.trigger) {
            at.member("trigger").replaced(*trigger, "a trigger", "left empty");
        }
    }
    m.action.reset(); // no action unless the document has one
    if (const auto* action = typedMember(
            value, at, "action", [](const json& j) { return j.is_object(); }, "an object", "left empty")) {
        m.action = readAction(*action, at.member("action"));
    }
    const auto* note = textMember(value, at, "note", "left empty");
    m.note = note != nullptr ? *note : std::string();
    return m;
}

RuleGroup readGroup(const json& value, const Where& at)
{
    RuleGroup g;
    g.id = idMember(value, at);
    const auto* name = textMember(value, at, "name", "the default name used");
    g.name = name != nullptr ? *name : std::string(unnamedGroupName);
    g.enabled = flagMember(value, at, "enabled", true);
    if (const auto* scope = typedMember(
            value, at, "scope", [](const json& j) { return j.is_object(); }, "an object", "all applications used")) {
        g.scope = readScope(*scope, at.member("scope"));
    }
    // An element that is not an object is skipped and the group keeps its other
    // mappings: the next save would otherwise drop every rule of the group.
    if (const auto* mappings = typedMember(
            value, at, "mappings", [](const json& j) { return j.is_array(); }, "a list", "the group has no mappings")) {
        const auto list = at.member("mappings");
        g.mappings.reserve(mappings->size());
        std::size_t i = 0;
        for (const auto& element : *mappings) {
            if (element.is_object()) {
                g.mappings.push_back(readMapping(element, list.element(i)));
            } else {
                list.element(i).replaced(element, "an object", "left out");
            }
            ++i;
        }
    }
    return g;
}

Preferences readPreferences(const json& value, const Where& at)
{
    Preferences p;
    p.showHUD = flagMember(value, at, "showHUD", true);
    return p;
}

std::optional<ConfigFile> refuse(ConfigDiagnostics* diagnostics, std::string why)
{
    if (diagnostics != nullptr) {
        diagnostics->refusal = std::move(why);
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
    return readPreferences(value, Where{});
}

Scope scopeFromJson(const json& value)
{
    return readScope(value, Where{});
}

std::optional<Action> actionFromJson(const json& value, std::string* why)
{
    if (why != nullptr) {
        if (const auto* type = stringMember(value, "type"); type != nullptr && !actionKindFromRaw(*type)) {
            describe(why, "未知动作：", *type);
        }
    }
    if (stringMember(value, "type") == nullptr) {
        return std::nullopt;
    }
    return readAction(value, Where{});
}

Mapping mappingFromJson(const json& value)
{
    return readMapping(value, Where{});
}

RuleGroup groupFromJson(const json& value)
{
    return readGroup(value, Where{});
}

std::optional<ConfigFile> configFromJson(const json& value, ConfigDiagnostics* diagnostics)
{
    if (!value.is_object()) {
        return refuse(diagnostics, "the document is not a JSON object");
    }
    const auto* version = member(value, "version");
    const auto* groups = member(value, "groups");
    const auto* preferences = member(value, "preferences");
    const std::array<std::pair<const char*, const json*>, 3> required = {
        {{"version", version}, {"groups", groups}, {"preferences", preferences}}};
    for (const auto& [key, found] : required) {
        if (found == nullptr) {
            return refuse(diagnostics, std::string("\"") + key + "\" is missing");
        }
    }
    const auto number = int64Value(*version);
    if (!number) {
        return refuse(diagnostics, "\"version\" is not an integer");
    }
    if (!groups->is_array()) {
        return refuse(diagnostics, "\"groups\" is not an array");
    }
    if (!preferences->is_object()) {
        return refuse(diagnostics, "\"preferences\" is not an object");
    }
    std::size_t i = 0;
    for (const auto& g : *groups) {
        if (!g.is_object()) {
            return refuse(diagnostics, "groups[" + std::to_string(i) + "] is not an object");
        }
        ++i;
    }
    const Where root{diagnostics};
    const auto list = root.member("groups");
    ConfigFile file;
    file.version = *number;
    file.groups.reserve(groups->size());
    i = 0;
    for (const auto& g : *groups) {
        file.groups.push_back(readGroup(g, list.element(i++)));
    }
    file.preferences = readPreferences(*preferences, root.member("preferences"));
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
