#include "platform/linux/workspace/x11_window_system.h"

#include "platform/linux/common/poll_thread.h"
#include "platform/linux/workspace/x11_connection.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <poll.h>

namespace norvane::linux_workspace {

namespace {

// Windows remembered in focus order; more than any desktop has open.
constexpr std::size_t recentLimit = 256;

} // namespace

struct X11WindowSystem::Impl {
    std::string display;
    DesktopEntryIndex& entries;
    FocusTracker& tracker;

    // The focus thread owns `events`; everyone else shares `commands`.
    // (One connection for both would let a reply wait on another thread
    // swallow the event the focus thread is polling for.)
    X11Connection events;
    std::mutex commandLock;
    X11Connection commands;

    linux_common::PollThread thread;

    xcb_window_t watched = XCB_WINDOW_NONE; // the active window, followed until it goes away

    std::mutex recentLock;
    std::vector<std::uint64_t> recent; // most recently focused first

    Impl(std::string d, DesktopEntryIndex& e, FocusTracker& t) : display(std::move(d)), entries(e), tracker(t) {}

    std::string resolve(const WindowIdentity& identity) const
    {
        return resolveAppID(*entries.entries(), identity, processSandbox).value_or(std::string());
    }

    void noteFocused(std::uint64_t window)
    {
        const std::lock_guard guard(recentLock);
        std::erase(recent, window);
        recent.insert(recent.begin(), window);
        if (recent.size() > recentLimit) {
            recent.pop_back();
        }
    }

    // Reads the active window and publishes it. The desktop itself having
    // focus shows as window 0: nothing is in front then. Some window
    // managers leave the property naming a window that was closed or
    // minimised with nothing left to focus (`gone`), or one that no longer
    // exists: nothing is in front then either.
    void refresh(xcb_window_t gone = XCB_WINDOW_NONE)
    {
        const auto window = events.activeWindow();
        if (window == XCB_WINDOW_NONE || window == events.root() || window == gone) {
            watched = XCB_WINDOW_NONE;
            tracker.publish(nullptr);
            return;
        }
        // Watch before reading: the server handles requests in order, so a
        // window destroyed after the watch sends DestroyNotify, and one
        // destroyed before it reads as gone below. Reading first would miss a
        // window closed in between and leave it in front for good.
        if (window != watched) {
            events.watchWindow(window);
            watched = window;
        }
        X11WindowProps props;
        const auto identity = events.identity(window, &props);
        if (!props.exists) {
            watched = XCB_WINDOW_NONE;
            tracker.publish(nullptr);
            return;
        }
        auto appID = resolve(identity);
        noteFocused(window);
        tracker.publish(std::make_shared<const FrontApp>(
            FrontApp{appID.empty() ? std::nullopt : std::optional(std::move(appID)), identity.pid, window}));
    }

    void handle(const xcb_generic_event_t* event)
    {
        switch (event->response_type & 0x7F) {
        case XCB_PROPERTY_NOTIFY: {
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            if (notify->window == events.root() && notify->atom == events.activeWindowAtom()) {
                refresh();
            }
            break;
        }
        case XCB_DESTROY_NOTIFY:
            if (reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == watched) {
                refresh(watched);
            }
            break;
        case XCB_UNMAP_NOTIFY:
            if (reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->window == watched) {
                refresh(watched);
            }
            break;
        default:
            break;
        }
    }

    // On the focus thread, whenever the connection is readable (and once at
    // the start: replies read during refresh() may have queued events).
    bool drain()
    {
        while (auto* event = xcb_poll_for_event(events.raw())) {
            handle(event);
            std::free(event);
        }
        if (events.broken()) {
            tracker.publish(nullptr); // the X server went away: nothing is known
            return false;
        }
        return true;
    }
};

X11WindowSystem::X11WindowSystem(std::string display, DesktopEntryIndex& entries, FocusTracker& tracker)
    : impl_(std::make_unique<Impl>(std::move(display), entries, tracker))
{}

X11WindowSystem::~X11WindowSystem()
{
    stop();
}

std::optional<std::string> X11WindowSystem::start()
{
    if (impl_->thread.running()) {
        return std::nullopt;
    }
    if (auto error = impl_->events.open(impl_->display)) {
        return error;
    }
    if (auto error = impl_->commands.open(impl_->display)) {
        return error;
    }
    // Watch before the first read, so no change falls between the two.
    impl_->events.watchRoot();
    impl_->refresh();
    if (!impl_->thread.start(
            impl_->events.fd(), [impl = impl_.get()] { return impl->drain(); }, true)) {
        return "cannot start the focus thread";
    }
    return std::nullopt;
}

void X11WindowSystem::stop()
{
    impl_->thread.stop();
}

std::vector<WindowInfo> X11WindowSystem::windows()
{
    const std::lock_guard guard(impl_->commandLock);
    auto& x = impl_->commands;
    if (x.broken()) {
        return {};
    }
    const auto stacking = x.clientList(); // bottom first
    std::vector<xcb_window_t> order;
    order.reserve(stacking.size());
    {
        const std::lock_guard recentGuard(impl_->recentLock);
        for (const auto w : impl_->recent) {
            if (std::find(stacking.begin(), stacking.end(), w) != stacking.end()) {
                order.push_back(static_cast<xcb_window_t>(w));
            }
        }
    }
    // Then the rest, top of the stack first.
    std::for_each(stacking.rbegin(), stacking.rend(), [&](xcb_window_t w) {
        if (std::find(order.begin(), order.end(), w) == order.end()) {
            order.push_back(w);
        }
    });
    std::vector<WindowInfo> out;
    out.reserve(order.size());
    for (const auto w : order) {
        X11WindowProps props;
        const auto identity = x.identity(w, &props);
        if (!props.exists) {
            continue;
        }
        WindowInfo info;
        info.window = w;
        info.appID = impl_->resolve(identity);
        info.pid = identity.pid;
        info.userFacing = props.normalType && !props.skipTaskbar && props.transientFor == XCB_WINDOW_NONE;
        info.hidden = props.hidden;
        out.push_back(std::move(info));
    }
    return out;
}

bool X11WindowSystem::activate(std::uint64_t window)
{
    const std::lock_guard guard(impl_->commandLock);
    if (impl_->commands.broken()) {
        return false;
    }
    impl_->commands.requestActivate(static_cast<xcb_window_t>(window));
    return !impl_->commands.broken();
}

bool X11WindowSystem::hide(std::uint64_t window)
{
    const std::lock_guard guard(impl_->commandLock);
    if (impl_->commands.broken()) {
        return false;
    }
    impl_->commands.requestIconify(static_cast<xcb_window_t>(window));
    return !impl_->commands.broken();
}

} // namespace norvane::linux_workspace
