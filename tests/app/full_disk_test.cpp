// Writes on a full disk: each must fail whole, keep the previous file and
// say so. The disk is a tiny tmpfs; without one the tests skip.
#include "model/config_document.h"
#include "platform/atomic_file.h"
#include "support/small_disk.h"
#include "test_support.h"

#include <QSettings>

#include <sys/mount.h>

namespace norvane::test {
namespace {

class FullDiskTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        folder = home.path() + "/.config/norvane";
        ASSERT_TRUE(QDir().mkpath(folder));
        if (const auto why = SmallDisk::mountOver(folder.toStdString()); !why.empty()) {
            GTEST_SKIP() << "full-disk handling not tested: cannot mount a small tmpfs here (" << why << ")";
        }
        mounted = true;
    }
    void TearDown() override
    {
        if (mounted) {
            ::umount2(folder.toLocal8Bit().constData(), MNT_DETACH);
        }
    }
    void fillDisk() { ASSERT_TRUE(SmallDisk::fillWith(filler().toStdString())); }
    [[nodiscard]] QString filler() const { return folder + "/filler"; }
    [[nodiscard]] QStringList files() const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }

    QString folder;
    bool mounted = false;
};

std::size_t groupCount(const QByteArray& bytes)
{
    const auto file = decodeConfig(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    return file ? file->groups.size() : 0;
}

TEST_F(FullDiskTest, ConfigurationSaveAndExportKeepThePreviousFilesAndSaySo)
{
    auto model = makeModel();
    model->addGroup(RuleGroup("kept"));
    model->save();
    ASSERT_TRUE(model->saveError().isEmpty());
    const QByteArray before = readFile(configPath());
    const QString exported = folder + "/export.json";
    writeFile(exported, "earlier export");
    const QStringList filesBefore = files();

    fillDisk();
    model->addGroup(RuleGroup("new"));
    clock->advance(400ms);
    EXPECT_TRUE(model->saveError().startsWith("配置没有保存：")) << model->saveError().toStdString();
    EXPECT_TRUE(model->saveError().contains("No space left")) << model->saveError().toStdString();
    EXPECT_EQ(readFile(configPath()), before);
    EXPECT_TRUE(model->exportConfig(exported).has_value());
    EXPECT_EQ(readFile(exported), "earlier export");
    model.reset(); // the save on the way out fails the same way
    EXPECT_EQ(readFile(configPath()), before);
    EXPECT_EQ(files(), filesBefore + QStringList{"filler"}); // no half-written files left behind

    // A restart still finds the rules; with space again the edits are written.
    model = makeModel();
    EXPECT_EQ(model->groups().size(), 1U);
    EXPECT_TRUE(model->loadError().isEmpty());
    model->addGroup(RuleGroup("new"));
    model->save();
    EXPECT_FALSE(model->saveError().isEmpty());
    QFile::remove(filler());
    model->save();
    EXPECT_TRUE(model->saveError().isEmpty());
    EXPECT_EQ(groupCount(readFile(configPath())), 2U);
}

TEST_F(FullDiskTest, WriterAndCopierFailWholeAndLeaveNothingBehind)
{
    const std::string dir = folder.toStdString();
    const std::string big(20000, 'b'); // more than one buffer, less than the disk
    ASSERT_EQ(writeFileAtomically(dir + "/small", "small"), std::nullopt);
    ASSERT_EQ(writeFileAtomically(dir + "/big", big), std::nullopt);
    fillDisk();
    for (const auto& bytes : {std::string("tiny"), big}) {
        const auto error = writeFileAtomically(dir + "/small", bytes);
        ASSERT_TRUE(error.has_value());
        EXPECT_NE(error->find("No space left on device"), std::string::npos) << *error;
    }
    EXPECT_TRUE(copyFileAtomically(dir + "/big", dir + "/small").has_value());
    EXPECT_TRUE(copyFileAtomically(dir + "/big", dir + "/copy").has_value());
    EXPECT_EQ(readFile(folder + "/small"), "small");
    EXPECT_EQ(files(), (QStringList{"big", "filler", "small"}));
}

TEST_F(FullDiskTest, SwitchAndCountersKeepTheirStoredValues)
{
    auto model = makeModel();
    const Mapping m = keyRule("cmd+k");
    const CompiledMapping hit{"G", {}, m.id, *m.trigger, *m.action, m.note};
    model->setMasterEnabled(false);
    model->recordHit(hit, std::nullopt);
    clock->advance(1s);
    processQueued();
    const QByteArray before = readFile(settingsPath());
    ASSERT_TRUE(before.contains("masterEnabled=false"));

    fillDisk();
    model->recordHit(hit, std::nullopt);
    clock->advance(1s);
    model->setMasterEnabled(true);
    EXPECT_EQ(readFile(settingsPath()), before);

    // With space again the next write catches up on all that is pending.
    QFile::remove(filler());
    model->recordHit(hit, std::nullopt);
    clock->advance(1s);
    QSettings stored(settingsPath(), QSettings::IniFormat);
    EXPECT_EQ(stored.value("masterEnabled").toString(), "true");
    EXPECT_EQ(stored.value("hitCounts/" + QString::fromStdString(m.id.string())).toLongLong(), 3);
}

} // namespace
} // namespace norvane::test
