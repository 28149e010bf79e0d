#include "platform/linux/workspace/hyprland_window_system.h"

#include "platform/linux/common/json_text.h"
#include "platform/linux/common/poll_thread.h"
#include "platform/linux/common/unix_socket.h"
#include "platform/linux/workspace/app_identity.h"
#include "platform/linux/workspace/hyprland_keys.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <nlohmann/json.hpp>
#include <poll.h>

namespace norvane::linux_workspace {

using linux_common::jsonText;

namespace {

using nlohmann::json;

bool flag(const json& node, const char* key, bool fallback)
{
    const auto it = node.find(key);
    return it != node.end() && it->is_boolean() ? it->get<bool>() : fallback;
}

std::int64_t number(const json& node, const char* key)
{
    const auto it = node.find(key);
    return it != node.end() && it->is_number_integer() ? it->get<std::int64_t>() : 0;
}

// "0x55d0c1a2b3c0" (or without the prefix, as events write it).
std::uint64_t parseAddress(std::string_view s)
{
    if (s.starts_with("0x")) {
        s.remove_prefix(2);
    }
    std::uint64_t value = 0;
    std::from_chars(s.data(), s.data() + s.size(), value, 16);
    return value;
}

std::string formatAddress(std::uint64_t address)
{
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, address, 16).ptr;
    return "0x" + std::string(buffer, end);
}

struct Client {
    std::uint64_t address = 0;
    WindowIdentity identity;
    std::string workspace;
    std::int64_t focusOrder = 0;
    bool mapped = true;
};

std::optional<Client> readClient(const json& node)
{
    if (!node.is_object()) {
        return std::nullopt;
    }
    Client c;
    c.address = parseAddress(jsonText(node, "address"));
    if (c.address == 0) {
        return std::nullopt;
    }
    // A Wayland window's class is its app_id; an XWayland one's is WM_CLASS.
    const auto cls = jsonText(node, "class");
    const bool xwayland = flag(node, "xwayland", false);
    (xwayland ? c.identity.wmClass : c.identity.appID) = cls;
    c.identity.wmInstance = jsonText(node, "initialClass");
    c.identity.pid = static_cast<int>(number(node, "pid"));
    if (const auto ws = node.find("workspace"); ws != node.end() && ws->is_object()) {
        c.workspace = jsonText(*ws, "name");
    }
    c.focusOrder = number(node, "focusHistoryID");
    c.mapped = flag(node, "mapped", true);
    return c;
}

} // namespace

struct HyprlandWindowSystem::Impl {
    std::string commandSocket;
    std::string eventSocket;
    DesktopEntryIndex& entries;
    FocusTracker& tracker;

    linux_common::UnixSocket events;
    linux_common::PollThread thread;
    std::string pending; // a partial event line

    Impl(const std::string& dir, DesktopEntryIndex& e, FocusTracker& t)
        : commandSocket(dir + "/.socket.sock"), eventSocket(dir + "/.socket2.sock"), entries(e), tracker(t)
    {}

    std::optional<std::string> request(const std::string& text) const
    {
        linux_common::UnixSocket socket;
        if (socket.connect(commandSocket) || !socket.sendAll(text)) {
            return std::nullopt;
        }
        return socket.receiveAll();
    }

    bool dispatch(const std::string& args) const
    {
        const auto reply = request("dispatch " + args);
        return reply && *reply == "ok";
    }

    std::optional<json> query(const char* what) const
    {
        const auto reply = request(std::string("j/") + what);
        if (!reply) {
            return std::nullopt;
        }
        auto parsed = json::parse(*reply, nullptr, false);
        if (parsed.is_discarded()) {
            return std::nullopt;
        }
        return parsed;
    }

    std::vector<Client> clients() const
    {
        std::vector<Client> out;
        const auto list = query("clients");
        if (!list || !list->is_array()) {
            return out;
        }
        for (const auto& node : *list) {
            if (auto c = readClient(node)) {
                out.push_back(std::move(*c));
            }
        }
        std::stable_sort(out.begin(), out.end(), [](const Client& a, const Client& b) {
            // -1 (never focused) after everything else.
            const auto key = [](const Client& c) { return c.focusOrder < 0 ? INT64_MAX : c.focusOrder; };
            return key(a) < key(b);
        });
        return out;
    }

    std::string resolve(const WindowIdentity& identity) const
    {
        return resolveAppID(*entries.entries(), identity, processSandbox).value_or(std::string());
    }

