#include "platform/linux/workspace/shell_bus.h"

#include "platform/linux/workspace/bus_connection.h"
#include "platform/linux/workspace/glib_ptr.h"
#include "platform/linux/workspace/shell_window_variants.h"

#include <future>
#include <mutex>
#include <thread>

namespace norvane::linux_workspace {

namespace {

constexpr const char* introspection = R"xml(<node>
  <interface name="org.norvane.Shell1">
    <method name="Hello">
      <arg name="shell" type="s" direction="in"/>
      <arg name="version" type="s" direction="in"/>
    </method>
    <method name="Activated">
      <arg name="id" type="s" direction="in"/>
      <arg name="appId" type="s" direction="in"/>
      <arg name="wmClass" type="s" direction="in"/>
      <arg name="title" type="s" direction="in"/>
      <arg name="pid" type="i" direction="in"/>
    </method>
    <method name="Windows">
      <arg name="windows" type="a(ssssibb)" direction="in"/>
    </method>
    <method name="WindowList">
      <arg name="windows" type="av" direction="in"/>
    </method>
    <method name="Status">
      <arg name="shell" type="s" direction="out"/>
      <arg name="present" type="b" direction="out"/>
      <arg name="reporting" type="b" direction="out"/>
      <arg name="msSinceLastReport" type="x" direction="out"/>
    </method>
  </interface>
</node>)xml";

constexpr int callTimeoutMs = 5000;

std::string withoutDesktopSuffix(const char* appID)
{
    std::string id = appID ? appID : "";
    constexpr std::string_view suffix = ".desktop";
    if (id.size() > suffix.size() && id.ends_with(suffix)) {
        id.resize(id.size() - suffix.size());
    }
    return id;
}

ShellWindow readWindow(const char* id, const char* appID, const char* wmClass, const char* title, gint32 pid)
{
    ShellWindow w;
    w.id = id;
    w.appID = withoutDesktopSuffix(appID);
    w.wmClass = wmClass;
    w.title = title;
    w.pid = pid > 0 ? pid : 0;
    return w;
}

std::string message(const GError* error)
{
    return error && error->message ? std::string(error->message) : std::string("unknown error");
}

} // namespace

struct ShellBus::Impl {
    std::string shellName;
    Listener listener;
    std::string busAddress;

    GMainContext* context = nullptr;
    GMainLoop* loop = nullptr;
    std::thread thread;
    std::atomic<GDBusConnection*> connection{nullptr};

    // Touched only on the bus thread.
    guint registration = 0;
    guint ownerSubscription = 0;
    gulong closedHandler = 0;

    mutable std::mutex lock;
    std::string owner;       // current owner of shellName
    std::string reportOwner; // the owner whose report was accepted last
    std::optional<std::chrono::steady_clock::time_point> lastReport;

    Impl(std::string name, Listener l, std::string address)
        : shellName(std::move(name)), listener(std::move(l)), busAddress(std::move(address))
    {}

    // --- on the bus thread -------------------------------------------------

    std::optional<std::string> setUp()
    {
        // A connection of our own (not the process's shared one), so that its
        // calls and the objects exported on it are served on this thread.
        std::string why;
        auto* conn = openBusConnection(busAddress, &why);
        if (!conn) {
            return why;
        }
        connection = conn;
        closedHandler = g_signal_connect(conn, "closed", G_CALLBACK(&Impl::onClosed), this);
        GError* raw = nullptr;

        // Follow the shell's name before asking who holds it, so no change
        // falls between the answer and the subscription.
        ownerSubscription = g_dbus_connection_signal_subscribe(
            conn, "org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged", "/org/freedesktop/DBus",
            shellName.c_str(), G_DBUS_SIGNAL_FLAGS_NONE, &Impl::onOwnerChanged, this, nullptr);

        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(introspection, &raw);
        if (!node) {
            const glib::Error error(raw);
            return "bad interface description: " + message(error.get());
        }
        static const GDBusInterfaceVTable vtable{&Impl::onMethodCall, nullptr, nullptr, {}};
        registration =
            g_dbus_connection_register_object(conn, objectPath, node->interfaces[0], &vtable, this, nullptr, &raw);
        g_dbus_node_info_unref(node);
        if (registration == 0) {
            const glib::Error error(raw);
            return "cannot export " + std::string(objectPath) + ": " + message(error.get());
        }

        setOwner(queryOwner(conn));

        // DBUS_NAME_FLAG_DO_NOT_QUEUE: fail at once when someone holds it.
        GVariant* reply =
            g_dbus_connection_call_sync(conn, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                        "RequestName", g_variant_new("(su)", busName, 4U), G_VARIANT_TYPE("(u)"),
                                        G_DBUS_CALL_FLAGS_NONE, callTimeoutMs, nullptr, &raw);
        if (!reply) {
            const glib::Error error(raw);
            return "cannot take the name " + std::string(busName) + ": " + message(error.get());
        }
        guint32 result = 0;
        g_variant_get(reply, "(u)", &result);
        g_variant_unref(reply);
        // 1: primary owner; 4: already the owner.
        if (result != 1 && result != 4) {
            return std::string(busName) + " is taken on this bus: another Norvane is running";
        }
        return std::nullopt;
    }

