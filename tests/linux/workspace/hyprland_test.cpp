#include "fixture_data.h"
#include "model/combo.h"
#include "platform/linux/common/stop_signal.h"
#include "platform/linux/workspace/hyprland_keys.h"
#include "platform/linux/workspace/hyprland_window_system.h"

#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace norvane::linux_workspace {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

int listenOn(const std::string& path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    listen(fd, 8);
    return fd;
}

// Hyprland's two sockets: requests answered from the test's state and
// logged; events written by the test.
class FakeHyprland {
public:
    explicit FakeHyprland(const std::string& dir)
        : commands_(listenOn(dir + "/.socket.sock")), events_(listenOn(dir + "/.socket2.sock")),
          thread_([this] { serve(); })
    {}
    ~FakeHyprland()
    {
        stop_.raise();
        thread_.join();
        for (const int fd : {commands_, events_, eventClient_}) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }

    void set(json clients, json active)
    {
        const std::lock_guard guard(lock_);
        clients_ = std::move(clients);
        active_ = std::move(active);
    }
    std::vector<std::string> takeRequests()
    {
        const std::lock_guard guard(lock_);
        return std::exchange(requests_, {});
    }
    void emit(const std::string& text)
    {
        std::unique_lock guard(lock_);
        ASSERT_TRUE(connected_.wait_for(guard, 5s, [this] { return eventClient_ >= 0; }));
        ASSERT_EQ(write(eventClient_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

private:
    std::string answer(const std::string& request)
    {
        const std::lock_guard guard(lock_);
        requests_.push_back(request);
        if (request == "j/clients") {
            return clients_.dump();
        }
        if (request == "j/activewindow") {
            return active_.dump();
        }
        if (request == "j/activeworkspace") {
            return R"({"id":3,"name":"3"})";
        }
        return request.starts_with("dispatch ") ? "ok" : "unknown request";
    }
    void serve()
    {
        pollfd fds[3] = {{commands_, POLLIN, 0}, {events_, POLLIN, 0}, {stop_.fd(), POLLIN, 0}};
        while (poll(fds, 3, -1) > 0 && fds[2].revents == 0) {
            if (fds[0].revents != 0) {
                // Served synchronously, like the real one: read, answer, close.
                const int client = accept4(commands_, nullptr, nullptr, SOCK_CLOEXEC);
                char buffer[1024];
                const auto n = read(client, buffer, sizeof buffer);
                const auto reply = answer(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0));
                (void)!write(client, reply.data(), reply.size());
                close(client);
            }
            if (fds[1].revents != 0) {
                const std::lock_guard guard(lock_);
                eventClient_ = accept4(events_, nullptr, nullptr, SOCK_CLOEXEC);
                connected_.notify_all();
            }
        }
    }

    int commands_;
    int events_;
    int eventClient_ = -1;
    linux_common::StopSignal stop_;
    std::mutex lock_;
    std::condition_variable connected_;
    json clients_ = json::array();
    json active_ = json::object();
    std::vector<std::string> requests_;
    std::thread thread_;
};

json client(const char* address, const char* cls, int pid, const char* workspace, int focusOrder, bool xwayland)
{
    return {{"address", address},
            {"class", cls},
            {"initialClass", cls},
            {"pid", pid},
            {"xwayland", xwayland},
            {"mapped", true},
            {"workspace", {{"id", 1}, {"name", workspace}}},
            {"focusHistoryID", focusOrder}};
}

class HyprlandTest : public ::testing::Test {
protected:
    HyprlandTest()
    {
        dir_ = testing::fixtureData().root + "/hypr-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::create_directories(dir_);
        server_ = std::make_unique<FakeHyprland>(dir_);
        gtk_ = client("0xa1", "org.example.Gtk", 91, "1", 1, false);
        editor_ = client("0xb2", "ExampleEditor", 92, "1", 0, true);
        viewer_ = client("0xc3", "Viewer", 93, "special:norvane", 2, false);
        server_->set(json::array({gtk_, editor_, viewer_}), gtk_);
    }

    std::string dir_;
    std::unique_ptr<FakeHyprland> server_;
    json gtk_, editor_, viewer_;
    DesktopEntryIndex index_;
    FrontmostSnapshot snapshot_;
    FocusTracker tracker_{snapshot_};
};

TEST_F(HyprlandTest, FocusEventsPublishResolvedWindows)
{
    HyprlandWindowSystem hyprland(dir_, index_, tracker_);
    ASSERT_EQ(hyprland.start(), std::nullopt);
    ASSERT_TRUE(snapshot_.frontmost());
    EXPECT_EQ(snapshot_.frontmost()->appID, "org.example.Gtk");
    EXPECT_EQ(snapshot_.frontmost()->pid, 91);
    EXPECT_EQ(snapshot_.frontmost()->window, 0xa1u);

    // An XWayland window's class is its WM_CLASS.
    server_->set(json::array({gtk_, editor_, viewer_}), editor_);
    server_->emit("activewindow>>ExampleEditor,Title\nactivewindowv2>>b2\n");
    ASSERT_TRUE(tracker_.waitForWindow(0xb2, 5s));
    EXPECT_EQ(snapshot_.frontmost()->appID, "org.example.Editor");

    server_->set(json::array({gtk_, editor_, viewer_}), json::object());
    server_->emit("activewindowv2>>\n");
    EXPECT_TRUE(tracker_.waitUntil([](const FrontApp* f) { return f == nullptr; }, 5s));

    // An event line split across two reads.
    server_->set(json::array({gtk_, editor_, viewer_}), gtk_);
    server_->emit("activewindo");
    server_->emit("wv2>>a1\n");
    EXPECT_TRUE(tracker_.waitForWindow(0xa1, 5s));

    const auto windows = hyprland.windows();
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_EQ(windows[0], (WindowInfo{0xb2, "org.example.Editor", 92, true, false})) << "focus history order";
    EXPECT_EQ(windows[1].window, 0xa1u);
    EXPECT_EQ(windows[2], (WindowInfo{0xc3, "viewer", 93, true, true})) << "on the special workspace: hidden";
    hyprland.stop();
}

TEST_F(HyprlandTest, HidingRestoringAndKeysAreDispatches)
{
    HyprlandWindowSystem hyprland(dir_, index_, tracker_);
    (void)server_->takeRequests();

    EXPECT_TRUE(hyprland.hide(0xa1));
    EXPECT_EQ(server_->takeRequests(),
              std::vector<std::string>{"dispatch movetoworkspacesilent special:norvane,address:0xa1"});

    EXPECT_TRUE(hyprland.activate(0xc3));
    EXPECT_EQ(server_->takeRequests(), (std::vector<std::string>{"j/clients", "j/activeworkspace",
                                                                 "dispatch movetoworkspacesilent 3,address:0xc3",
                                                                 "dispatch focuswindow address:0xc3"}))
        << "brought back from the special workspace first";

    EXPECT_TRUE(hyprland.activate(0xa1));
    EXPECT_EQ(server_->takeRequests(), (std::vector<std::string>{"j/clients", "dispatch focuswindow address:0xa1"}));

    const auto flags = mod::control | mod::shift;
    const InputEvent keys[] = {InputEvent::key(true, 17, flags), InputEvent::key(false, 17, flags)};
    EXPECT_TRUE(hyprland.sendKeys(0xb2, keys));
    EXPECT_EQ(server_->takeRequests(), std::vector<std::string>{"dispatch sendshortcut CTRL SHIFT,t,address:0xb2"});

    const InputEvent unnamed[] = {InputEvent::key(true, 4096 + 240), InputEvent::key(false, 4096 + 240)};
    EXPECT_FALSE(hyprland.sendKeys(0xb2, unnamed)) << "left to the focus-and-type path";
    EXPECT_TRUE(server_->takeRequests().empty());
}

TEST(HyprlandShortcut, KeyNamesAreXkbNames)
{
    const std::pair<InputEvent, const char*> cases[] = {
        {InputEvent::key(true, 40), ",k"},
        {InputEvent::key(true, 96, mod::command | mod::option), "ALT SUPER,F5"},
        {InputEvent::key(true, 36, mod::control), "CTRL,Return"},
        {InputEvent::key(true, 51), ",BackSpace"},
        {InputEvent::key(true, 117), ",Delete"},
        {InputEvent::key(true, 24, mod::shift), "SHIFT,equal"},
        {InputEvent::key(true, 116), ",Prior"},
        {InputEvent::key(true, 29), ",0"},
    };
    for (const auto& [event, expected] : cases) {
        EXPECT_EQ(hyprlandShortcut(event), expected) << event.keyCode;
    }
    EXPECT_EQ(hyprlandShortcut(InputEvent::key(true, 300)), std::nullopt);
}

} // namespace
} // namespace norvane::linux_workspace
