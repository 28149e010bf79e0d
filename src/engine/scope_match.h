#pragma once

#include "engine/event_context.h"
#include "model/scope.h"

#include <string_view>

namespace norvane {

// Whether a rule group's scope accepts the event described by `ctx`. Reads
// the page address only for an `only` scope that lists the frontmost
// application and has keywords.
bool scopeAccepts(const Scope& scope, EventContext& ctx);

// Case-insensitive substring test used for page keywords. ASCII letters are
// folded; every other byte must match exactly. An empty needle never matches.
bool containsIgnoringCase(std::string_view haystack, std::string_view needle) noexcept;

} // namespace norvane