    std::string queryOwner(GDBusConnection* conn) const
    {
        GVariant* reply = g_dbus_connection_call_sync(
            conn, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetNameOwner",
            g_variant_new("(s)", shellName.c_str()), G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, callTimeoutMs,
            nullptr, nullptr); // NameHasNoOwner: nobody
        if (!reply) {
            return {};
        }
        const char* name = nullptr;
        g_variant_get(reply, "(&s)", &name);
        std::string out = name;
        g_variant_unref(reply);
        return out;
    }

    void tearDown()
    {
        auto* conn = connection.load();
        if (!conn) {
            return;
        }
        if (registration != 0) {
            g_dbus_connection_unregister_object(conn, registration);
            registration = 0;
        }
        if (ownerSubscription != 0) {
            g_dbus_connection_signal_unsubscribe(conn, ownerSubscription);
            ownerSubscription = 0;
        }
        if (closedHandler != 0) {
            g_signal_handler_disconnect(conn, closedHandler);
            closedHandler = 0;
        }
    }

    // After the loop has ended: closes the connection (which gives up the
    // name) and runs what GDBus queued on this context, so nothing it
    // allocated is left behind.
    void close()
    {
        drain();
        if (auto* conn = connection.exchange(nullptr)) {
            g_dbus_connection_close_sync(conn, nullptr, nullptr);
            drain();
            g_object_unref(conn);
        }
        drain();
    }

    void drain() const
    {
        while (g_main_context_iteration(context, FALSE)) {
        }
    }

    void setOwner(std::string name)
    {
        const std::lock_guard guard(lock);
        owner = std::move(name);
    }

    bool fromShell(const char* sender) const
    {
        const std::lock_guard guard(lock);
        return sender && !owner.empty() && owner == sender;
    }

    void accepted()
    {
        const std::lock_guard guard(lock);
        lastReport = std::chrono::steady_clock::now();
        reportOwner = owner;
    }

    void presence(bool present) const
    {
        if (listener.shellPresence) {
            listener.shellPresence(present);
        }
    }

