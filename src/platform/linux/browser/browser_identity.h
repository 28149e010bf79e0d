#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace norvane::linux_browser {

// The desktop-entry ids a browser process may be known by, judged from the
// path of its executable (/proc/<pid>/exe): /opt/google/chrome/chrome is
// google-chrome, /usr/lib/chromium/chromium is chromium (or
// chromium-browser), and so on. An unknown executable is known by its file
// name.
std::vector<std::string> browserAppIDs(std::string_view exePath);

} // namespace norvane::linux_browser
