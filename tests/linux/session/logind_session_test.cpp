// The session watcher against a stand-in logind on a private system bus.
#include "login1_standin.h"
#include "platform/linux/session/logind_session.h"

#include <QDBusConnection>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace norvane::linux_session {
namespace {

using testing::Login1Standin;

struct Followed {
    std::unique_ptr<LogindSession> session;
    std::vector<bool> changes;
};

// A watcher on the system bus, once it has found its session and read it.
std::unique_ptr<Followed> follow(const QString& sessionId)
{
    auto followed = std::make_unique<Followed>();
    followed->session = std::make_unique<LogindSession>(QDBusConnection::systemBus(), sessionId);
    QSignalSpy settled(followed->session.get(), &LogindSession::settled);
    auto* changes = &followed->changes;
    followed->session->setActiveHandler([changes](bool active) { changes->push_back(active); });
    EXPECT_TRUE(settled.wait(5000)) << "the watcher never settled";
    return followed;
}

// Lets the bus deliver what is on its way.
bool waitFor(const std::vector<bool>& changes, std::size_t count)
{
    return QTest::qWaitFor([&] { return changes.size() >= count; }, 5000);
}

TEST(LogindSession, FollowsItsOwnSessionByIdThroughSwitchesAway)
{
    Login1Standin logind(qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS"));
    ASSERT_TRUE(logind.ok());
    logind.addSession(QStringLiteral("c2"), false);
    logind.addSession(QStringLiteral("c3"), true);

    auto f = follow(QStringLiteral("c2"));
    EXPECT_EQ(f->session->sessionPath(), QStringLiteral("/org/freedesktop/login1/session/c2"));
    EXPECT_TRUE(f->session->problem().isEmpty());
    // Started while another user is in front: known inactive at once.
    EXPECT_FALSE(f->session->isActive());
    EXPECT_EQ(f->changes, std::vector<bool>{false});

    // Another session's changes are not ours.
    logind.setActive(QStringLiteral("c3"), false);
    logind.setActive(QStringLiteral("c2"), true);
    ASSERT_TRUE(waitFor(f->changes, 2));
    EXPECT_TRUE(f->session->isActive());
    logind.setActive(QStringLiteral("c3"), true);
    logind.setActive(QStringLiteral("c2"), false);
    ASSERT_TRUE(waitFor(f->changes, 3));
    // A repeated value is no change.
    logind.setActive(QStringLiteral("c2"), false);
    logind.setActive(QStringLiteral("c2"), true);
    ASSERT_TRUE(waitFor(f->changes, 4));
    EXPECT_EQ(f->changes, (std::vector<bool>{false, true, false, true}));
}

TEST(LogindSession, RereadsAnInvalidatedState)
{
    Login1Standin logind(qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS"));
    ASSERT_TRUE(logind.ok());
    logind.addSession(QStringLiteral("4"), true);
    auto f = follow(QStringLiteral("4"));
    EXPECT_TRUE(f->session->isActive());
    EXPECT_TRUE(f->changes.empty());

    logind.setActive(QStringLiteral("4"), false, true);
    ASSERT_TRUE(waitFor(f->changes, 1));
    EXPECT_FALSE(f->session->isActive());
}

TEST(LogindSession, WithoutSessionIdAsksByProcessThenForTheUsersSession)
{
    Login1Standin logind(qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS"));
    ASSERT_TRUE(logind.ok());
    logind.addSession(QStringLiteral("5"), true);
    logind.pidSession = QStringLiteral("5");
    {
        auto f = follow(QString());
        EXPECT_EQ(f->session->sessionPath(), QStringLiteral("/org/freedesktop/login1/session/5"));
        EXPECT_EQ(logind.asked, QStringList{QStringLiteral("pid:%1").arg(::getpid())});
    }

    // Started outside any session (a user service): logind's "auto" names
    // the user's graphical session. An unknown XDG_SESSION_ID falls back the same way.
    logind.asked.clear();
    logind.pidSession.clear();
    logind.addSession(QStringLiteral("6"), false);
    logind.autoSession = QStringLiteral("6");
    auto f = follow(QString());
    EXPECT_EQ(f->session->sessionPath(), QStringLiteral("/org/freedesktop/login1/session/6"));
    EXPECT_FALSE(f->session->isActive());
    auto g = follow(QStringLiteral("99"));
    EXPECT_EQ(g->session->sessionPath(), QStringLiteral("/org/freedesktop/login1/session/6"));
    EXPECT_EQ(logind.asked, (QStringList{QStringLiteral("pid:%1").arg(::getpid()), QStringLiteral("auto"),
                                         QStringLiteral("99"), QStringLiteral("auto")}));
}

TEST(LogindSession, WithoutLogindOrASessionStaysActive)
{
    {
        // Nobody owns org.freedesktop.login1.
        auto f = follow(QStringLiteral("c2"));
        EXPECT_TRUE(f->session->isActive());
        EXPECT_FALSE(f->session->problem().isEmpty());
        EXPECT_TRUE(f->session->sessionPath().isEmpty());
    }
    Login1Standin logind(qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS"));
    ASSERT_TRUE(logind.ok());
    auto f = follow(QStringLiteral("c2"));
    EXPECT_TRUE(f->session->isActive());
    EXPECT_TRUE(f->changes.empty());
    EXPECT_FALSE(f->session->problem().isEmpty());

    // No system bus at all.
    const LogindSession unconnected(QDBusConnection(QStringLiteral("never connected")), QStringLiteral("c2"));
    QSignalSpy settled(&unconnected, &LogindSession::settled);
    ASSERT_TRUE(settled.wait(5000));
    EXPECT_TRUE(unconnected.isActive());
    EXPECT_FALSE(unconnected.problem().isEmpty());
}

} // namespace
} // namespace norvane::linux_session
