#pragma once

#include <memory>
#include <optional>
#include <string>

namespace norvane {

// The platform's answer to "what is this application called?". The app
// installs the real catalog; tests install a fake.
class AppNameSource {
public:
    virtual ~AppNameSource() = default;
    // Display name of the installed application, or nullopt when it is not installed.
    virtual std::optional<std::string> displayName(const std::string& appID) = 0;
};

// Installs the process-wide source and clears the name cache. nullptr
// removes it: every application then shows its identifier.
void installAppNameSource(std::shared_ptr<AppNameSource> source);

// Display name of an application. Names that were found are cached for the
// life of the process; an identifier that is not installed is returned as it
// is and asked for again next time. Safe to call from any thread.
std::string appName(const std::string& appID);

} // namespace norvane