    void refresh()
    {
        const auto active = query("activewindow");
        if (!active) {
            return;
        }
        const auto client = readClient(*active);
        if (!client) {
            tracker.publish(nullptr); // "{}": nothing has focus
            return;
        }
        auto appID = resolve(client->identity);
        tracker.publish(std::make_shared<const FrontApp>(FrontApp{
            appID.empty() ? std::nullopt : std::optional(std::move(appID)), client->identity.pid, client->address}));
    }

    void handleLine(std::string_view line)
    {
        const auto sep = line.find(">>");
        if (sep == std::string_view::npos) {
            return;
        }
        const auto name = line.substr(0, sep);
        // activewindowv2 announces every focus change (empty when focus goes
        // to nothing); the others can leave focus elsewhere without one.
        if (name == "activewindowv2" || name == "closewindow" || name == "workspacev2" || name == "movewindowv2" ||
            name == "focusedmon") {
            refresh();
        }
    }

    // On the focus thread, whenever the event socket is readable.
    bool receive()
    {
        const auto chunk = events.receiveSome();
        if (!chunk) {
            tracker.publish(nullptr); // the compositor went away: nothing is known
            return false;
        }
        pending += *chunk;
        std::size_t start = 0;
        for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n', start)) {
            handleLine(std::string_view(pending).substr(start, end - start));
            start = end + 1;
        }
        pending.erase(0, start);
        return true;
    }
};

HyprlandWindowSystem::HyprlandWindowSystem(const std::string& socketDir, DesktopEntryIndex& entries,
                                           FocusTracker& tracker)
    : impl_(std::make_unique<Impl>(socketDir, entries, tracker))
{}

HyprlandWindowSystem::~HyprlandWindowSystem()
{
    stop();
}

std::optional<std::string> HyprlandWindowSystem::start()
{
    if (impl_->thread.running()) {
        return std::nullopt;
    }
    if (auto error = impl_->events.connect(impl_->eventSocket)) {
        return error;
    }
    impl_->refresh();
    if (!impl_->thread.start(impl_->events.fd(), [impl = impl_.get()] { return impl->receive(); })) {
        impl_->events.close();
        return "cannot start the focus thread";
    }
    return std::nullopt;
}

void HyprlandWindowSystem::stop()
{
    impl_->thread.stop();
    impl_->events.close();
}

std::vector<WindowInfo> HyprlandWindowSystem::windows()
{
    std::vector<WindowInfo> out;
    for (const auto& c : impl_->clients()) {
        out.push_back(
            {c.address, impl_->resolve(c.identity), c.identity.pid, c.mapped, c.workspace.starts_with("special:")});
    }
    return out;
}

bool HyprlandWindowSystem::activate(std::uint64_t window)
{
    const auto address = formatAddress(window);
    const auto all = impl_->clients();
    const auto it = std::find_if(all.begin(), all.end(), [&](const Client& c) { return c.address == window; });
    if (it != all.end() && it->workspace == hiddenWorkspace) {
        const auto current = impl_->query("activeworkspace");
        if (!current || !current->is_object()) {
            return false;
        }
        const auto id = std::to_string(number(*current, "id"));
        if (!impl_->dispatch("movetoworkspacesilent " + id + ",address:" + address)) {
            return false;
        }
    }
    return impl_->dispatch("focuswindow address:" + address);
}

bool HyprlandWindowSystem::hide(std::uint64_t window)
{
    return impl_->dispatch(std::string("movetoworkspacesilent ") + hiddenWorkspace +
                           ",address:" + formatAddress(window));
}

bool HyprlandWindowSystem::sendKeys(std::uint64_t window, std::span<const InputEvent> events)
{
    // Every key must have a name before anything is sent, or the caller's
    // fallback would repeat the ones already delivered.
    std::vector<std::string> shortcuts;
    for (const auto& e : events) {
        if (e.type != EventType::keyDown) {
            continue;
        }
        auto shortcut = hyprlandShortcut(e);
        if (!shortcut) {
            return false;
        }
        shortcuts.push_back(std::move(*shortcut));
    }
    const auto address = formatAddress(window);
    for (std::size_t i = 0; i < shortcuts.size(); ++i) {
        if (!impl_->dispatch("sendshortcut " + shortcuts[i] + ",address:" + address)) {
            return i > 0; // what went through must not be typed again
        }
    }
    return true;
}

} // namespace norvane::linux_workspace
