#pragma once

#include "platform/linux/workspace/app_catalog.h"
#include "platform/linux/workspace/window_system.h"
#include "platform/workspace.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace norvane::linux_workspace {

// The Workspace on a Linux desktop: installed applications from the desktop
// entries, running ones from the desktop's window list. Hiding hides every
// window of the application instance in front; opening brings those back
// (the one that was in front last), else raises the application's most
// recent window, else launches it.
class LinuxWorkspace final : public Workspace {
public:
    // `windows` may be null where the desktop cannot be followed: nothing
    // then counts as running and open() always launches.
    LinuxWorkspace(AppCatalog& catalog, WindowSystem* windows);

    std::optional<std::string> installedLocation(const std::string& appID) override;
    // Windows whose process is unknown cannot be sent keys and are left out.
    std::vector<RunningApp> runningInstances(const std::string& appID) override;
    // Ordinary application windows only, one entry per process.
    std::vector<RunningApp> runningApplications() override;
    void open(const std::string& appID) override;
    void hide(const FrontApp& app) override;

    // open() with its outcome; the reason when nothing could be done.
    std::optional<std::string> openApp(const std::string& appID);

private:
    AppCatalog& catalog_;
    WindowSystem* windows_;
    std::mutex lock_;
    std::map<std::string, std::vector<std::uint64_t>> hiddenByUs_; // per application, front window first
};

} // namespace norvane::linux_workspace
