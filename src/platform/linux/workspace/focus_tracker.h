#pragma once

#include "platform/workspace.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace norvane::linux_workspace {

// Where every focus source reports the window in front. It publishes the
// engine's snapshot (one atomic swap, so the input thread never waits), tells
// the activation listener when another application comes to the front, and
// lets other threads wait for a given window to take focus.
class FocusTracker {
public:
    // Called on the focus source's thread with the newly activated
    // application; the app forwards it to the main thread.
    using ActivationListener = std::function<void(const FrontApp&)>;

    explicit FocusTracker(FrontmostSnapshot& snapshot, ActivationListener onActivate = {});

    // Reports the window now in front (nullptr: none, e.g. the desktop or an
    // empty workspace). Repeats of the same window publish nothing new. The
    // listener hears of each application that comes to the front after
    // another one.
    void publish(const std::shared_ptr<const FrontApp>& app);

    [[nodiscard]] std::shared_ptr<const FrontApp> current() const;

    // Waits until the front window satisfies `accept` or the limit passes;
    // returns whether it did. `accept` sees nullptr when nothing is in front.
    bool waitUntil(const std::function<bool(const FrontApp*)>& accept, std::chrono::milliseconds limit) const;
    bool waitForWindow(std::uint64_t window, std::chrono::milliseconds limit) const;

private:
    FrontmostSnapshot& snapshot_;
    ActivationListener onActivate_;
    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::shared_ptr<const FrontApp> current_;
    std::shared_ptr<const FrontApp> lastActivated_;
};

} // namespace norvane::linux_workspace
