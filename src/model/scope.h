#pragma once

#include "model/hash.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvane {

enum class ScopeMode : std::uint8_t { all, only, except };

inline constexpr std::array<ScopeMode, 3> allScopeModes = {ScopeMode::all, ScopeMode::only, ScopeMode::except};

std::string_view rawValue(ScopeMode mode) noexcept;
std::optional<ScopeMode> scopeModeFromRaw(std::string_view raw) noexcept; // exact, case-sensitive

// Where a rule group applies. `urls` narrow an `only` scope to pages whose
// address contains one of them; in the other modes they are kept but unused.
struct Scope {
    ScopeMode mode = ScopeMode::all;
    std::vector<std::string> apps;
    std::vector<std::string> urls;

    // 所有应用 / Safari 等 3 个 / 除 … / … · 指定网页 / 未选应用
    [[nodiscard]] std::string summary() const;

    friend bool operator==(const Scope&, const Scope&) = default;
    void hashInto(Hasher& h) const
    {
        h.add(std::string(rawValue(mode)));
        h.add(apps);
        h.add(urls);
    }
};

} // namespace norvane

template <> struct std::hash<norvane::Scope> {
    std::size_t operator()(const norvane::Scope& s) const
    {
        norvane::Hasher h;
        s.hashInto(h);
        return h.value();
    }
};
