#pragma once

#include "platform/workspace.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace norvane {

// Browsers whose page address the probe shows and the scope card can fill
// in: every build of platform/known_browsers.h, in its order.
std::span<const std::string_view> browserIDs() noexcept;
[[nodiscard]] bool isBrowser(std::string_view appID) noexcept;

// The installed builds the templates offer, in preference order. Main thread.
std::vector<std::string> installedBrowsers(Workspace& workspace);

} // namespace norvane
