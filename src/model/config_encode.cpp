// The JSON form of each value of the version-2 configuration document.
// encodeConfig (config_writer.cpp) writes the same form without building it.
#include "model/config_document.h"

namespace norvane {

using nlohmann::json;

namespace {

json stringArray(const std::vector<std::string>& list)
{
    json out = json::array();
    for (const auto& s : list) {
        out.push_back(s);
    }
    return out;
}

} // namespace

json toJson(const Preferences& preferences)
{
    return json::object({{"showHUD", preferences.showHUD}});
}

json toJson(const Scope& scope)
{
    json out = json::object();
    out["mode"] = std::string(rawValue(scope.mode));
    out["apps"] = stringArray(scope.apps);
    out["urls"] = stringArray(scope.urls);
    return out;
}

json toJson(const Action& action)
{
    json out = json::object();
    out["type"] = std::string(info(action.kind()).id);
    if (const auto* a = action.as<KeysAction>()) {
        if (a->combo) {
            out["keys"] = a->combo->string();
        }
    } else if (const auto* m = action.as<MediaAction>()) {
        out["media"] = std::string(info(m->key).id);
    } else if (const auto* s = action.as<SendKeysAction>()) {
        if (s->app) {
            out["app"] = *s->app;
        }
        if (s->combo) {
            out["keys"] = s->combo->string();
        }
    } else if (const auto* o = action.as<OpenAppAction>()) {
        if (o->app) {
            out["app"] = *o->app;
        }
    }
    return out;
}

json toJson(const Mapping& mapping)
{
    json out = json::object();
    out["id"] = mapping.id.string();
    out["enabled"] = mapping.enabled;
    if (mapping.trigger) {
        out["trigger"] = mapping.trigger->string();
    }
    if (mapping.action) {
        out["action"] = toJson(*mapping.action);
    }
    out["note"] = mapping.note;
    return out;
}

json toJson(const RuleGroup& group)
{
    json mappings = json::array();
    for (const auto& m : group.mappings) {
        mappings.push_back(toJson(m));
    }
    json out = json::object();
    out["id"] = group.id.string();
    out["name"] = group.name;
    out["enabled"] = group.enabled;
    out["scope"] = toJson(group.scope);
    out["mappings"] = std::move(mappings);
    return out;
}

json toJson(const ConfigFile& file)
{
    json groups = json::array();
    for (const auto& g : file.groups) {
        groups.push_back(toJson(g));
    }
    json out = json::object();
    out["version"] = file.version;
    out["groups"] = std::move(groups);
    out["preferences"] = toJson(file.preferences);
    return out;
}

} // namespace norvane
