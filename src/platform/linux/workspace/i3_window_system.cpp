#include "platform/linux/workspace/i3_window_system.h"

#include "platform/linux/common/poll_thread.h"
#include "platform/linux/workspace/i3_ipc.h"
#include "platform/linux/workspace/i3_tree.h"
#include "platform/linux/workspace/x11_connection.h"

#include <cerrno>
#include <mutex>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <set>

namespace norvane::linux_workspace {

struct I3WindowSystem::Impl {
    std::string socketPath;
    DesktopEntryIndex& entries;
    FocusTracker& tracker;
    std::optional<std::string> x11Display;

    std::mutex xLock;
    std::unique_ptr<X11Connection> x; // i3 only: process ids and GTK ids

    linux_common::UnixSocket events;
    linux_common::PollThread thread;

    std::mutex hiddenLock;
    std::set<std::int64_t> tiledBeforeHiding;

    Impl(std::string path, DesktopEntryIndex& e, FocusTracker& t, std::optional<std::string> display)
        : socketPath(std::move(path)), entries(e), tracker(t), x11Display(std::move(display))
    {}

    void complete(I3Window& w)
    {
        if (w.xWindow == 0 || (w.identity.pid != 0 && !w.identity.appID.empty())) {
            return;
        }
        const std::lock_guard guard(xLock);
        if (!x || x->broken()) {
            return;
        }
        const auto props = x->properties(w.xWindow);
        if (w.identity.pid == 0) {
            w.identity.pid = props.pid;
        }
        if (w.identity.appID.empty()) {
            w.identity.appID = props.gtkAppID;
        }
    }

    std::string resolve(const WindowIdentity& identity) const
    {
        return resolveAppID(*entries.entries(), identity, processSandbox).value_or(std::string());
    }

    void publish(I3Window w)
    {
        complete(w);
        auto appID = resolve(w.identity);
        tracker.publish(
            std::make_shared<const FrontApp>(FrontApp{appID.empty() ? std::nullopt : std::optional(std::move(appID)),
                                                      w.identity.pid, static_cast<std::uint64_t>(w.conID)}));
    }

    std::optional<I3Tree> tree() const
    {
        const auto reply = i3ipc::request(socketPath, i3ipc::Request::getTree, "");
        return reply ? parseI3Tree(*reply) : std::nullopt;
    }

    void refreshFromTree()
    {
        const auto t = tree();
        if (!t) {
            return;
        }
        if (t->focused) {
            publish(*t->focused);
        } else {
            tracker.publish(nullptr);
        }
    }

    bool command(const std::string& text) const
    {
        const auto reply = i3ipc::request(socketPath, i3ipc::Request::runCommand, text);
        if (!reply) {
            return false;
        }
        const auto results = nlohmann::json::parse(*reply, nullptr, false);
        if (!results.is_array() || results.empty()) {
            return false;
        }
        for (const auto& r : results) {
            const auto ok = r.is_object() ? r.find("success") : r.end();
            if (!r.is_object() || ok == r.end() || !ok->is_boolean() || !ok->get<bool>()) {
                return false;
            }
        }
        return true;
    }

    void handle(const i3ipc::Message& message)
    {
        if ((message.type & i3ipc::eventBit) == 0) {
            return;
        }
        const auto event = message.type & ~i3ipc::eventBit;
        if (event == static_cast<std::uint32_t>(i3ipc::Event::window)) {
            std::string change;
            auto w = parseI3WindowEvent(message.payload, &change);
            if (change == "focus" && w) {
                publish(std::move(*w));
            } else if (change == "close" || change == "move" || change == "floating") {
                refreshFromTree();
            }
        } else if (event == static_cast<std::uint32_t>(i3ipc::Event::workspace)) {
            // Switching to an empty workspace brings no window event.
            refreshFromTree();
        }
    }

