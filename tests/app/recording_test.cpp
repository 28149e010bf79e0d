#include "test_support.h"

#include <QSignalSpy>

namespace norvane::test {
namespace {

constexpr std::int64_t keyK = 40;
constexpr std::int64_t keyEscape = 53;

class RecordingTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        model = makeModel();
    }
    void record(const QString& id, bool allowMouse)
    {
        model->startRecording(id, allowMouse, [this, id](const Trigger& t) {
            // The recording has ended before its result is handed over.
            EXPECT_TRUE(model->recorderID().isEmpty());
            EXPECT_TRUE(local.handlers.empty() && global.handlers.empty());
            results.emplace_back(id, t);
        });
    }
    std::unique_ptr<AppModel> model;
    std::vector<std::pair<QString, Trigger>> results;
};

TEST_F(RecordingTest, KeysAreRecordedWithoutCapsLockAndEscapeAloneCancels)
{
    QSignalSpy recorderSpy(model.get(), &AppModel::recorderIDChanged);
    record("A-t", false);
    EXPECT_EQ(model->recorderID(), "A-t");
    local.press(MonitoredPress::key(keyK, mod::command | mod::shift | mod::capsLock));
    ASSERT_EQ(results.size(), 1U);
    EXPECT_EQ(results[0].second, Trigger::key(Combo(keyK, 0x120000)));

    record("A-t", false);
    local.press(MonitoredPress::key(keyEscape, mod::capsLock));
    EXPECT_EQ(results.size(), 1U);
    EXPECT_TRUE(model->recorderID().isEmpty());
    EXPECT_TRUE(local.handlers.empty());

    record("A-t", false);
    local.press(MonitoredPress::key(keyEscape, mod::shift));
    ASSERT_EQ(results.size(), 2U);
    EXPECT_EQ(results[1].second, Trigger::key(Combo(keyEscape, mod::shift)));
    EXPECT_EQ(recorderSpy.count(), 6);
    model->stopRecording(); // nothing to stop: no notice
    EXPECT_EQ(recorderSpy.count(), 6);
}

TEST_F(RecordingTest, MouseButtonsWhenAllowedAndLatePressesOfEndedRecordings)
{
    record("A-t", false);
    local.press(MonitoredPress::mouse(2));
    EXPECT_TRUE(global.handlers.empty());
    record("B-t", true);
    local.press(MonitoredPress::mouse(3));
    ASSERT_EQ(results.size(), 1U);
    EXPECT_EQ(results[0], std::make_pair(QString("B-t"), Trigger::mouse(3)));

    // A press seen on the input thread reaches the model on its own thread,
    // and only while the recording that saw it is still listening.
    record("C-t", true);
    std::thread([&] { global.press(MonitoredPress::mouse(4)); }).join();
    record("D-t", true); // C ends without a result
    processQueued();
    EXPECT_EQ(model->recorderID(), "D-t");
    std::thread([&] { global.press(MonitoredPress::mouse(2)); }).join();
    EXPECT_EQ(results.size(), 1U);
    processQueued();
    ASSERT_EQ(results.size(), 2U);
    EXPECT_EQ(results[1], std::make_pair(QString("D-t"), Trigger::mouse(2)));
}

TEST_F(ModelTest, PermissionPollingStartsTheEngineOnceAccessArrives)
{
    sim.tap.setFailing(true);
    auto model = makeModel();
    QSignalSpy grantedSpy(model.get(), &AppModel::inputAccessGrantedChanged);
    model->startEngineWhenPermitted();
    clock->advance(3s);
    EXPECT_FALSE(model->inputAccessGranted());

    permission.granted = true; // granted, but the tap still fails: keep trying
    clock->advance(2s);
    sim.tap.setFailing(false);
    clock->advance(999ms);
    EXPECT_FALSE(sim.tap.started());
    clock->advance(1ms);
    EXPECT_TRUE(model->inputAccessGranted() && sim.tap.started());
    clock->advance(10s);
    EXPECT_EQ(grantedSpy.count(), 2); // false, then true once; the polling has stopped
}

TEST_F(ModelTest, AccessRequestAndLaunchAtLoginReportWhatToDo)
{
    auto model = makeModel();
    permission.instructions = "sudo norvane-setup";
    model->requestInputAccess();
    processQueued();
    EXPECT_EQ(model->permissionHelp(), "sudo norvane-setup");

    EXPECT_TRUE(model->setLaunchAtLogin(true).isEmpty());
    loginItem.failure = "read-only file system";
    EXPECT_EQ(model->setLaunchAtLogin(false), "设置登录启动失败：read-only file system");
    EXPECT_TRUE(model->launchAtLogin());
}

} // namespace
} // namespace norvane::test
