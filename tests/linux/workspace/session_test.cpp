#include "platform/linux/workspace/process_key_delivery.h"
#include "platform/linux/workspace/session.h"

#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <map>

namespace norvane::linux_workspace {
namespace {

TEST(Session, ChosenFromTheEnvironment)
{
    using Kind = DesktopSession::Kind;
    char pattern[] = "/tmp/norvane-run-XXXXXX";
    const std::string runtime = mkdtemp(pattern);
    std::filesystem::create_directories(runtime + "/hypr/sig");
    struct Case {
        std::map<std::string, std::string> env;
        Kind kind;
        std::string address;
        std::string display = {}; // where a shell's session falls back to
    };
    const Case cases[] = {
        {{{"DISPLAY", ":0"}}, Kind::x11, ":0"},
        {{{"DISPLAY", ":0"}, {"I3SOCK", "/run/i3"}}, Kind::i3, "/run/i3"},
        {{{"SWAYSOCK", "/run/sway"}, {"I3SOCK", "/run/sway"}, {"WAYLAND_DISPLAY", "wayland-1"}},
         Kind::sway,
         "/run/sway"},
        {{{"HYPRLAND_INSTANCE_SIGNATURE", "sig"}, {"XDG_RUNTIME_DIR", runtime}, {"WAYLAND_DISPLAY", "wayland-1"}},
         Kind::hyprland,
         runtime + "/hypr/sig"},
        {{{"HYPRLAND_INSTANCE_SIGNATURE", "old"}, {"XDG_RUNTIME_DIR", runtime}}, Kind::hyprland, "/tmp/hypr/old"},
        // XWayland's X server sees only X clients: no answer beats a wrong one.
        {{{"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", "wayland-0"}}, Kind::unsupported, ""},
        {{{"DISPLAY", ":1"}, {"XDG_SESSION_TYPE", "wayland"}}, Kind::unsupported, ""},
        {{}, Kind::unsupported, ""},
        // KDE and GNOME report through their shells, on Wayland and X11 alike;
        // only an X11 session has a display to fall back to.
        {{{"XDG_CURRENT_DESKTOP", "KDE"}, {"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}, Kind::kde, ""},
        {{{"XDG_CURRENT_DESKTOP", "KDE"}, {"DISPLAY", ":0"}}, Kind::kde, "", ":0"},
        {{{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}, {"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":1"}},
         Kind::gnome,
         ""},
        {{{"XDG_CURRENT_DESKTOP", "GNOME"}, {"DISPLAY", ":1"}}, Kind::gnome, "", ":1"},
        {{{"XDG_CURRENT_DESKTOP", "XFCE"}, {"DISPLAY", ":0"}}, Kind::x11, ":0"},
        // A compositor of its own with a borrowed desktop name is still itself.
        {{{"XDG_CURRENT_DESKTOP", "KDE"}, {"SWAYSOCK", "/run/sway"}, {"WAYLAND_DISPLAY", "wayland-1"}},
         Kind::sway,
         "/run/sway"},
    };
    for (const auto& c : cases) {
        const auto session = detectSession([&](const char* name) -> const char* {
            const auto it = c.env.find(name);
            return it == c.env.end() ? nullptr : it->second.c_str();
        });
        const auto desktop = c.env.count("XDG_CURRENT_DESKTOP") ? c.env.at("XDG_CURRENT_DESKTOP") : c.address;
        EXPECT_EQ(session.kind, c.kind) << desktop;
        EXPECT_EQ(session.address, c.address) << desktop;
        if (c.kind == Kind::kde || c.kind == Kind::gnome) {
            EXPECT_EQ(session.display, c.display) << desktop;
        }
    }
    std::filesystem::remove_all(runtime);
}

TEST(Session, AWaylandSessionThatNamesNoDesktopIsToldByTheShellOnTheBus)
{
    using Kind = DesktopSession::Kind;
    const std::map<std::string, std::string> wayland{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}};
    auto detect = [](const std::map<std::string, std::string>& env, const std::string& onBus) {
        std::vector<std::string> asked;
        const auto session = detectSession(
            [&](const char* name) -> const char* {
                const auto it = env.find(name);
                return it == env.end() ? nullptr : it->second.c_str();
            },
            [&](const char* name) {
                asked.emplace_back(name);
                return onBus == name;
            });
        return std::pair(session.kind, asked);
    };
    EXPECT_EQ(detect(wayland, "org.kde.KWin").first, Kind::kde);
    EXPECT_EQ(detect(wayland, "org.gnome.Shell").first, Kind::gnome);
    EXPECT_EQ(detect(wayland, "").first, Kind::unsupported);

    // The environment decides where it can: the bus is not asked.
    auto named = wayland;
    named["XDG_CURRENT_DESKTOP"] = "weston";
    EXPECT_EQ(detect(named, "org.kde.KWin"), std::pair(Kind::unsupported, std::vector<std::string>{}));
    EXPECT_EQ(detect({{"DISPLAY", ":0"}}, "org.kde.KWin"), std::pair(Kind::x11, std::vector<std::string>{}));
}

// A desktop that reports focus only when told to.
class FakeWindows final : public WindowSystem {
public:
    explicit FakeWindows(FocusTracker& tracker) : tracker_(tracker) {}
    std::optional<std::string> start() override { return std::nullopt; }
    void stop() override {}
    std::vector<WindowInfo> windows() override { return list; }
    bool activate(std::uint64_t window) override
    {
        activated.push_back(window);
        if (obeys) {
            tracker_.publish(std::make_shared<const FrontApp>(FrontApp{"app", 0, window}));
        }
        return true;
    }
    bool hide(std::uint64_t) override { return true; }
    bool sendKeys(std::uint64_t window, std::span<const InputEvent>) override
    {
        if (direct) {
            sentDirectly.push_back(window);
        }
        return direct;
    }

    std::vector<WindowInfo> list;
    std::vector<std::uint64_t> activated;
    std::vector<std::uint64_t> sentDirectly;
    bool obeys = true;
    bool direct = false;

private:
    FocusTracker& tracker_;
};

class CountingEmitter final : public KeyEmitter {
public:
    void emitKeys(std::vector<InputEvent> events, std::function<void()> done) override
    {
        emitted += events.size();
        done();
    }
    std::size_t emitted = 0;
};

class DeliveryTest : public ::testing::Test {
protected:
    DeliveryTest()
    {
        windows.list = {
            {10, "front", 100, true, false}, {21, "target", 200, false, false}, {20, "target", 200, true, false}};
        tracker.publish(std::make_shared<const FrontApp>(FrontApp{"front", 100, 10}));
    }
    ProcessKeyDelivery::Outcome deliver(int pid)
    {
        ProcessKeyDelivery delivery(windows, tracker, emitter, {std::chrono::milliseconds(50), {}, {}});
        std::promise<ProcessKeyDelivery::Outcome> outcome;
        delivery.setOutcomeListener([&](int, ProcessKeyDelivery::Outcome o) { outcome.set_value(o); });
        const InputEvent keys[] = {InputEvent::key(true, 40), InputEvent::key(false, 40)};
        delivery.deliver(pid, keys);
        return outcome.get_future().get();
    }
    FrontmostSnapshot snapshot;
    FocusTracker tracker{snapshot};
    FakeWindows windows{tracker};
    CountingEmitter emitter;
};

TEST_F(DeliveryTest, FocusesTheTargetTypesAndGivesFocusBack)
{
    EXPECT_EQ(deliver(200), ProcessKeyDelivery::Outcome::delivered);
    EXPECT_EQ(windows.activated, (std::vector<std::uint64_t>{20, 10})) << "its ordinary window, then back";
    EXPECT_EQ(emitter.emitted, 2u);
    EXPECT_EQ(snapshot.frontmost()->window, 10u);
}

TEST_F(DeliveryTest, NeverTypesIntoAWindowThatDidNotTakeFocus)
{
    windows.obeys = false;
    EXPECT_EQ(deliver(200), ProcessKeyDelivery::Outcome::focusRefused);
    EXPECT_EQ(emitter.emitted, 0u);

    EXPECT_EQ(deliver(999), ProcessKeyDelivery::Outcome::noWindow);
    EXPECT_EQ(emitter.emitted, 0u);
}

TEST_F(DeliveryTest, FrontTargetAndDirectDeliveryNeedNoFocusChange)
{
    EXPECT_EQ(deliver(100), ProcessKeyDelivery::Outcome::delivered);
    EXPECT_TRUE(windows.activated.empty());

    windows.direct = true;
    EXPECT_EQ(deliver(200), ProcessKeyDelivery::Outcome::deliveredDirectly);
    EXPECT_EQ(windows.sentDirectly, std::vector<std::uint64_t>{20});
    EXPECT_TRUE(windows.activated.empty());
    EXPECT_EQ(emitter.emitted, 2u);
}

} // namespace
} // namespace norvane::linux_workspace