    std::optional<std::string> subscribe()
    {
        if (auto error = events.connect(socketPath)) {
            return error;
        }
        // Subscribe before reading the tree, so no change falls in between.
        if (!i3ipc::send(events, i3ipc::Request::subscribe, R"(["window","workspace","shutdown"])")) {
            return "cannot subscribe to " + socketPath;
        }
        const auto reply = i3ipc::receive(events);
        if (!reply || reply->payload.find("true") == std::string::npos) {
            return "the window manager refused the subscription";
        }
        refreshFromTree();
        return std::nullopt;
    }

    // Tries again for a while; false when stopped or the window manager
    // stays away.
    bool reconnect()
    {
        events.close();
        for (int attempt = 0; attempt < 40; ++attempt) {
            if (!thread.sleep(std::chrono::milliseconds(250))) {
                return false;
            }
            if (!subscribe()) {
                return true;
            }
        }
        return false;
    }

    // On the focus thread, whenever the event connection is readable.
    bool receive()
    {
        const auto message = i3ipc::receive(events);
        const bool shutdown =
            message && message->type == (i3ipc::eventBit | static_cast<std::uint32_t>(i3ipc::Event::shutdown));
        if (!message || shutdown) {
            // Gone, or restarting in place (as after a configuration
            // change): follow the new instance once it listens.
            tracker.publish(nullptr);
            if (!reconnect()) {
                return false;
            }
            thread.watch(events.fd());
            return true;
        }
        handle(*message);
        return true;
    }
};

I3WindowSystem::I3WindowSystem(std::string socketPath, DesktopEntryIndex& entries, FocusTracker& tracker,
                               std::optional<std::string> x11Display)
    : impl_(std::make_unique<Impl>(std::move(socketPath), entries, tracker, std::move(x11Display)))
{}

I3WindowSystem::~I3WindowSystem()
{
    stop();
}

std::optional<std::string> I3WindowSystem::start()
{
    if (impl_->thread.running()) {
        return std::nullopt;
    }
    if (impl_->x11Display) {
        auto x = std::make_unique<X11Connection>();
        if (!x->open(*impl_->x11Display)) {
            impl_->x = std::move(x);
        }
    }
    if (auto error = impl_->subscribe()) {
        impl_->events.close();
        return error;
    }
    if (!impl_->thread.start(impl_->events.fd(), [impl = impl_.get()] { return impl->receive(); })) {
        impl_->events.close();
        return "cannot start the focus thread";
    }
    return std::nullopt;
}

void I3WindowSystem::stop()
{
    impl_->thread.stop();
    impl_->events.close();
}

std::vector<WindowInfo> I3WindowSystem::windows()
{
    auto tree = impl_->tree();
    if (!tree) {
        return {};
    }
    std::vector<WindowInfo> out;
    out.reserve(tree->windows.size());
    for (auto& w : tree->windows) {
        impl_->complete(w);
        out.push_back({static_cast<std::uint64_t>(w.conID), impl_->resolve(w.identity), w.identity.pid, w.userFacing,
                       w.scratchpad});
    }
    return out;
}

bool I3WindowSystem::activate(std::uint64_t window)
{
    const auto con = std::to_string(window);
    // Focusing a window in the scratchpad shows it (floating).
    if (!impl_->command("[con_id=" + con + "] focus")) {
        return false;
    }
    bool wasTiled = false;
    {
        const std::lock_guard guard(impl_->hiddenLock);
        wasTiled = impl_->tiledBeforeHiding.erase(static_cast<std::int64_t>(window)) > 0;
    }
    return !wasTiled || impl_->command("[con_id=" + con + "] floating disable");
}

bool I3WindowSystem::hide(std::uint64_t window)
{
    const auto id = static_cast<std::int64_t>(window);
    if (const auto tree = impl_->tree()) {
        for (const auto& w : tree->windows) {
            if (w.conID == id && !w.floating) {
                const std::lock_guard guard(impl_->hiddenLock);
                impl_->tiledBeforeHiding.insert(id);
            }
        }
    }
    return impl_->command("[con_id=" + std::to_string(window) + "] move scratchpad");
}

} // namespace norvane::linux_workspace
