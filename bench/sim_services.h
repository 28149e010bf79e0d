#pragma once

// The platform services the benchmarks' models need and never exercise:
// access granted, no login item, no press monitors.
#include "platform/login_item.h"
#include "platform/permission.h"
#include "platform/press_monitor.h"

#include <optional>
#include <string>

namespace norvane::bench {

class GrantedAccess final : public AccessPermission {
public:
    [[nodiscard]] bool hasInputAccess() override { return true; }
    void request(RequestDone done) override { done(std::nullopt); }
};

class NoLoginItem final : public LoginItem {
public:
    [[nodiscard]] bool isEnabled() override { return false; }
    std::optional<std::string> setEnabled(bool /*enabled*/) override { return std::nullopt; }
};

class NoMonitor final : public PressMonitor {
public:
    std::optional<Token> add(Watch /*watch*/, Handler /*handler*/) override { return std::nullopt; }
    void remove(Token /*token*/) override {}
};

} // namespace norvane::bench
