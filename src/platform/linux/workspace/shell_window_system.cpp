#include "platform/linux/workspace/shell_window_system.h"

#include "platform/linux/workspace/app_identity.h"
#include "platform/linux/workspace/glib_ptr.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace norvane::linux_workspace {

struct ShellWindowSystem::Impl {
    std::unique_ptr<ShellCommands> commands;
    DesktopEntryIndex& entries;
    FocusTracker& tracker;
    std::unique_ptr<ShellBus> bus;

    // Starting and stopping the helper, from start()/stop() on the main
    // thread and from the bus thread when the shell comes back. Held across
    // those calls so a restart never loads the helper behind stop()'s back.
    std::mutex helperLock;
    bool running = false;
    std::string helperOwner; // the shell connection the helper was started for

    // Windows as last reported, and the numbers they go by.
    struct Window {
        std::string textID;
        WindowInfo info;
    };
    mutable std::mutex lock;
    GDBusConnection* conn = nullptr; // our reference while running
    std::unordered_map<std::string, std::uint64_t> numbers;
    std::unordered_map<std::uint64_t, std::string> texts;
    std::uint64_t nextNumber = 1;
    std::vector<Window> list; // most recently focused first
    std::string frontText;
    std::atomic<bool> reporting{false}; // a report arrived from the shell's helper

    Impl(std::unique_ptr<ShellCommands> c, DesktopEntryIndex& e, FocusTracker& t)
        : commands(std::move(c)), entries(e), tracker(t)
    {}

    // --- on the bus thread -------------------------------------------------

    std::uint64_t numberFor(const std::string& text)
    {
        const auto [it, added] = numbers.try_emplace(text, nextNumber);
        if (added) {
            texts.emplace(nextNumber++, text);
        }
        return it->second;
    }

    WindowInfo describe(const ShellWindow& w)
    {
        const WindowIdentity identity{w.appID, w.wmClass, {}, w.pid};
        return {numberFor(w.id), resolveAppID(*entries.entries(), identity, processSandbox).value_or(std::string()),
                w.pid, w.userFacing, w.minimized};
    }

    void activated(const ShellWindow* front)
    {
        reporting = true;
        std::shared_ptr<const FrontApp> app;
        {
            const std::lock_guard guard(lock);
            if (!front) {
                frontText.clear();
            } else {
                auto info = describe(*front);
                frontText = front->id;
                // Keep the list's order current even when the shell sends
                // no new list with the activation.
                const auto it = std::find_if(list.begin(), list.end(),
                                             [&](const Window& w) { return w.info.window == info.window; });
                if (it != list.end()) {
                    info.userFacing = it->info.userFacing;
                    list.erase(it);
                }
                info.hidden = false;
                list.insert(list.begin(), Window{front->id, info});
                app = std::make_shared<const FrontApp>(
                    FrontApp{info.appID.empty() ? std::nullopt : std::optional(info.appID), info.pid, info.window});
            }
        }
        tracker.publish(app);
    }

    void windowsReported(const ShellWindowList& report)
    {
        reporting = true;
        const std::lock_guard guard(lock);
        list.clear();
        list.reserve(report.size());
        for (const auto& w : report) {
            list.push_back(Window{w.id, describe(w)});
        }
        // Forget the numbers of windows that are gone; numbers are never
        // reused, so a stale one can only miss.
        for (auto it = numbers.begin(); it != numbers.end();) {
            const bool listed =
                std::any_of(list.begin(), list.end(), [&](const Window& w) { return w.textID == it->first; });
            if (listed || it->first == frontText) {
                ++it;
            } else {
                texts.erase(it->second);
                it = numbers.erase(it);
            }
        }
    }

    void shellPresence(bool present)
    {
        if (!present) {
            reporting = false;
            {
                const std::lock_guard guard(lock);
                list.clear();
                frontText.clear();
            }
            tracker.publish(nullptr); // nobody can say what is in front now
            return;
        }
        const std::lock_guard guard(helperLock);
        const auto owner = bus->shellOwner();
        if (!running || owner.empty() || owner == helperOwner) {
            return;
        }
        // The shell restarted: its helper went with it.
        helperOwner = owner;
        if (const auto why = commands->startHelper(bus->connection())) {
            std::fprintf(stderr, "norvane: %s restarted and its window reports cannot resume: %s\n",
                         commands->shellLabel().c_str(), why->c_str());
        }
    }

