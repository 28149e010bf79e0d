// The desktop app end to end: the real norvane binary on a private X server
// with a window manager and a private session bus, seen from outside the way
// a panel and a person see it.
#include "app_environment.h"
#include "dbus_menu.h"
#include "private_bus.h"
#include "status_watcher.h"
#include "x_session.h"
#include "x_windows.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace norvane::testing {
namespace {

const char* const appPath = NORVANE_APP_PATH;

const QByteArray twoGroups = R"({"version": 2, "preferences": {"showHUD": true}, "groups": [
  {"name": "浏览器", "scope": {"mode": "all", "apps": [], "urls": []},
   "mappings": [{"trigger": "ctrl+k", "action": {"type": "keys", "keys": "ctrl+l"}, "note": ""}]},
  {"name": "", "scope": {"mode": "all", "apps": [], "urls": []},
   "mappings": [{"trigger": "mouse:3", "action": {"type": "media", "media": "playpause"}, "note": ""}]}]})";

// Runs the event loop (the watcher answers calls) until `done` or the limit.
bool waitFor(const std::function<bool()>& done, int limitMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

class DesktopAppTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { startDesktop(x_, bus_); }
    static void TearDownTestSuite()
    {
        bus_.reset();
        x_.reset();
    }

    void SetUp() override
    {
        ASSERT_TRUE(home_.isValid());
        ASSERT_TRUE(QDir().mkpath(configDir()));
        ASSERT_TRUE(QDir().mkpath(home_.path() + "/run"));
        QFile::setPermissions(home_.path() + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    void TearDown() override
    {
        for (auto& p : apps_) {
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished(3000);
            }
        }
    }

    [[nodiscard]] QString configDir() const { return home_.path() + "/config/norvane"; }
    void writeConfig(const QByteArray& bytes)
    {
        QFile f(configDir() + "/config.json");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QProcess* startApp(const QStringList& args = {}, const QString& platform = "xcb")
    {
        auto process = std::make_unique<QProcess>();
        const QProcessEnvironment env = appEnvironment({home_.path(), x_->display(), bus_->address()}, platform);
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QString::fromLatin1(appPath), args);
        apps_.push_back(std::move(process));
        return apps_.back().get();
    }

    static std::unique_ptr<XSession> x_;
    static std::unique_ptr<PrivateBus> bus_;
    QTemporaryDir home_;
    std::vector<std::unique_ptr<QProcess>> apps_;
};

std::unique_ptr<XSession> DesktopAppTest::x_;
std::unique_ptr<PrivateBus> DesktopAppTest::bus_;

TEST_F(DesktopAppTest, TrayMenuPausesEveryRuleAndSecondStartOpensTheMainWindow)
{
    writeConfig(twoGroups);
    QDBusConnection bus = QDBusConnection::connectToBus(bus_->address(), "panel");
    ASSERT_TRUE(bus.isConnected());
    StatusWatcher watcher(bus);
    ASSERT_TRUE(watcher.publish());

    QElapsedTimer started;
    started.start();
    QProcess* app = startApp();
    ASSERT_TRUE(waitFor([&] { return !watcher.itemService().isEmpty(); })) << "no tray item registered";
    std::printf("[ figure ] start to tray item registered: %lld ms (debug build)\n",
                static_cast<long long>(started.elapsed()));

    auto get = QDBusMessage::createMethodCall(watcher.itemService(), watcher.itemPath(),
                                              "org.freedesktop.DBus.Properties", "Get");
    get << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("Menu");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 5000);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    const auto path = reply.arguments().value(0).value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
    ASSERT_FALSE(path.isEmpty());
    DBusMenu menu(bus, watcher.itemService(), path);

    auto entries = menu.open();
    ASSERT_TRUE(entries.has_value());
    const MenuEntry* pause = findEntry(*entries, "暂停全部规则");
    ASSERT_NE(pause, nullptr);
    ASSERT_NE(findEntry(*entries, "规则组"), nullptr);
    const MenuEntry* named = findEntry(*entries, "浏览器");
    const MenuEntry* unnamed = findEntry(*entries, "未命名");
    ASSERT_NE(named, nullptr);
    ASSERT_NE(unnamed, nullptr);
    EXPECT_TRUE(named->enabled);
    EXPECT_EQ(named->toggleState, 1);
    EXPECT_NE(findEntry(*entries, "打开岚枢…"), nullptr);
    EXPECT_NE(findEntry(*entries, "按键检测…"), nullptr);
    EXPECT_NE(findEntry(*entries, "退出岚枢"), nullptr);

    ASSERT_TRUE(menu.click(pause->id));
    const QString settingsPath = configDir() + "/norvane.conf";
    ASSERT_TRUE(waitFor([&] {
        return QSettings(settingsPath, QSettings::IniFormat).value("masterEnabled", true).toBool() == false;
    })) << "the master switch was not saved";
    entries = menu.open();
    ASSERT_TRUE(entries.has_value());
    EXPECT_EQ(findEntry(*entries, "暂停全部规则"), nullptr);
    ASSERT_NE(findEntry(*entries, "恢复全部规则"), nullptr);
    EXPECT_FALSE(findEntry(*entries, "浏览器")->enabled);
    EXPECT_FALSE(findEntry(*entries, "未命名")->enabled);

    // A second start hands over to the running one and leaves.
    QProcess* second = startApp({"--settings"});
    ASSERT_TRUE(second->waitForFinished(10000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(app->state(), QProcess::Running);
    const std::string display = x_->display();
    EXPECT_TRUE(waitFor([&] {
        for (const auto& w : managedWindows(display)) {
            if (w.title == "岚枢" && w.viewable && w.width >= 860 && w.height >= 520) {
                return true;
            }
        }
        return false;
    })) << "no main window named 岚枢";
}

TEST_F(DesktopAppTest, TwoQuickStartsLeaveOneInstance)
{
    QProcess* first = startApp();
    QProcess* second = startApp();
    QProcess* third = startApp();
    ASSERT_TRUE(waitFor([&] {
        int finished = 0;
        for (QProcess* p : {first, second, third}) {
            finished += p->state() == QProcess::NotRunning ? 1 : 0;
        }
        return finished == 2;
    })) << "expected two of three quick starts to hand over and exit";
    QThread::msleep(500);
    int running = 0;
    for (QProcess* p : {first, second, third}) {
        if (p->state() == QProcess::Running) {
            ++running;
        } else {
            EXPECT_EQ(p->exitCode(), 0);
        }
    }
    EXPECT_EQ(running, 1);
}

class SnapshotTest : public DesktopAppTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SnapshotTest, SnapshotRunWritesSixDifferentPictures)
{
    writeConfig(twoGroups);
    const QString shots = QString::fromLatin1(NORVANE_SNAPSHOT_DIR) + "/" + GetParam();
    QDir(shots).removeRecursively();
    QProcess* app = startApp({"--debug-snapshot", shots}, GetParam());
    ASSERT_TRUE(app->waitForFinished(30000)) << "the snapshot run did not end";
    EXPECT_EQ(app->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app->exitCode(), 0);

    QList<QImage> images;
    for (const char* name : {"1-group", "2-group2", "3-activity", "4-general", "5-templates", "6-onboarding"}) {
        QImage image(shots + "/" + name + ".png");
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_GE(image.width(), 540) << name;
        images.append(image);
    }
    for (int i = 0; i < images.size(); ++i) {
        for (int j = i + 1; j < images.size(); ++j) {
            EXPECT_NE(images[i], images[j]) << "shots " << i + 1 << " and " << j + 1 << " are the same";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(OnAndWithoutADisplay, SnapshotTest, ::testing::Values("xcb", "offscreen"));

TEST_F(DesktopAppTest, ARuleChangedJustBeforeSigtermIsSaved)
{
    writeConfig(twoGroups);
    QDBusConnection bus = QDBusConnection::connectToBus(bus_->address(), "panel-sigterm");
    ASSERT_TRUE(bus.isConnected());
    StatusWatcher watcher(bus);
    ASSERT_TRUE(watcher.publish());
    QProcess* app = startApp();
    ASSERT_TRUE(waitFor([&] { return !watcher.itemService().isEmpty(); })) << "no tray item registered";
    auto get = QDBusMessage::createMethodCall(watcher.itemService(), watcher.itemPath(),
                                              "org.freedesktop.DBus.Properties", "Get");
    get << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("Menu");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 5000);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    DBusMenu menu(bus, watcher.itemService(),
                  reply.arguments().value(0).value<QDBusVariant>().variant().value<QDBusObjectPath>().path());
    auto entries = menu.open();
    ASSERT_TRUE(entries.has_value());
    const MenuEntry* group = findEntry(*entries, "浏览器");
    ASSERT_NE(group, nullptr);

    // Turn the group off from the menu, then end the app well within the
    // 0.4 s its save waits for more edits.
    QFile config(configDir() + "/config.json");
    QElapsedTimer sinceClick;
    sinceClick.start();
    ASSERT_TRUE(menu.click(group->id));
    ASSERT_TRUE(waitFor([&] {
        const auto now = menu.open();
        const MenuEntry* entry = now ? findEntry(*now, "浏览器") : nullptr;
        return entry != nullptr && entry->toggleState == 0;
    }));
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    const QByteArray beforeSignal = config.readAll();
    config.close();
    ::kill(static_cast<pid_t>(app->processId()), SIGTERM);
    std::printf("[ figure ] menu click to SIGTERM: %lld ms\n", static_cast<long long>(sinceClick.elapsed()));
    ASSERT_EQ(beforeSignal, twoGroups) << "saved before the signal: nothing left to test";
    ASSERT_TRUE(app->waitForFinished(10000));
    EXPECT_EQ(app->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app->exitCode(), 0);

    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    const QJsonArray groups = QJsonDocument::fromJson(config.readAll()).object().value("groups").toArray();
    ASSERT_EQ(groups.size(), 2);
    EXPECT_EQ(groups[0].toObject().value("name").toString(), "浏览器");
    EXPECT_FALSE(groups[0].toObject().value("enabled").toBool(true));
}

TEST_F(DesktopAppTest, BrokenConfigStartsTheAppAndIsLeftAlone)
{
    const QByteArray broken = "{\"version\": 2, \"groups\": [";
    writeConfig(broken);
    QProcess* app = startApp({"--settings"});
    const std::string display = x_->display();
    EXPECT_TRUE(waitFor([&] {
        for (const auto& w : managedWindows(display)) {
            if (w.title == "岚枢" && w.viewable) {
                return true;
            }
        }
        return false;
    })) << "no window";
    EXPECT_EQ(app->state(), QProcess::Running);
    QFile config(configDir() + "/config.json");
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    EXPECT_EQ(config.readAll(), broken);
}

} // namespace
} // namespace norvane::testing

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
