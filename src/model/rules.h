#pragma once

#include "model/action.h"
#include "model/scope.h"
#include "model/trigger.h"
#include "model/uuid.h"

#include <optional>
#include <string>
#include <vector>

namespace norvane {

// One rule. Usable by the engine only when enabled, with a trigger and a
// complete action; the others are kept as they are.
struct Mapping {
    Uuid id = Uuid::random();
    bool enabled = true;
    std::optional<Trigger> trigger;
    std::optional<Action> action = Action::keys(std::nullopt);
    std::string note;

    Mapping() = default;
    explicit Mapping(std::optional<Trigger> t, std::optional<Action> a = Action::keys(std::nullopt), std::string n = {})
        : trigger(t), action(std::move(a)), note(std::move(n))
    {}

    [[nodiscard]] bool isUsable() const
    {
        return enabled && trigger.has_value() && action.has_value() && action->isComplete();
    }
    // Identifier of this mapping's trigger recorder: upper-case UUID + "-t".
    [[nodiscard]] std::string triggerRecorderID() const { return id.string() + "-t"; }
    [[nodiscard]] std::string actionRecorderID() const { return id.string() + "-a"; }

    friend bool operator==(const Mapping&, const Mapping&) = default;
    void hashInto(Hasher& h) const;
};

inline constexpr const char* defaultGroupName = "新规则组";
inline constexpr const char* unnamedGroupName = "未命名";

// A named, scoped list of mappings; earlier mappings and groups win.
struct RuleGroup {
    Uuid id = Uuid::random();
    std::string name = defaultGroupName;
    bool enabled = true;
    Scope scope;
    std::vector<Mapping> mappings;

    RuleGroup() = default;
    explicit RuleGroup(std::string n, Scope s = {}, std::vector<Mapping> m = {})
        : name(std::move(n)), scope(std::move(s)), mappings(std::move(m))
    {}

    friend bool operator==(const RuleGroup&, const RuleGroup&) = default;
    void hashInto(Hasher& h) const;
};

struct Preferences {
    bool showHUD = true;
    friend bool operator==(const Preferences&, const Preferences&) = default;
    void hashInto(Hasher& h) const { h.add(showHUD); }
};

} // namespace norvane

template <> struct std::hash<norvane::Mapping> {
    std::size_t operator()(const norvane::Mapping& m) const
    {
        norvane::Hasher h;
        m.hashInto(h);
        return h.value();
    }
};
template <> struct std::hash<norvane::RuleGroup> {
    std::size_t operator()(const norvane::RuleGroup& g) const
    {
        norvane::Hasher h;
        g.hashInto(h);
        return h.value();
    }
};
template <> struct std::hash<norvane::Action> {
    std::size_t operator()(const norvane::Action& a) const
    {
        norvane::Hasher h;
        a.hashInto(h);
        return h.value();
    }
};
