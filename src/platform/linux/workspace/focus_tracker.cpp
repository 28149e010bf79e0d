#include "platform/linux/workspace/focus_tracker.h"

namespace norvane::linux_workspace {

namespace {

bool sameWindow(const FrontApp* a, const FrontApp* b)
{
    if (!a || !b) {
        return a == b;
    }
    return a->window == b->window && a->pid == b->pid && a->appID == b->appID;
}

bool sameApp(const FrontApp* a, const FrontApp* b)
{
    if (!a || !b) {
        return a == b;
    }
    return a->pid == b->pid && a->appID == b->appID;
}

} // namespace

FocusTracker::FocusTracker(FrontmostSnapshot& snapshot, ActivationListener onActivate)
    : snapshot_(snapshot), onActivate_(std::move(onActivate))
{}

void FocusTracker::publish(const std::shared_ptr<const FrontApp>& app)
{
    bool activated = false;
    {
        const std::lock_guard guard(lock_);
        if (sameWindow(current_.get(), app.get())) {
            return;
        }
        // Another window of the same application is no activation, and
        // neither is coming back to it after a moment of nothing in front
        // (window managers clear the active window while switching).
        activated = app && !sameApp(lastActivated_.get(), app.get());
        if (activated) {
            lastActivated_ = app;
        }
        current_ = app;
        snapshot_.publish(app);
    }
    if (activated && onActivate_) {
        onActivate_(*app);
    }
    changed_.notify_all();
}

std::shared_ptr<const FrontApp> FocusTracker::current() const
{
    const std::lock_guard guard(lock_);
    return current_;
}

bool FocusTracker::waitUntil(const std::function<bool(const FrontApp*)>& accept, std::chrono::milliseconds limit) const
{
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, limit, [&] { return accept(current_.get()); });
}

bool FocusTracker::waitForWindow(std::uint64_t window, std::chrono::milliseconds limit) const
{
    return waitUntil([window](const FrontApp* app) { return app && app->window == window; }, limit);
}

} // namespace norvane::linux_workspace
