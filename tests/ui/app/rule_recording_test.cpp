// A rule made by hand in the real window: the norvane binary on a private X
// server, driven through XTEST the way a person's mouse and keyboard drive
// it, with its controls found through the accessibility tree the way a
// screen reader finds them. The saved rule then runs in the engine
// (norvanectl simulate).
#include "accessible_tree.h"
#include "app_environment.h"
#include "private_bus.h"
#include "synthetic_input.h"
#include "x_session.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace norvane::testing {
namespace {

const QString appName = QStringLiteral("norvane");
constexpr int limitMs = 15000;

bool waitFor(const std::function<bool()>& done, int limit = limitMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limit) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return true;
}

bool nameOwned(const QDBusConnection& bus, const QString& name)
{
    return bus.interface() != nullptr && bus.interface()->isServiceRegistered(name).value();
}

QPoint centre(const AccessibleObject& object)
{
    return object.extents.center();
}

class RuleRecordingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { startDesktop(x_, bus_); }
    static void TearDownTestSuite()
    {
        bus_.reset();
        x_.reset();
    }

    void SetUp() override
    {
        ASSERT_TRUE(x_ && bus_ && bus_->ok()) << "no X server or session bus";
        ASSERT_TRUE(home_.isValid());
        ASSERT_TRUE(QDir().mkpath(configDir()));
        ASSERT_TRUE(QDir().mkpath(runDir()));
        QFile::setPermissions(runDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        input_ = std::make_unique<SyntheticInput>(x_->display());
        ASSERT_TRUE(input_->ok()) << "no XTEST connection";
        startAccessibilityBus();
    }
    void TearDown() override
    {
        if (app_) {
            app_->terminate();
            if (!app_->waitForFinished(5000)) {
                app_->kill();
                app_->waitForFinished(3000);
            }
        }
        // Neither leaves by itself when the other goes.
        stopProcess(registryPid_);
        stopProcess(launcherPid_);
    }

    [[nodiscard]] QString configDir() const { return home_.path() + "/config/norvane"; }
    [[nodiscard]] QString runDir() const { return home_.path() + "/run"; }

    [[nodiscard]] std::vector<std::string> sessionEnv() const
    {
        return {"DBUS_SESSION_BUS_ADDRESS=" + bus_->address().toStdString(),
                "XDG_RUNTIME_DIR=" + runDir().toStdString(), "DISPLAY=" + x_->display(),
                "HOME=" + home_.path().toStdString()};
    }

    // The accessibility bus and its registry on the private session bus,
    // with their sockets in the test's own runtime folder.
    void startAccessibilityBus()
    {
        launcherPid_ = spawnQuiet({"/usr/libexec/at-spi-bus-launcher", "--launch-immediately"}, sessionEnv());
        ASSERT_GT(launcherPid_, 0);
        const QDBusConnection session = QDBusConnection::connectToBus(bus_->address(), "rule-recording-session");
        const bool launched = waitFor([&] { return nameOwned(session, "org.a11y.Bus"); });
        QDBusConnection::disconnectFromBus("rule-recording-session");
        ASSERT_TRUE(launched) << "at-spi-bus-launcher (at-spi2-core) did not start";
        registryPid_ = spawnQuiet({"/usr/libexec/at-spi2-registryd"}, sessionEnv());
        ASSERT_GT(registryPid_, 0);
        tree_ = std::make_unique<AccessibleTree>(bus_->address(), "rule-recording-a11y");
        ASSERT_TRUE(tree_->connected()) << "no accessibility bus";
        ASSERT_TRUE(waitFor([&] { return tree_->hasRegistry(); })) << "at-spi2-registryd did not start";
    }

    void startApp(const QStringList& args)
    {
        app_ = std::make_unique<QProcess>();
        QProcessEnvironment env = appEnvironment({home_.path(), x_->display(), bus_->address()});
        env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        app_->setProcessEnvironment(env);
        app_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app_->start(QString::fromLatin1(NORVANE_APP_PATH), args);
        ASSERT_TRUE(app_->waitForStarted(10000)) << app_->errorString().toStdString();
    }

    // Waits until an object with this role and name shows, then clicks its
    // centre.
    [[nodiscard]] ::testing::AssertionResult clickOn(const QString& role, const QString& name)
    {
        std::optional<AccessibleObject> found;
        if (!waitFor([&] {
                found = tree_->find(appName, role, name);
                return found && !found->extents.isEmpty();
            })) {
            return ::testing::AssertionFailure()
                   << "no " << role.toStdString() << " \"" << name.toStdString() << "\" on screen" << onScreen();
        }
        input_->click(centre(*found));
        return ::testing::AssertionSuccess();
    }
    // What is on screen, for a failure's message.
    [[nodiscard]] std::string onScreen() const
    {
        std::string out = "\non screen:";
        for (const auto& object : tree_->showing(appName)) {
            out += "\n  " + object.role.toStdString() + " \"" + object.name.toStdString() + "\"";
        }
        return out;
    }
    [[nodiscard]] bool shows(const QString& role, const QString& name) const
    {
        return tree_->find(appName, role, name).has_value();
    }

    // The first mapping of the only group in the saved file, once it has
    // both a trigger and a target.
    [[nodiscard]] QJsonObject savedMapping() const
    {
        QFile file(configDir() + "/config.json");
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        const auto groups = QJsonDocument::fromJson(file.readAll()).object().value("groups").toArray();
        if (groups.size() != 1) {
            return {};
        }
        const auto mappings = groups.first().toObject().value("mappings").toArray();
        if (mappings.isEmpty()) {
            return {};
        }
        auto mapping = mappings.first().toObject();
        if (mapping.value("trigger").toString().isEmpty() ||
            mapping.value("action").toObject().value("keys").toString().isEmpty()) {
            return {};
        }
        return mapping;
    }

    static std::unique_ptr<XSession> x_;
    static std::unique_ptr<PrivateBus> bus_;
    QTemporaryDir home_;
    int launcherPid_ = -1;
    int registryPid_ = -1;
    std::unique_ptr<AccessibleTree> tree_;
    std::unique_ptr<SyntheticInput> input_;
    std::unique_ptr<QProcess> app_;
};

