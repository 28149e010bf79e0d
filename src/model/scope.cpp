#include "model/scope.h"

#include "model/app_names.h"

namespace norvane {

std::string_view rawValue(ScopeMode mode) noexcept
{
    switch (mode) {
    case ScopeMode::all:
        return "all";
    case ScopeMode::only:
        return "only";
    case ScopeMode::except:
        return "except";
    }
    return "all";
}

std::optional<ScopeMode> scopeModeFromRaw(std::string_view raw) noexcept
{
    for (const auto mode : allScopeModes) {
        if (rawValue(mode) == raw) {
            return mode;
        }
    }
    return std::nullopt;
}

std::string Scope::summary() const
{
    if (mode == ScopeMode::all) {
        return "所有应用";
    }
    if (apps.empty()) {
        return mode == ScopeMode::only ? "未选应用" : "所有应用";
    }
    std::string out = appName(apps.front());
    if (apps.size() > 1) {
        out += " 等 " + std::to_string(apps.size()) + " 个";
    }
    if (mode == ScopeMode::except) {
        out = "除 " + out;
    } else if (!urls.empty()) {
        out += " · 指定网页";
    }
    return out;
}

} // namespace norvane
