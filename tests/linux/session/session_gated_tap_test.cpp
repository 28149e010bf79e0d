// The gate between the engine and the input layer, with a fake session and
// a fake input layer.
#include "platform/linux/session/session_gated_tap.h"

#include <QTest>

#include <gtest/gtest.h>

namespace norvane::linux_session {
namespace {

using namespace std::chrono_literals;

class FakeSession final : public SessionActivity {
public:
    [[nodiscard]] bool isActive() const override { return active; }
    void setActiveHandler(Handler h) override { handler = std::move(h); }
    void set(bool value)
    {
        active = value;
        if (handler) {
            handler(value);
        }
    }
    bool active = true;
    Handler handler;
};

class NullHandler final : public InputHandler {
public:
    bool handle(InputEvent& /*event*/) override { return true; }
};

// Counts what the gate does to the input layer.
struct FakeInput {
    bool running = false;
    bool paused = false;
    bool access = true;
    int starts = 0;
    int stops = 0;
    int resumes = 0;
    InputHandler* handler = nullptr;

    GatedInput wire()
    {
        return GatedInput{
            [this](InputHandler& h) {
                ++starts;
                handler = &h;
                running = access;
                paused = false;
                return access;
            },
            [this] {
                ++stops;
                running = false;
            },
            [this] { return paused; },
            [this] {
                ++resumes;
                paused = false;
            },
        };
    }
};

struct Gate : ::testing::Test {
    FakeSession session;
    FakeInput input;
    NullHandler engine;
    std::unique_ptr<SessionGatedTap> tap = std::make_unique<SessionGatedTap>(session, input.wire(), 20ms);
};

TEST_F(Gate, LetsGoWhileAnotherSessionIsInFrontAndTakesTheDevicesBack)
{
    ASSERT_TRUE(tap->start(engine));
    EXPECT_TRUE(input.running);
    EXPECT_EQ(input.handler, &engine);

    session.set(false);
    EXPECT_FALSE(input.running);
    EXPECT_FALSE(tap->holding());
    EXPECT_EQ(input.stops, 1);
    session.set(false); // told twice: nothing more to let go
    EXPECT_EQ(input.stops, 1);

    session.set(true);
    EXPECT_TRUE(input.running);
    EXPECT_EQ(input.starts, 2);
    EXPECT_EQ(input.handler, &engine);
    // The engine starting again changes nothing.
    EXPECT_TRUE(tap->start(engine));
    EXPECT_EQ(input.starts, 2);
}

TEST_F(Gate, StartedWhileInactiveOpensNothingUntilTheSessionComesToTheFront)
{
    session.active = false;
    EXPECT_TRUE(tap->start(engine));
    EXPECT_EQ(input.starts, 0);
    session.set(true);
    EXPECT_TRUE(input.running);

    // Without access the engine hears so, and retries itself.
    FakeSession other;
    FakeInput denied;
    denied.access = false;
    SessionGatedTap gate(other, denied.wire(), 20ms);
    EXPECT_FALSE(gate.start(engine));
}

TEST_F(Gate, KeepsAPanicPauseAcrossASwitch)
{
    ASSERT_TRUE(tap->start(engine));
    input.paused = true; // the panic chord let go of everything
    session.set(false);
    session.set(true);
    EXPECT_FALSE(input.running) << "the devices were taken back although the user had let them go";
    // Rules on again: the devices come back.
    tap->resume();
    EXPECT_TRUE(input.running);
    EXPECT_EQ(input.resumes, 0);

    // A pause in front of the user ends through the input layer.
    input.paused = true;
    tap->resume();
    EXPECT_EQ(input.resumes, 1);
    EXPECT_FALSE(input.paused);

    // Rules turned on while away: taken back on return.
    input.paused = true;
    session.set(false);
    tap->resume();
    EXPECT_EQ(input.starts, 2);
    session.set(true);
    EXPECT_EQ(input.starts, 3);
    EXPECT_TRUE(input.running);
}

TEST_F(Gate, RetriesWhileAccessHasNotComeBackAndStopsWhenLeft)
{
    ASSERT_TRUE(tap->start(engine));
    session.set(false);
    input.access = false;
    session.set(true);
    EXPECT_FALSE(input.running);
    const int tried = input.starts;
    ASSERT_TRUE(QTest::qWaitFor([&] { return input.starts >= tried + 2; }, 2000));
    input.access = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return input.running; }, 2000));
    const int started = input.starts;
    QTest::qWait(80);
    EXPECT_EQ(input.starts, started) << "tried again after it worked";

    session.set(false);
    input.access = false;
    session.set(true);
    session.set(false);
    const int left = input.starts;
    QTest::qWait(80);
    EXPECT_EQ(input.starts, left) << "tried again while another session is in front";
}

} // namespace
} // namespace norvane::linux_session