std::unique_ptr<XSession> RuleRecordingTest::x_;
std::unique_ptr<PrivateBus> RuleRecordingTest::bus_;

TEST_F(RuleRecordingTest, KeysPressedInTheWindowBecomeASavedRuleTheEngineRuns)
{
    QElapsedTimer timer;
    timer.start();
    ASSERT_NO_FATAL_FAILURE(startApp({"--settings"}));
    // Without input access the app opens with its welcome window, and the
    // main window follows "稍后再说"; with access the main window opens.
    bool welcome = false;
    ASSERT_TRUE(waitFor([&] {
        welcome = shows("push button", "稍后再说");
        return welcome || shows("push button", "添加");
    })) << "no window came up"
        << onScreen();
    if (welcome) {
        ASSERT_TRUE(clickOn("push button", "稍后再说"));
        ASSERT_TRUE(waitFor([&] { return !shows("push button", "稍后再说"); })) << "the welcome window stayed";
    }

    ASSERT_TRUE(clickOn("push button", "添加"));
    ASSERT_TRUE(clickOn("menu item", "新建空白规则组"));

    // The new group's first mapping records its trigger at once.
    ASSERT_TRUE(waitFor([&] { return shows("push button", "按下按键或鼠标键…"); }))
        << "the trigger is not recording" << onScreen();
    input_->chord({SyntheticInput::keyLeftCtrl, SyntheticInput::keyLeftShift, SyntheticInput::keyK});
    ASSERT_TRUE(waitFor([&] { return shows("push button", "Ctrl+Shift+K"); }))
        << "the trigger was not recorded" << onScreen();

    ASSERT_TRUE(clickOn("push button", "录制目标快捷键"));
    ASSERT_TRUE(waitFor([&] { return shows("push button", "按下快捷键…"); }))
        << "the target is not recording" << onScreen();
    input_->chord({SyntheticInput::keyLeftCtrl, SyntheticInput::keyL});
    ASSERT_TRUE(waitFor([&] { return shows("push button", "Ctrl+L"); })) << "the target was not recorded" << onScreen();

    QJsonObject mapping;
    ASSERT_TRUE(waitFor([&] {
        mapping = savedMapping();
        return !mapping.isEmpty();
    })) << "no complete rule in the saved file";
    EXPECT_EQ(mapping.value("trigger").toString(), "ctrl+shift+k");
    EXPECT_EQ(mapping.value("action").toObject().value("type").toString(), "keys");
    EXPECT_EQ(mapping.value("action").toObject().value("keys").toString(), "ctrl+l");
    std::printf("[ figure ] start to saved rule: %lld ms (debug build)\n", static_cast<long long>(timer.elapsed()));

    // The saved file, as the engine runs it.
    QProcess simulate;
    simulate.start(QString::fromLatin1(NORVANECTL_PATH), {"simulate", "--config", configDir() + "/config.json"});
    simulate.write("down ctrl+shift+k\nup ctrl+shift+k\ndown ctrl+k\nup ctrl+k\n");
    simulate.closeWriteChannel();
    ASSERT_TRUE(simulate.waitForFinished(10000));
    EXPECT_EQ(simulate.exitCode(), 0) << simulate.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(simulate.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << lines.join('\n').toStdString();
    EXPECT_EQ(lines[0], "pass ctrl+l");
    EXPECT_TRUE(lines[1].startsWith("  hit ")) << lines[1].toStdString();
    EXPECT_EQ(lines[2], "pass ctrl+l");
    EXPECT_EQ(lines[3], "pass");
    EXPECT_EQ(lines[4], "pass");
    EXPECT_EQ(app_->state(), QProcess::Running);
}

} // namespace
} // namespace norvane::testing
