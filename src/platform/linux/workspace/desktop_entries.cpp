#include "platform/linux/workspace/desktop_entries.h"

#include "platform/linux/workspace/glib_ptr.h"

#include <future>
#include <gio/gdesktopappinfo.h>
#include <optional>
#include <thread>

namespace norvane::linux_workspace {

std::string asciiLower(std::string_view text)
{
    std::string out(text);
    for (auto& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

DesktopEntries::DesktopEntries(std::vector<DesktopEntry> entries) : entries_(std::move(entries))
{
    // The first entry wins where keys collide, so the order of GIO's list
    // (which follows directory precedence) decides.
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const auto& e = entries_[i];
        byID_.emplace(e.id, i);
        byLowerID_.emplace(asciiLower(e.id), i);
        if (!e.startupWMClass.empty()) {
            byLowerWMClass_.emplace(asciiLower(e.startupWMClass), i);
        }
        if (!e.sandboxID.empty()) {
            bySandbox_.emplace(e.sandboxID, i);
        }
    }
}

const DesktopEntry* DesktopEntries::at(const std::unordered_map<std::string, std::size_t>& map,
                                       std::string_view key) const
{
    const auto it = map.find(std::string(key));
    return it == map.end() ? nullptr : &entries_[it->second];
}

const DesktopEntry* DesktopEntries::find(std::string_view id) const
{
    return at(byID_, id);
}

const DesktopEntry* DesktopEntries::findCaseless(std::string_view id) const
{
    return at(byLowerID_, asciiLower(id));
}

const DesktopEntry* DesktopEntries::findByWMClass(std::string_view wmClass) const
{
    return at(byLowerWMClass_, asciiLower(wmClass));
}

const DesktopEntry* DesktopEntries::findBySandbox(std::string_view sandboxID) const
{
    if (const auto* e = at(bySandbox_, sandboxID)) {
        return e;
    }
    return find(sandboxID); // Flatpak entries are named after the application id
}

namespace {

constexpr const char* group = G_KEY_FILE_DESKTOP_GROUP;

std::string keyString(GKeyFile* file, const char* key)
{
    return glib::take(g_key_file_get_string(file, group, key, nullptr));
}

std::optional<DesktopEntry> readEntry(GAppInfo* info, const std::string& locale)
{
    if (!G_IS_DESKTOP_APP_INFO(info)) {
        return std::nullopt;
    }
    auto* desktop = G_DESKTOP_APP_INFO(info);
    const char* id = g_app_info_get_id(info);
    const char* path = g_desktop_app_info_get_filename(desktop);
    if (!id || !path) {
        return std::nullopt;
    }
    DesktopEntry e;
    e.id = id;
    if (constexpr std::string_view suffix = ".desktop"; e.id.ends_with(suffix)) {
        e.id.resize(e.id.size() - suffix.size());
    }
    e.path = path;
    e.shown = g_app_info_should_show(info) != FALSE;

    // GIO translates names into the process's language; ours is fixed.
    const glib::KeyFile file(g_key_file_new());
    if (g_key_file_load_from_file(file.get(), path, G_KEY_FILE_KEEP_TRANSLATIONS, nullptr)) {
        e.name = glib::take(g_key_file_get_locale_string(file.get(), group, "Name", locale.c_str(), nullptr));
        e.icon = keyString(file.get(), "Icon");
        e.startupWMClass = keyString(file.get(), "StartupWMClass");
        e.sandboxID = keyString(file.get(), "X-Flatpak");
        if (e.sandboxID.empty()) {
            e.sandboxID = keyString(file.get(), "X-SnapInstanceName");
        }
    }
    if (e.name.empty()) {
        const char* name = g_app_info_get_name(info);
        e.name = name ? name : e.id;
    }
    return e;
}

std::shared_ptr<const DesktopEntries> readAll(const std::string& locale)
{
    std::vector<DesktopEntry> entries;
    GList* all = g_app_info_get_all();
    for (GList* it = all; it; it = it->next) {
        if (auto e = readEntry(static_cast<GAppInfo*>(it->data), locale)) {
            entries.push_back(std::move(*e));
        }
    }
    g_list_free_full(all, g_object_unref);
    return std::make_shared<const DesktopEntries>(std::move(entries));
}

} // namespace

// GIO reports changes of the installed entries on the main context of the
// thread that asked for the monitor; this one runs its own.
struct DesktopEntryIndex::Monitor {
    GMainContext* context = g_main_context_new();
    GMainLoop* loop = g_main_loop_new(context, FALSE);
    std::thread thread;

    explicit Monitor(DesktopEntryIndex& index)
    {
        std::promise<void> ready;
        auto started = ready.get_future();
        thread = std::thread([this, &index, &ready] {
            g_main_context_push_thread_default(context);
            GAppInfoMonitor* monitor = g_app_info_monitor_get();
            g_signal_connect_swapped(monitor, "changed", G_CALLBACK(+[](DesktopEntryIndex* self) { self->changed(); }),
                                     &index);
            ready.set_value();
            g_main_loop_run(loop);
            g_signal_handlers_disconnect_by_data(monitor, &index);
            g_object_unref(monitor);
            g_main_context_pop_thread_default(context);
        });
        started.wait();
    }
    ~Monitor()
    {
        // Quit from inside the loop, so a loop that has not started running
        // yet still sees it.
        g_main_context_invoke(
            context,
            +[](gpointer l) {
                g_main_loop_quit(static_cast<GMainLoop*>(l));
                return G_SOURCE_REMOVE;
            },
            loop);
        thread.join();
        g_main_loop_unref(loop);
        g_main_context_unref(context);
    }
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;
};

DesktopEntryIndex::DesktopEntryIndex(std::string locale) : locale_(std::move(locale))
{
    monitor_ = std::make_unique<Monitor>(*this);
    // The first read also makes GIO watch the directories.
    auto initial = readAll(locale_);
    const std::lock_guard guard(lock_);
    if (!entries_) {
        entries_ = std::move(initial);
    }
}

DesktopEntryIndex::~DesktopEntryIndex()
{
    monitor_.reset();
}

std::shared_ptr<const DesktopEntries> DesktopEntryIndex::entries()
{
    const std::lock_guard guard(lock_);
    return entries_;
}

void DesktopEntryIndex::setChangeListener(std::function<void()> listener)
{
    const std::lock_guard guard(listenerLock_);
    listener_ = std::move(listener);
}

void DesktopEntryIndex::changed()
{
    // GIO reports one change and then waits until the entries are read
    // again, so they are read at once: that also catches the next change.
    auto fresh = readAll(locale_);
    {
        const std::lock_guard guard(lock_);
        entries_ = std::move(fresh);
    }
    const std::lock_guard guard(listenerLock_);
    if (listener_) {
        listener_();
    }
}

} // namespace norvane::linux_workspace
