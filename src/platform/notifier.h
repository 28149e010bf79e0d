#pragma once

#include "model/icon.h"

#include <optional>
#include <string>

namespace norvane {

// A request for the brief on-screen notice. `appID` (whose icon is shown)
// takes precedence over `icon`. With `force` false the notice is shown only
// when the user has notices turned on.
struct Notice {
    std::optional<Icon> icon;
    std::optional<std::string> appID;
    std::string title;
    std::optional<std::string> subtitle;
    bool force = false;

    friend bool operator==(const Notice&, const Notice&) = default;
};

// Main thread only.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void show(const Notice& notice) = 0;
};

} // namespace norvane
