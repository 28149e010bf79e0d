#include "platform/linux/workspace/linux_desktop.h"

#include "platform/linux/workspace/x11_window_system.h"

#include <cstdio>

namespace norvane::linux_workspace {

LinuxDesktop::LinuxDesktop(FrontmostSnapshot& snapshot, Options options)
    : session_(std::move(options.session)),
      catalog_(std::make_shared<AppCatalog>(index_, IconTheme(options.iconTheme))),
      tracker_(snapshot, std::move(options.onActivate)), windows_(makeWindowSystem(session_, index_, tracker_)),
      workspace_(std::make_unique<LinuxWorkspace>(*catalog_, windows_.get()))
{}

LinuxDesktop::~LinuxDesktop()
{
    if (windows_) {
        windows_->stop();
    }
}

std::optional<std::string> LinuxDesktop::start()
{
    using Kind = DesktopSession::Kind;
    const bool shell = session_.kind == Kind::kde || session_.kind == Kind::gnome;
    std::optional<std::string> failure;
    if (windows_) {
        failure = windows_->start();
    } else if (shell) {
        failure = "Norvane has no helper for " + sessionLabel(session_.kind) + " yet";
    } else {
        failure = "following the window in front is not supported on this desktop";
    }
    if (!failure || !shell || session_.display.empty()) {
        return failure;
    }
    // The shell cannot tell us, but its X server can: every window of an X11
    // session is an X client.
    fallbackReason_ = *failure;
    if (windows_) {
        windows_->stop();
    }
    workspace_.reset();
    windows_ = std::make_unique<X11WindowSystem>(session_.display, index_, tracker_);
    workspace_ = std::make_unique<LinuxWorkspace>(*catalog_, windows_.get());
    std::fprintf(stderr, "norvane: following the window in front through the X display %s, since %s\n",
                 session_.display.c_str(), fallbackReason_.c_str());
    return windows_->start();
}

std::unique_ptr<ProcessKeyDelivery> LinuxDesktop::makeKeyDelivery(KeyEmitter& emitter)
{
    if (!windows_) {
        return nullptr;
    }
    return std::make_unique<ProcessKeyDelivery>(*windows_, tracker_, emitter);
}

} // namespace norvane::linux_workspace
