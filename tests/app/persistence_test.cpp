#include "app/config_paths.h"
#include "model/config_document.h"
#include "test_support.h"

#include <QSignalSpy>

#include <unistd.h>

namespace norvane::test {
namespace {

const QByteArray legacyBytes = R"({"rules":[{"name":"Docs","apps":["firefox"],"map":{"cmd+1":"opt+cmd+1"}}]})";

std::optional<ConfigFile> decoded(const QByteArray& bytes)
{
    return decodeConfig(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

TEST(ConfigPaths, FollowXdgConfigHomeOnlyWhenAbsolute)
{
    qputenv("HOME", "/home/u");
    qputenv("XDG_CONFIG_HOME", "/xdg");
    EXPECT_EQ(configFilePath(), "/xdg/norvane/config.json");
    qputenv("XDG_CONFIG_HOME", "relative/dir");
    EXPECT_EQ(configFilePath(), "/home/u/.config/norvane/config.json");
}

TEST_F(ModelTest, FirstStartWritesAnEmptyCurrentFile)
{
    auto model = makeModel();
    const auto file = decoded(readFile(configPath()));
    ASSERT_TRUE(file.has_value());
    EXPECT_TRUE(file->groups.empty());
    EXPECT_TRUE(file->preferences.showHUD);
}

TEST_F(ModelTest, MalformedFileIsLeftAloneUntilAnEditThenKeptAside)
{
    const QByteArray broken = R"({"version": 2, "groups": [)";
    writeFile(configPath(), broken);
    auto model = makeModel();
    EXPECT_EQ(model->loadError(), "配置文件格式有误，已沿用当前规则。可在「通用设置」里打开配置文件检查。");
    clock->advance(5s);
    EXPECT_EQ(readFile(configPath()), broken);
    model->addGroup();
    clock->advance(400ms);
    EXPECT_EQ(decoded(readFile(configPath()))->groups.size(), 1U);
    EXPECT_EQ(readFile(configPath() + ".bad"), broken);
}

TEST_F(ModelTest, OverfullFileSaysSoAndIsLeftAlone)
{
    // 20,000 empty groups: well-formed, but past any real configuration.
    QByteArray crowded = R"({"version": 2, "preferences": {}, "groups": [{})";
    for (int i = 1; i < 20000; ++i) {
        crowded += ",{}";
    }
    crowded += "]}";
    writeFile(configPath(), crowded);
    auto model = makeModel();
    EXPECT_TRUE(model->groups().empty());
    EXPECT_TRUE(model->loadError().startsWith("配置文件里的规则组、映射或文字多得超出常理"));
    clock->advance(5s);
    EXPECT_EQ(readFile(configPath()), crowded);
}

TEST_F(ModelTest, LegacyFileIsMigratedOnceAndItsBackupKept)
{
    writeFile(configPath(), legacyBytes);
    EXPECT_EQ(makeModel()->groups().at(0).name, "Docs");
    EXPECT_EQ(decoded(readFile(configPath()))->groups.size(), 1U);
    EXPECT_EQ(readFile(configPath() + ".v1.bak"), legacyBytes);
    // Later starts, even with another legacy file, leave the backup alone.
    writeFile(configPath(), R"({"rules":[]})");
    makeModel();
    EXPECT_EQ(readFile(configPath() + ".v1.bak"), legacyBytes);
}

TEST_F(ModelTest, TenQuickEditsMakeOneWriteFourHundredMillisecondsAfterTheLast)
{
    auto model = makeModel();
    QSignalSpy saves(model.get(), &AppModel::saved);
    for (int i = 0; i < 10; ++i) {
        model->addGroup(RuleGroup("g" + std::to_string(i)));
        clock->advance(i < 9 ? 300ms : 399ms);
    }
    EXPECT_EQ(saves.count(), 0);
    clock->advance(1ms);
    EXPECT_EQ(saves.count(), 1);
    EXPECT_EQ(decoded(readFile(configPath()))->groups.size(), 10U);

    // Neither loading nor the master switch writes the file.
    model->load();
    model->setMasterEnabled(false);
    clock->advance(10s);
    EXPECT_EQ(saves.count(), 1);
    model.reset();
    EXPECT_FALSE(makeModel()->masterEnabled());
}

TEST_F(ModelTest, FailedSaveKeepsThePreviousFileAndSaysSo)
{
    auto model = makeModel();
    const QByteArray before = readFile(configPath());
    const QString folder = QFileInfo(configPath()).absolutePath();
    for (QString dir = folder; dir != QDir::tempPath(); dir = QFileInfo(dir).path()) {
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner | QFile::ReadOther |
                                       QFile::ExeOther);
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    const bool root = geteuid() == 0; // root ignores permissions: save as nobody
    ASSERT_TRUE(!root || seteuid(65534) == 0);
    model->addGroup(RuleGroup("edit"));
    model->save();
    ASSERT_TRUE(!root || seteuid(0) == 0);
    EXPECT_TRUE(model->saveError().startsWith("配置没有保存："));
    EXPECT_EQ(readFile(configPath()), before);

    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    model->save();
    EXPECT_TRUE(model->saveError().isEmpty());
}

TEST_F(ModelTest, ExportAndImport)
{
    auto model = makeModel();
    const QString target = home.path() + "/岚枢配置.json";
    writeFile(target, "old");
    EXPECT_FALSE(model->exportConfig(target).has_value());
    EXPECT_EQ(readFile(target), readFile(configPath()));
    EXPECT_TRUE(model->exportConfig(home.path() + "/missing/out.json").has_value());

    // A legacy file replaces the rules only, and its first group is shown.
    model->setPreferences(Preferences{false});
    writeFile(home.path() + "/v1.json", legacyBytes);
    ASSERT_TRUE(model->importConfig(home.path() + "/v1.json"));
    EXPECT_FALSE(model->preferences().showHUD);
    EXPECT_EQ(model->selection(), SidebarItem::group(model->groups().at(0).id));
    ASSERT_TRUE(model->importConfig(target)); // no groups
    EXPECT_TRUE(model->preferences().showHUD);
    EXPECT_FALSE(model->selection().has_value());

    writeFile(home.path() + "/junk.json", "[1,2,3]");
    for (const char* name : {"/junk.json", "/nothing-here.json", ""}) {
        EXPECT_FALSE(model->importConfig(home.path() + name)) << name;
    }
}

TEST_F(ModelTest, AnEditJustBeforeQuittingIsWritten)
{
    auto model = makeModel();
    QSignalSpy saves(model.get(), &AppModel::saved);
    model->addGroup(RuleGroup("on quit"));
    clock->advance(100ms);
    QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection);
    EXPECT_EQ(saves.count(), 1);
    EXPECT_EQ(decoded(readFile(configPath()))->groups.size(), 1U);

    // Without the event loop ending in order: the model going away writes.
    const Mapping m = keyRule("cmd+k");
    model->recordHit(CompiledMapping{"G", {}, m.id, *m.trigger, *m.action, m.note}, std::nullopt);
    model->addGroup(RuleGroup("on exit"));
    clock->advance(100ms);
    model.reset();
    EXPECT_EQ(decoded(readFile(configPath()))->groups.size(), 2U);
    EXPECT_EQ(makeModel()->counts().at(m.id), 1);
}

TEST_F(ModelTest, AnEditIsWrittenWhenTheProcessExitsWithoutUnwinding)
{
    // As when Qt ends the process because the display server went away.
    EXPECT_EXIT(
        {
            auto model = makeModel();
            model->addGroup(RuleGroup("at exit"));
            std::exit(3);
        },
        testing::ExitedWithCode(3), "");
    EXPECT_EQ(decoded(readFile(configPath()))->groups.at(0).name, "at exit");
}

TEST_F(ModelTest, ReloadingABrokenFileKeepsAnEditWaitingForItsSave)
{
    auto model = makeModel();
    model->addGroup(RuleGroup("pending"));
    writeFile(configPath(), "{ broken");
    model->load();
    EXPECT_FALSE(model->loadError().isEmpty());
    clock->advance(400ms);
    EXPECT_EQ(decoded(readFile(configPath()))->groups.at(0).name, "pending");
    EXPECT_EQ(readFile(configPath() + ".bad"), "{ broken");
}

// Spins the event loop (file-change notices) and the model's clock until
// `done` holds.
template <typename Predicate> bool settle(ManualClock& clock, Predicate done)
{
    for (int i = 0; i < 100 && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        clock.advance(50ms);
    }
    return done();
}

QByteArray outsideConfig(const char* groupName)
{
    const std::string text = encodeConfig(ConfigFile{2, {RuleGroup(groupName)}, Preferences{}});
    return {text.data(), static_cast<qsizetype>(text.size())};
}

TEST_F(ModelTest, OutsideEditsAreLoadedAndTheAppsOwnWritesIgnored)
{
    auto model = makeModel();
    QSignalSpy groups(model.get(), &AppModel::groupsChanged);
    QSignalSpy saves(model.get(), &AppModel::saved);
    model->addGroup(RuleGroup("mine"));
    clock->advance(400ms);
    ASSERT_EQ(saves.count(), 1);
    // The app's own save is not taken for an outside change.
    settle(*clock, [] { return false; });
    EXPECT_EQ(groups.count(), 1);

    // Written in place, as a plain editor does.
    writeFile(configPath(), outsideConfig("by hand"));
    ASSERT_TRUE(settle(*clock, [&] { return model->groups().size() == 1 && model->groups()[0].name == "by hand"; }));
    EXPECT_EQ(saves.count(), 1); // loaded, not written back
    EXPECT_TRUE(model->outsideEditNotice().isEmpty());

    // Replaced through a rename, as most editors and scripts do; then broken.
    writeFile(configPath() + ".tmp", outsideConfig("renamed"));
    ASSERT_TRUE(QFile::remove(configPath()) && QFile::rename(configPath() + ".tmp", configPath()));
    ASSERT_TRUE(settle(*clock, [&] { return model->groups()[0].name == "renamed"; }));
    writeFile(configPath(), "{ broken");
    ASSERT_TRUE(settle(*clock, [&] { return !model->loadError().isEmpty(); }));
    EXPECT_EQ(model->groups()[0].name, "renamed");
    EXPECT_EQ(readFile(configPath()), "{ broken");
}

TEST_F(ModelTest, WhenBothChangedTheAppWinsAndTheOutsideVersionIsKeptBeside)
{
    auto model = makeModel();
    QSignalSpy notices(model.get(), &AppModel::outsideEditNoticeChanged);
    const QDir folder = QFileInfo(configPath()).dir();
    auto kept = [&] { return folder.entryList({"config.json.outside-*"}, QDir::Files, QDir::Name); };

    // The outside edit lands between the app's edit and its save, before
    // any file notice arrived.
    const QByteArray one = outsideConfig("outside one"), two = outsideConfig("outside two");
    model->addGroup(RuleGroup("in app"));
    writeFile(configPath(), one);
    clock->advance(400ms);
    ASSERT_EQ(kept().size(), 1);
    EXPECT_EQ(readFile(folder.filePath(kept()[0])), one);
    EXPECT_EQ(decoded(readFile(configPath()))->groups.at(0).name, "in app");
    EXPECT_EQ(notices.count(), 1);
    EXPECT_TRUE(model->outsideEditNotice().contains(kept()[0])) << model->outsideEditNotice().toStdString();
    EXPECT_TRUE(model->saveError().isEmpty());

    // Noticed while an edit waits for its save: saved at once, the other
    // version kept under a second name.
    settle(*clock, [] { return false; });
    model->addGroup(RuleGroup("second"));
    writeFile(configPath(), two);
    ASSERT_TRUE(settle(*clock, [&] { return kept().size() == 2; }));
    EXPECT_EQ(decoded(readFile(configPath()))->groups.size(), 2U);
    EXPECT_EQ(readFile(folder.filePath(kept()[1])), two);
    EXPECT_EQ(model->groups().size(), 2U);

    model->clearOutsideEditNotice();
    EXPECT_TRUE(model->outsideEditNotice().isEmpty());
}

TEST_F(ModelTest, ActivationOfOtherApplicationsIsRemembered)
{
    auto model = makeModel();
    model->applicationActivated(std::string("firefox"));
    model->applicationActivated(std::string("norvane"));
    EXPECT_EQ(model->lastExternalApp(), "firefox");
    std::thread([&] { model->applicationActivated(std::string("org.gnome.Terminal")); }).join();
    processQueued();
    EXPECT_EQ(model->lastExternalApp(), "org.gnome.Terminal");
}

} // namespace
} // namespace norvane::test
