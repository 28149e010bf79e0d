#include "platform/linux/workspace/linux_desktop.h"

namespace norvane {

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
    if (!windows_) {
        return std::string("following the window in front is not supported on this desktop");
    }
    return windows_->start();
}

std::unique_ptr<ProcessKeyDelivery> LinuxDesktop::makeKeyDelivery(KeyEmitter& emitter)
{
    if (!windows_) {
        return nullptr;
    }
    return std::make_unique<ProcessKeyDelivery>(*windows_, tracker_, emitter);
}

} // namespace norvane
