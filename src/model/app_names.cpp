#include "model/app_names.h"

#include <mutex>
#include <unordered_map>

namespace norvane {

namespace {

struct AppNameCache {
    std::mutex lock;
    std::shared_ptr<AppNameSource> source;
    std::unordered_map<std::string, std::string> names;
};

AppNameCache& cache()
{
    static AppNameCache instance;
    return instance;
}

} // namespace

void installAppNameSource(std::shared_ptr<AppNameSource> source)
{
    auto& c = cache();
    const std::lock_guard guard(c.lock);
    c.source = std::move(source);
    c.names.clear();
}

std::string appName(const std::string& appID)
{
    auto& c = cache();
    std::shared_ptr<AppNameSource> source;
    {
        const std::lock_guard guard(c.lock);
        if (const auto it = c.names.find(appID); it != c.names.end()) {
            return it->second;
        }
        source = c.source;
    }
    if (!source) {
        return appID;
    }
    // Asked outside the lock: the platform may be slow, and may itself want names.
    auto found = source->displayName(appID);
    if (!found) {
        return appID; // not installed: not cached, so a later install is picked up
    }
    const std::lock_guard guard(c.lock);
    if (c.source != source) {
        return *found; // a different source was installed meanwhile; do not cache a stale answer
    }
    return c.names.emplace(appID, std::move(*found)).first->second;
}

} // namespace norvane
