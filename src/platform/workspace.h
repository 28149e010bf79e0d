#pragma once

#include "platform/shared_snapshot.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace norvane {

// The application in front, as an immutable snapshot. `appID` is the
// desktop-entry id (absent when the focused window cannot be resolved);
// `pid` and `window` are 0 when unknown.
struct FrontApp {
    std::optional<std::string> appID;
    int pid = 0;
    std::uint64_t window = 0;
};

// Readable from the input thread: returns the latest snapshot without
// blocking; nullptr when no application is in front.
class FrontmostSource {
public:
    virtual ~FrontmostSource() = default;
    [[nodiscard]] virtual std::shared_ptr<const FrontApp> frontmost() const = 0;
};

// The usual implementation: whoever follows focus publishes a new snapshot
// with one swap; readers on any thread take it without waiting on work.
class FrontmostSnapshot final : public FrontmostSource {
public:
    [[nodiscard]] std::shared_ptr<const FrontApp> frontmost() const override { return current_.load(); }
    void publish(std::shared_ptr<const FrontApp> app) { current_.store(std::move(app)); }
    void publish(std::optional<std::string> appID, int pid = 0, std::uint64_t window = 0)
    {
        publish(std::make_shared<const FrontApp>(FrontApp{std::move(appID), pid, window}));
    }
    void clear() { publish(std::shared_ptr<const FrontApp>{}); }

private:
    SharedSnapshot<FrontApp> current_;
};

// One running instance of an application.
struct RunningApp {
    std::string appID;
    int pid = 0;
};

// Main-thread queries and commands about applications, named by desktop-entry
// id. Every query may come back empty.
class Workspace {
public:
    virtual ~Workspace() = default;
    // Where the application is installed (its desktop entry file), or nothing.
    [[nodiscard]] virtual std::optional<std::string> installedLocation(const std::string& appID) = 0;
    [[nodiscard]] bool isInstalled(const std::string& appID) { return installedLocation(appID).has_value(); }
    // Running instances of one application, possibly none; the first is the
    // preferred target.
    [[nodiscard]] virtual std::vector<RunningApp> runningInstances(const std::string& appID) = 0;
    // Every running application that has a window (for pickers).
    [[nodiscard]] virtual std::vector<RunningApp> runningApplications() = 0;
    // Launches the application if needed and brings it to the front.
    virtual void open(const std::string& appID) = 0;
    // Hides (minimises) the given frontmost application.
    virtual void hide(const FrontApp& app) = 0;
};

} // namespace norvane
