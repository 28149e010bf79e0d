#include "engine/scope_match.h"

#include <algorithm>

namespace norvane {

namespace {

constexpr char foldASCII(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool containsIgnoringCase(std::string_view haystack, std::string_view needle) noexcept
{
    if (needle.empty() || needle.size() > haystack.size()) {
        return false;
    }
    const auto it = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                                [](char a, char b) { return foldASCII(a) == foldASCII(b); });
    return it != haystack.end();
}

bool scopeAccepts(const Scope& scope, EventContext& ctx)
{
    static const std::string empty;
    const auto& app = ctx.appID();
    const std::string& id = app ? *app : empty;
    const auto listed = [&] { return std::find(scope.apps.begin(), scope.apps.end(), id) != scope.apps.end(); };

    switch (scope.mode) {
    case ScopeMode::all:
        return true;
    case ScopeMode::except:
        return !listed();
    case ScopeMode::only:
        break;
    }
    if (!listed()) {
        return false;
    }
    if (scope.urls.empty()) {
        return true;
    }
    const auto& url = ctx.url();
    if (!url) {
        return false;
    }
    return std::any_of(scope.urls.begin(), scope.urls.end(),
                       [&](const std::string& keyword) { return containsIgnoringCase(*url, keyword); });
}

} // namespace norvane
