#pragma once

#include "model/config_json.h"
#include "model/rules.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvane {

// The configuration document (format version 2): every rule group and the
// preferences, as one JSON object.
struct ConfigFile {
    std::int64_t version = 2;
    std::vector<RuleGroup> groups;
    Preferences preferences;

    friend bool operator==(const ConfigFile&, const ConfigFile&) = default;
};

// Writes the document pretty printed (two-space indentation) with the keys
// of every object in ascending order, bare forward slashes and UTF-8 left as
// it is, ending with a newline: the bytes of toJson(file) dumped that way.
// Absent optional values are left out, never written as null. The same model
// always gives the same bytes. A text holding bytes that are not UTF-8 does
// not make it fail: each such byte is written as U+FFFD.
std::string encodeConfig(const ConfigFile& file);

// Reads a version-2 document. nullopt when the top level is not an object
// with an integer "version", a "groups" array of objects and a "preferences"
// object (or the text is not JSON). Below the top level nothing fails: each
// missing or damaged value takes its default. Never throws.
std::optional<ConfigFile> decodeConfig(std::string_view bytes);

// --- the same chain, one JSON value at a time -------------------------------
// The encoders give the JSON form of one value; the decoders never fail
// except where they return an optional.

nlohmann::json toJson(const Preferences& preferences);
nlohmann::json toJson(const Scope& scope);
nlohmann::json toJson(const Action& action);
nlohmann::json toJson(const Mapping& mapping);
nlohmann::json toJson(const RuleGroup& group);
nlohmann::json toJson(const ConfigFile& file);

Preferences preferencesFromJson(const nlohmann::json& value);
Scope scopeFromJson(const nlohmann::json& value);
// nullopt for an object without a string "type" or with a type that names no
// action kind; `why` then receives the description ("未知动作：…").
std::optional<Action> actionFromJson(const nlohmann::json& value, std::string* why = nullptr);
Mapping mappingFromJson(const nlohmann::json& value);
RuleGroup groupFromJson(const nlohmann::json& value);
// nullopt when the value is not a version-2 document (see decodeConfig).
// When given, `diagnostics` receives why the document was refused, or one
// line for every value below the top level that was replaced by its default
// or left out.
std::optional<ConfigFile> configFromJson(const nlohmann::json& value, ConfigDiagnostics* diagnostics = nullptr);

// Optional values inside the document: a text that does not parse yields
// nullopt and, when asked for, the description ("无法识别的按键：…",
// "无法识别的触发：…").
std::optional<Combo> comboFromJson(const nlohmann::json& value, std::string* why = nullptr);
std::optional<Trigger> triggerFromJson(const nlohmann::json& value, std::string* why = nullptr);

} // namespace norvane
