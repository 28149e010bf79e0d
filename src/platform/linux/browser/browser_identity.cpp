#include "platform/linux/browser/browser_identity.h"

#include <array>

namespace norvane::bridge {

namespace {

struct Rule {
    std::string_view fileName;
    std::string_view folder; // must occur in the path; empty for any
    std::array<std::string_view, 2> ids;
};

// First match wins: the channel-specific folders come before the plain ones.
constexpr std::array rules = {
    Rule{"chrome", "/chrome-unstable/", {"google-chrome-unstable", {}}},
    Rule{"chrome", "/chrome-canary/", {"google-chrome-canary", {}}},
    Rule{"chrome", "/chrome-beta/", {"google-chrome-beta", {}}},
    Rule{"chrome", "", {"google-chrome", {}}},
    Rule{"chromium", "", {"chromium", "chromium-browser"}},
    Rule{"chromium-browser", "", {"chromium-browser", "chromium"}},
    Rule{"msedge", "/msedge-beta/", {"microsoft-edge-beta", {}}},
    Rule{"msedge", "/msedge-dev/", {"microsoft-edge-dev", {}}},
    Rule{"msedge", "", {"microsoft-edge", {}}},
    Rule{"brave", "", {"brave-browser", {}}},
    Rule{"vivaldi-bin", "/vivaldi-snapshot/", {"vivaldi-snapshot", {}}},
    Rule{"vivaldi-bin", "", {"vivaldi-stable", {}}},
    Rule{"opera", "", {"opera", {}}},
    Rule{"firefox-esr", "", {"firefox-esr", "firefox"}},
    Rule{"firefox", "", {"firefox", "firefox-esr"}},
    Rule{"firefox-bin", "", {"firefox", "firefox-esr"}},
};

} // namespace

std::vector<std::string> browserAppIDs(std::string_view exePath)
{
    // The kernel appends " (deleted)" when the executable was replaced by an
    // update while the browser runs.
    constexpr std::string_view deleted = " (deleted)";
    if (exePath.ends_with(deleted)) {
        exePath.remove_suffix(deleted.size());
    }
    const auto slash = exePath.rfind('/');
    const auto name = slash == std::string_view::npos ? exePath : exePath.substr(slash + 1);
    for (const auto& rule : rules) {
        if (name == rule.fileName && (rule.folder.empty() || exePath.find(rule.folder) != std::string_view::npos)) {
            std::vector<std::string> ids;
            for (const auto id : rule.ids) {
                if (!id.empty()) {
                    ids.emplace_back(id);
                }
            }
            return ids;
        }
    }
    if (name.empty()) {
        return {};
    }
    return {std::string(name)};
}

} // namespace norvane::bridge
