#pragma once

#include "platform/workspace.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace norvane {

// Browsers whose page address the probe shows and the scope card can fill
// in: native package and Flatpak desktop ids.
std::span<const std::string_view> browserIDs() noexcept;
[[nodiscard]] bool isBrowser(std::string_view appID) noexcept;

// The browsers offered by the built-in templates, in preference order.
std::span<const std::string_view> knownBrowsers() noexcept;

// The installed subset of knownBrowsers(), in list order. Main thread.
std::vector<std::string> installedBrowsers(Workspace& workspace);

} // namespace norvane
