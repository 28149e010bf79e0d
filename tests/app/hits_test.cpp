#include "test_support.h"

#include <QSettings>
#include <QSignalSpy>

#include <limits>

namespace norvane::test {
namespace {

constexpr std::int64_t maxCount = std::numeric_limits<std::int64_t>::max();

CompiledMapping compiled(const Mapping& m, std::string group = "G")
{
    return CompiledMapping{std::move(group), {}, m.id, *m.trigger, *m.action, m.note};
}

QString countKey(const Uuid& id)
{
    return "hitCounts/" + QString::fromStdString(id.string());
}

TEST_F(ModelTest, HitsAreCountedStoredAndLoggedNewestFirst)
{
    const Mapping full = keyRule("cmd+f");
    QSettings(settingsPath(), QSettings::IniFormat).setValue(countKey(full.id), QString::number(maxCount));
    auto model = makeModel();
    const Mapping m = keyRule("cmd+k");
    model->recordHit(compiled(m, "first"), std::string("firefox"));
    EXPECT_EQ(model->counts().at(m.id), 1);
    EXPECT_EQ(model->recent().at(0).appID, "firefox");
    EXPECT_EQ(model->recent().at(0).date, clock->now());
    clock->advance(1s); // a burst of hits is written together, within a second
    EXPECT_EQ(QSettings(settingsPath(), QSettings::IniFormat).value(countKey(m.id)).toLongLong(), 1);

    for (int i = 0; i < 50; ++i) {
        model->recordHit(compiled(m, "later"), std::nullopt);
    }
    EXPECT_EQ(model->recent().size(), 50U);
    EXPECT_EQ(model->recent().back().groupName, "later"); // the first hit is gone
    EXPECT_EQ(model->counts().at(m.id), 51);

    // Counters stop at the largest value, and so do their sums.
    model->recordHit(compiled(full), std::nullopt);
    EXPECT_EQ(model->counts().at(full.id), maxCount);
    EXPECT_EQ(model->totalCount(RuleGroup("G", {}, {full, m})), maxCount);
    model.reset();
    EXPECT_EQ(QSettings(settingsPath(), QSettings::IniFormat).value(countKey(m.id)).toLongLong(), 51);
}

TEST_F(ModelTest, StoredCountersAreRestoredByTheirRules)
{
    const Uuid upper = Uuid::random(), lower = Uuid::random();
    {
        QSettings stored(settingsPath(), QSettings::IniFormat);
        stored.setValue(countKey(upper), "7");
        stored.setValue("hitCounts/" + QString::fromStdString(lower.string()).toLower(), "3");
        stored.setValue("hitCounts/not-a-uuid", "5");
    }
    {
        auto model = makeModel();
        EXPECT_EQ(model->counts(), (HitCounts{{upper, 7}, {lower, 3}}));
        model->recordHit(compiled(keyRule("cmd+k")), std::nullopt);
    }
    // The first write puts the store back in the model's form.
    QSettings stored(settingsPath(), QSettings::IniFormat);
    stored.beginGroup("hitCounts");
    EXPECT_EQ(stored.childKeys().size(), 3);
    EXPECT_EQ(stored.value(QString::fromStdString(lower.string())).toLongLong(), 3);

    // One value that is not an integer: no counters at all.
    stored.setValue(QString::fromStdString(upper.string()), "7.5");
    stored.sync();
    EXPECT_TRUE(makeModel()->counts().empty());
}

TEST_F(ModelTest, EngineHandOffsReachTheModelAfterTheEvent)
{
    sim.setFrontmost(std::string("firefox"));
    permission.granted = true;
    auto model = makeModel();
    const Mapping m = keyRule("cmd+k", Action::keys(Combo::parse("cmd+x")));
    model->setGroups({RuleGroup("Edit", {}, {m})});
    model->startEngineWhenPermitted();
    ASSERT_TRUE(sim.tap.started());
    model->setProbeActive(true);

    QSignalSpy probeSpy(model.get(), &AppModel::probeChanged);
    InputEvent down = InputEvent::key(true, m.trigger->combo().keyCode, mod::command);
    ASSERT_TRUE(sim.tap.feed(down));
    EXPECT_EQ(probeSpy.count(), 0); // nothing runs inside the event
    processQueued();
    ASSERT_EQ(probeSpy.count(), 1);
    EXPECT_EQ(model->probe()->match, "Edit · " + m.action->summary());
    EXPECT_EQ(model->counts().at(m.id), 1);
    EXPECT_EQ(model->recent().at(0).appID, "firefox");

    // The engine reads the switches at once: master off, or a recorder
    // listening, lets the key pass untouched.
    for (const bool recording : {false, true}) {
        model->setMasterEnabled(recording);
        if (recording) {
            model->startRecording("A-t", false, [](const Trigger&) {});
        }
        InputEvent again = InputEvent::key(true, m.trigger->combo().keyCode, mod::command);
        ASSERT_TRUE(sim.tap.feed(again));
        EXPECT_EQ(again.keyCode, m.trigger->combo().keyCode);
    }
}

} // namespace
} // namespace norvane::test
