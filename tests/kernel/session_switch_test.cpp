// A switch to another login session as the app carries it out: the input
// layer is stopped while the session is away and started again on return.
// Away, this process holds no input device at all, so nothing typed for the
// next user reaches it; back, the keyboard is taken once its keys are up.
#include "kernel_fixture.h"

#include <filesystem>
#include <string_view>

namespace norvane::kernel_test {
namespace {

constexpr std::string_view rules = R"({
  "version": 2,
  "preferences": {"showHUD": false},
  "groups": [{
    "name": "会话",
    "scope": {"mode": "all", "apps": [], "urls": []},
    "mappings": [{"trigger": "f5", "action": {"type": "media", "media": "playpause"}, "note": ""}]
  }]
})";

using Keys = std::vector<KeyChange>;

// The input event nodes and uinput this process has open.
std::vector<std::string> openInputNodes()
{
    std::vector<std::string> nodes;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (!error && (target.starts_with("/dev/input/") || target == "/dev/uinput")) {
            nodes.push_back(target);
        }
    }
    std::sort(nodes.begin(), nodes.end());
    return nodes;
}

// Reads keys from a device until `quiet` passes without one.
Keys keysOn(EventReader& reader, std::chrono::milliseconds quiet = 200ms)
{
    Keys keys;
    while (const auto ev = reader.next(quiet)) {
        if (ev->type == EV_KEY) {
            keys.emplace_back(ev->code, ev->value);
        }
    }
    return keys;
}

TEST_F(KernelTest, AwayFromTheSessionNothingIsHeldAndOnReturnTheKeyboardIsTakenOnceItsKeysAreUp)
{
    auto kb = FakeDevice::keyboard("Session Keyboard");
    const auto ownNodes = openInputNodes(); // the test's own, for its fake keyboard
    configure(rules);
    start();
    waitGrabbed(*kb);
    kb->key(KEY_A, 1);
    EXPECT_EQ(outputKeys(1), (Keys{{KEY_A, 1}}));

    // Another session comes to the front.
    const std::string firstOutput = input.outputDevnode();
    input.stop();
    // (The output device is gone, and with it the key it held down: its
    // reader gets nothing more, the desktop sees the release.)
    output.reset();
    EXPECT_EQ(openInputNodes(), ownNodes) << "the input layer still holds a device";
    EXPECT_FALSE(grabbedByAnother(kb->devnode()));
    EXPECT_FALSE(std::filesystem::exists(firstOutput)) << "the output device outlived the session switch";
    // The next user's typing reaches their desktop as typed, rules or not.
    EventReader desktop(kb->devnode());
    kb->key(KEY_A, 0);
    kb->tap(KEY_F5);
    EXPECT_EQ(keysOn(desktop), (Keys{{KEY_A, 0}, {KEY_F5, 1}, {KEY_F5, 0}}));

    // Back, while a key of the keyboard is down: taken only after its release.
    kb->key(KEY_B, 1);
    ASSERT_TRUE(input.start(handler()));
    output = std::make_unique<EventReader>(input.outputDevnode());
    ASSERT_TRUE(output->isOpen());
    EXPECT_FALSE(waitUntil([&] { return grabbed(*kb); }, [&] { pump(); }, 300ms))
        << "grabbed while a key was down: its release would never reach the desktop";
    kb->key(KEY_B, 0);
    waitGrabbed(*kb);
    desktop.discard();
    kb->tap(KEY_F5);
    EXPECT_EQ(outputKeys(2), (Keys{{KEY_PLAYPAUSE, 1}, {KEY_PLAYPAUSE, 0}}));
    EXPECT_TRUE(keysOn(desktop, 100ms).empty());
}

} // namespace
} // namespace norvane::kernel_test