    static void onOwnerChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                               GVariant* parameters, gpointer self)
    {
        auto* impl = static_cast<Impl*>(self);
        const char* name = nullptr;
        const char* oldOwner = nullptr;
        const char* newOwner = nullptr;
        g_variant_get(parameters, "(&s&s&s)", &name, &oldOwner, &newOwner);
        if (impl->shellName != name) {
            return;
        }
        impl->setOwner(newOwner);
        if (*oldOwner != '\0') {
            impl->presence(false);
        }
        if (*newOwner != '\0') {
            impl->presence(true);
        }
    }

    static void onClosed(GDBusConnection*, gboolean, GError*, gpointer self)
    {
        // The bus went away: nobody can report any more.
        auto* impl = static_cast<Impl*>(self);
        bool had = false;
        {
            const std::lock_guard guard(impl->lock);
            had = !impl->owner.empty();
            impl->owner.clear();
        }
        if (had) {
            impl->presence(false);
        }
    }

    static void onMethodCall(GDBusConnection*, const gchar* sender, const gchar*, const gchar*, const gchar* method,
                             GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self)
    {
        auto* impl = static_cast<Impl*>(self);
        const std::string_view name(method);
        if (name == "Status") {
            impl->returnStatus(invocation);
            return;
        }
        if (!impl->fromShell(sender)) {
            const std::string why = "only the owner of " + impl->shellName + " reports windows here";
            g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.AccessDenied",
                                                       why.c_str());
            return;
        }
        impl->accepted();
        // Answer first: the shell's helper must never wait on our listener.
        g_dbus_method_invocation_return_value(invocation, nullptr);
        if (name == "Hello") {
            const char* shell = nullptr;
            const char* version = nullptr;
            g_variant_get(parameters, "(&s&s)", &shell, &version);
            if (impl->listener.hello) {
                impl->listener.hello(shell, version);
            }
        } else if (name == "Activated") {
            const char* id = nullptr;
            const char* appID = nullptr;
            const char* wmClass = nullptr;
            const char* title = nullptr;
            gint32 pid = 0;
            g_variant_get(parameters, "(&s&s&s&si)", &id, &appID, &wmClass, &title, &pid);
            if (!impl->listener.activated) {
                return;
            }
            if (*id == '\0') {
                impl->listener.activated(nullptr);
            } else {
                const auto window = readWindow(id, appID, wmClass, title, pid);
                impl->listener.activated(&window);
            }
        } else if (name == "Windows") {
            impl->deliverWindows(parameters);
        } else if (name == "WindowList" && impl->listener.windows) {
            impl->listener.windows(shellWindowsFromVariants(parameters));
        }
    }

    void deliverWindows(GVariant* parameters) const
    {
        if (!listener.windows) {
            return;
        }
        GVariantIter* iter = nullptr;
        g_variant_get(parameters, "(a(ssssibb))", &iter);
        ShellWindowList list;
        list.reserve(g_variant_iter_n_children(iter));
        const char* id = nullptr;
        const char* appID = nullptr;
        const char* wmClass = nullptr;
        const char* title = nullptr;
        gint32 pid = 0;
        gboolean userFacing = FALSE;
        gboolean minimized = FALSE;
        while (
            g_variant_iter_next(iter, "(&s&s&s&sibb)", &id, &appID, &wmClass, &title, &pid, &userFacing, &minimized)) {
            if (*id == '\0') {
                continue; // a window without an id cannot be acted on
            }
            auto w = readWindow(id, appID, wmClass, title, pid);
            w.userFacing = userFacing != FALSE;
            w.minimized = minimized != FALSE;
            list.push_back(std::move(w));
        }
        g_variant_iter_free(iter);
        listener.windows(std::move(list));
    }

    void returnStatus(GDBusMethodInvocation* invocation) const
    {
        bool present = false;
        bool reporting = false;
        gint64 since = -1;
        {
            const std::lock_guard guard(lock);
            present = !owner.empty();
            reporting = present && reportOwner == owner && lastReport.has_value();
            if (lastReport) {
                since = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                              *lastReport)
                            .count();
            }
        }
        g_dbus_method_invocation_return_value(invocation,
                                              g_variant_new("(sbbx)", shellName.c_str(), present, reporting, since));
    }

    void run(std::promise<std::optional<std::string>>& ready)
    {
        g_main_context_push_thread_default(context);
        auto failure = setUp();
        const bool ok = !failure;
        bool present = false;
        if (ok) {
            const std::lock_guard guard(lock);
            present = !owner.empty();
        }
        ready.set_value(std::move(failure)); // `ready` is gone after this
        if (ok) {
            if (present) {
                presence(true);
            }
            g_main_loop_run(loop);
        }
        tearDown();
        close();
        g_main_context_pop_thread_default(context);
    }
};

ShellBus::ShellBus(std::string shellName, Listener listener, std::string busAddress)
    : impl_(std::make_unique<Impl>(std::move(shellName), std::move(listener), std::move(busAddress)))
{}

ShellBus::~ShellBus()
{
    stop();
}

std::optional<std::string> ShellBus::start()
{
    if (impl_->thread.joinable()) {
        return std::nullopt;
    }
    impl_->context = g_main_context_new();
    impl_->loop = g_main_loop_new(impl_->context, FALSE);
    std::promise<std::optional<std::string>> ready;
    auto result = ready.get_future();
    impl_->thread = std::thread([impl = impl_.get(), &ready] { impl->run(ready); });
    auto failure = result.get();
    if (failure) {
        impl_->thread.join();
        g_main_loop_unref(impl_->loop);
        g_main_context_unref(impl_->context);
        impl_->loop = nullptr;
        impl_->context = nullptr;
        const std::lock_guard guard(impl_->lock);
        impl_->owner.clear();
    }
    return failure;
}

void ShellBus::stop()
{
    if (!impl_->thread.joinable()) {
        return;
    }
    // Quit from inside the loop: g_main_context_invoke would run a quit right
    // here if the thread has not entered the loop yet, and the loop would
    // then never end.
    GSource* quit = g_idle_source_new();
    g_source_set_priority(quit, G_PRIORITY_HIGH);
    g_source_set_callback(
        quit,
        [](gpointer loop) {
            g_main_loop_quit(static_cast<GMainLoop*>(loop));
            return G_SOURCE_REMOVE;
        },
        impl_->loop, nullptr);
    g_source_attach(quit, impl_->context);
    g_source_unref(quit);
    impl_->thread.join();
    g_main_loop_unref(impl_->loop);
    g_main_context_unref(impl_->context);
    impl_->loop = nullptr;
    impl_->context = nullptr;
    const std::lock_guard guard(impl_->lock);
    impl_->owner.clear();
    impl_->reportOwner.clear();
}

GDBusConnection* ShellBus::connection() const noexcept
{
    return impl_->connection.load();
}

std::string ShellBus::shellOwner() const
{
    const std::lock_guard guard(impl_->lock);
    return impl_->owner;
}

std::optional<std::chrono::steady_clock::time_point> ShellBus::lastReport() const
{
    const std::lock_guard guard(impl_->lock);
    return impl_->lastReport;
}

} // namespace norvane::linux_workspace
