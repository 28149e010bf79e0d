#pragma once

#include "model/rules.h"

#include <array>
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvane {

// The configuration document of the first format: per-application key maps
// and mouse buttons bound to media keys. Read only, to be converted.
struct V1Config {
    struct Rule {
        std::optional<std::string> name;
        std::vector<std::string> apps;
        std::optional<std::vector<std::string>> urlContains;
        // trigger combination text -> target combination text; std::map keeps
        // the keys in ascending byte (UTF-8 code-point) order.
        std::map<std::string, std::string> map;
        friend bool operator==(const Rule&, const Rule&) = default;
    };
    struct Mouse {
        std::int64_t button = 0;
        std::string action;                           // a media key's raw value, unchecked until conversion
        std::optional<std::vector<std::string>> apps; // read, but not carried over
        friend bool operator==(const Mouse&, const Mouse&) = default;
    };

    std::vector<Rule> rules;
    std::optional<std::vector<Mouse>> mouse;
    friend bool operator==(const V1Config&, const V1Config&) = default;
};

// Notes given to migrated heading shortcuts (cmd+N -> opt+cmd+N), by N.
inline constexpr std::array<std::string_view, 7> legacyHeadingNotes = {"正文",     "一级标题", "二级标题", "三级标题",
                                                                       "四级标题", "五级标题", "六级标题"};
inline constexpr const char* legacyRuleName = "规则";
inline constexpr const char* legacyMouseGroupName = "鼠标键控制播放";

// Strict reader: a missing required member, a member of the wrong type, or
// a malformed mouse binding makes the whole document unreadable (nullopt).
// Members it does not know are ignored. Never throws. `why`, when given,
// receives the reason a document is refused, with the JSON path of the
// culprit ("rules[2].apps is not a list of texts").
std::optional<V1Config> decodeLegacyConfig(std::string_view bytes);
std::optional<V1Config> legacyConfigFromJson(const nlohmann::json& value, std::string* why = nullptr);

// The rule groups that replace a legacy document: one per rule, in order,
// then one all-applications group for the mouse bindings when there are any.
// Pairs that do not parse and bindings to unknown media keys are dropped.
std::vector<RuleGroup> migrated(const V1Config& config);

} // namespace norvane
