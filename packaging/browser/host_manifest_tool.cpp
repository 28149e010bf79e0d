// Prints the native-messaging host manifest an installed Norvane puts in the
// browsers' system-wide folders: the document `norvanectl browser install`
// writes for one user, admitting also the Chromium extension ids given (the
// packed extension is signed with its own key, so its id differs).
#include "platform/linux/browser/host_manifest.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

int main(int argc, char** argv)
{
    const std::string_view browser = argc >= 3 ? argv[1] : "";
    if (browser != "chromium" && browser != "firefox") {
        std::fputs("usage: norvane-host-manifest chromium|firefox HOST_PATH [EXTENSION_ID...]\n", stderr);
        return 2;
    }
    const bool firefox = browser == "firefox";
    try {
        auto manifest = nlohmann::ordered_json::parse(norvane::linux_browser::hostManifestJSON(firefox, argv[2]));
        if (!firefox) {
            auto& origins = manifest["allowed_origins"];
            for (int i = 3; i < argc; ++i) {
                const auto origin = "chrome-extension://" + std::string(argv[i]) + "/";
                if (std::find(origins.begin(), origins.end(), origin) == origins.end()) {
                    origins.push_back(origin);
                }
            }
        }
        std::fputs((manifest.dump(2) + "\n").c_str(), stdout);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "norvane-host-manifest: %s\n", e.what());
        return 1;
    }
    return 0;
}