    // --- any thread ----------------------------------------------------------

    std::optional<std::string> textFor(std::uint64_t number) const
    {
        const std::lock_guard guard(lock);
        const auto it = texts.find(number);
        return it == texts.end() ? std::nullopt : std::optional(it->second);
    }

    // A reference of the caller's own, so a concurrent stop() cannot free
    // the connection under a call.
    glib::Object<GDBusConnection> connection() const
    {
        const std::lock_guard guard(lock);
        return glib::Object<GDBusConnection>(conn ? G_DBUS_CONNECTION(g_object_ref(conn)) : nullptr);
    }

    template <typename Call> bool command(std::uint64_t number, Call call) const
    {
        const auto text = textFor(number);
        const auto c = connection();
        return text && c && call(c.get(), *text);
    }
};

ShellWindowSystem::ShellWindowSystem(std::unique_ptr<ShellCommands> commands, DesktopEntryIndex& entries,
                                     FocusTracker& tracker, std::string busAddress)
    : impl_(std::make_unique<Impl>(std::move(commands), entries, tracker))
{
    Impl* impl = impl_.get();
    ShellBus::Listener listener;
    listener.activated = [impl](const ShellWindow* front) { impl->activated(front); };
    listener.windows = [impl](const ShellWindowList& windows) { impl->windowsReported(windows); };
    listener.hello = [impl](const std::string&, const std::string&) { impl->reporting = true; };
    listener.shellPresence = [impl](bool present) { impl->shellPresence(present); };
    impl_->bus =
        std::make_unique<ShellBus>(impl_->commands->shellBusName(), std::move(listener), std::move(busAddress));
}

ShellWindowSystem::~ShellWindowSystem()
{
    stop();
}

std::optional<std::string> ShellWindowSystem::start()
{
    std::unique_lock guard(impl_->helperLock);
    if (impl_->running) {
        return std::nullopt;
    }
    if (auto why = impl_->bus->start()) {
        return why;
    }
    auto failure = [&]() -> std::optional<std::string> {
        const auto owner = impl_->bus->shellOwner();
        if (owner.empty()) {
            return impl_->commands->shellLabel() + " is not on the session bus (" + impl_->commands->shellBusName() +
                   " has no owner)";
        }
        impl_->helperOwner = owner;
        return impl_->commands->startHelper(impl_->bus->connection());
    }();
    if (failure) {
        impl_->helperOwner.clear();
        guard.unlock(); // the bus thread may be waiting for it
        impl_->bus->stop();
        return failure;
    }
    {
        const std::lock_guard lock(impl_->lock);
        impl_->conn = G_DBUS_CONNECTION(g_object_ref(impl_->bus->connection()));
    }
    impl_->running = true;
    return std::nullopt;
}

void ShellWindowSystem::stop()
{
    GDBusConnection* conn = nullptr;
    {
        const std::lock_guard guard(impl_->helperLock);
        if (!impl_->running) {
            return;
        }
        impl_->running = false;
        impl_->commands->stopHelper(impl_->bus->connection());
        impl_->helperOwner.clear();
        const std::lock_guard lock(impl_->lock);
        conn = std::exchange(impl_->conn, nullptr);
    }
    impl_->bus->stop();
    if (conn) {
        g_object_unref(conn);
    }
    impl_->reporting = false;
    const std::lock_guard lock(impl_->lock);
    impl_->list.clear();
    impl_->frontText.clear();
}

std::vector<WindowInfo> ShellWindowSystem::windows()
{
    const std::lock_guard guard(impl_->lock);
    std::vector<WindowInfo> out;
    out.reserve(impl_->list.size());
    for (const auto& w : impl_->list) {
        out.push_back(w.info);
    }
    return out;
}

bool ShellWindowSystem::activate(std::uint64_t window)
{
    return impl_->command(
        window, [this](GDBusConnection* c, const std::string& id) { return impl_->commands->activate(c, id); });
}

bool ShellWindowSystem::hide(std::uint64_t window)
{
    return impl_->command(
        window, [this](GDBusConnection* c, const std::string& id) { return impl_->commands->minimize(c, id); });
}

bool ShellWindowSystem::helperReporting() const
{
    return impl_->reporting;
}

} // namespace norvane::linux_workspace
