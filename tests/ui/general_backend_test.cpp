// The general settings page's backend over the real AppModel: the message
// line, import and export with their failures, the login item, and the
// browser rows.
#include "general_fakes.h"
#include "quick_setup.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace norvane::test {
namespace {

const QString malformed = QStringLiteral("配置文件格式有误，已沿用当前规则。可在「通用设置」里打开配置文件检查。");
const char* twoGroups = R"({"version": 2, "groups": [
  {"id": "6F9619FF-8B86-D011-B42D-00C04FC964FF", "name": "甲", "enabled": true, "scope": {"mode": "all"}, "mappings": []},
  {"id": "7F9619FF-8B86-D011-B42D-00C04FC964FF", "name": "乙", "enabled": true, "scope": {"mode": "all"}, "mappings": []}
], "preferences": {"showHUD": false}})";

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class GeneralBackendTest : public ::testing::Test {
protected:
    GeneralBackendTest() : fixture(std::make_unique<QuickFixture>(apps)) {}
    AppModel& model() { return fixture->model; }
    ui::GeneralBackend& general() { return fixture->general; }
    GeneralFakes& fakes() { return fixture->generalFakes; }
    QString file(const QString& name) { return scratch.filePath(name); }

    ListDirectory apps;
    std::unique_ptr<QuickFixture> fixture;
    QTemporaryDir scratch;
};

TEST_F(GeneralBackendTest, MessageLineShowsTheLoadErrorUntilAnActionReplacesIt)
{
    EXPECT_EQ(general().message(), "");
    write(model().configPath(), "{ not json");
    model().load();
    EXPECT_EQ(general().message(), malformed);
    EXPECT_TRUE(general().messageIsError());

    // Still broken: the reload says so, as an error.
    general().reload();
    EXPECT_EQ(general().message(), malformed);
    EXPECT_TRUE(general().messageIsError());

    write(model().configPath(), twoGroups);
    general().reload();
    EXPECT_EQ(general().message(), "已重新载入");
    EXPECT_FALSE(general().messageIsError());
    EXPECT_EQ(model().groups().size(), 2U);

    general().pageOpened();
    EXPECT_EQ(general().message(), "");
}

TEST_F(GeneralBackendTest, ImportReplacesTheRulesOrChangesNothing)
{
    write(model().configPath(), twoGroups);
    model().load();
    const auto before = model().groups();

    write(file("broken.json"), "{\"version\": 2, \"groups\": [");
    general().importFrom(file("broken.json"));
    EXPECT_EQ(general().message(), "导入失败：文件不是岚枢的配置");
    EXPECT_TRUE(general().messageIsError());
    EXPECT_EQ(model().groups(), before);

    // Larger than any configuration: refused without reading it whole.
    write(file("huge.json"), QByteArray(qsizetype{17} * 1024 * 1024, ' ') + twoGroups);
    general().importFrom(file("huge.json"));
    EXPECT_EQ(general().message(), "导入失败：文件不是岚枢的配置");
    EXPECT_EQ(model().groups(), before);

    general().importFrom(file("missing.json"));
    EXPECT_EQ(model().groups(), before);

    write(file("empty.json"), R"({"version": 2, "groups": [], "preferences": {"showHUD": true}})");
    general().importFrom(file("empty.json"));
    EXPECT_EQ(general().message(), "导入成功");
    EXPECT_FALSE(general().messageIsError());
    EXPECT_TRUE(model().groups().empty());
}

TEST_F(GeneralBackendTest, ImportDialogsCancelledOrNotConfirmedImportNothing)
{
    write(file("in.json"), twoGroups);
    auto& dialogs = fakes().dialogs;

    general().chooseImport(); // no file chosen: nothing is asked
    EXPECT_EQ(dialogs.confirmations, 0);

    dialogs.importFile = file("in.json");
    dialogs.confirm = false;
    general().chooseImport();
    EXPECT_EQ(dialogs.confirmations, 1);
    EXPECT_TRUE(model().groups().empty());
    EXPECT_EQ(general().message(), "");

    dialogs.confirm = true;
    general().chooseImport();
    EXPECT_EQ(model().groups().size(), 2U);
    EXPECT_EQ(general().message(), "导入成功");
}

TEST_F(GeneralBackendTest, ExportWritesTheRulesOrSaysWhyNot)
{
    write(model().configPath(), twoGroups);
    model().load();
    auto& dialogs = fakes().dialogs;

    dialogs.exportFile = file("岚枢配置.json");
    write(*dialogs.exportFile, "old");
    general().chooseExport();
    EXPECT_EQ(dialogs.suggestedName, "岚枢配置.json");
    EXPECT_EQ(general().message(), "已导出到 岚枢配置.json");
    EXPECT_TRUE(read(*dialogs.exportFile).contains("\"乙\""));

    const QString folder = readOnlyFolder(scratch);
    general().exportTo(folder + "/岚枢配置.json");
    EXPECT_TRUE(general().message().startsWith("导出失败："));
    EXPECT_GT(general().message().size(), QString("导出失败：").size());
    EXPECT_TRUE(general().messageIsError());
    EXPECT_FALSE(QFile::exists(folder + "/岚枢配置.json"));
}

TEST_F(GeneralBackendTest, ConfigPathWithTildeAndTheBuildVersion)
{
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QFileInfo(model().configPath()).absolutePath().toUtf8());
    EXPECT_EQ(general().configPath(), "~/config.json");
    qputenv("HOME", "/nowhere");
    EXPECT_EQ(general().configPath(), model().configPath());
    qputenv("HOME", home);

    ui::GeneralBackend versioned(model(), {fakes().browsers, fakes().viewer, fakes().dialogs, " 1.2.0\n", {}});
    EXPECT_EQ(versioned.aboutLine(), "Norvane · 版本 1.2.0 · 按应用、按网页的快捷键映射");
}

TEST_F(GeneralBackendTest, RevealAsksForTheConfigFileAndReportsWhenNothingOpens)
{
    general().revealConfig();
    EXPECT_EQ(fakes().viewer.revealed, QStringList{model().configPath()});
    EXPECT_EQ(general().message(), "");
    fakes().viewer.shows = false;
    general().revealConfig();
    EXPECT_TRUE(general().message().startsWith("没有能打开的文件管理器"));
}

TEST_F(GeneralBackendTest, RegisteringABrowserSaysHowToLoadTheExtension)
{
    QSignalSpy changed(&general(), &ui::GeneralBackend::browsersChanged);
    general().refreshBrowsers();
    EXPECT_EQ(changed.size(), 0); // nothing changed

    general().registerBrowser("firefox");
    EXPECT_EQ(fakes().browsers.registeredIDs, std::vector<std::string>{"firefox"});
    EXPECT_TRUE(general().message().contains("about:debugging"));
    EXPECT_TRUE(general().message().contains("/opt/norvane/browser-extension/manifest.json"));
    EXPECT_EQ(changed.size(), 1);
    EXPECT_TRUE(general().browsers()[1].toMap()["registered"].toBool());

    general().registerBrowser("chromium");
    EXPECT_TRUE(general().message().startsWith("已为 Chromium 登记桥接程序。"));
    EXPECT_TRUE(general().message().contains("chrome://extensions"));

    fakes().browsers.failure = "~/.config/chromium: Permission denied";
    general().registerBrowser("chromium");
    EXPECT_EQ(general().message(), "登记失败：~/.config/chromium: Permission denied");
    EXPECT_TRUE(general().messageIsError());

    fakes().browsers.find("chromium")->live = true;
    general().refreshBrowsers();
    EXPECT_EQ(changed.size(), 2);
    EXPECT_TRUE(general().browsers()[0].toMap()["live"].toBool());
}

// A model whose login item fails and whose configuration folder refuses
// writes.
struct FailingLoginItem final : LoginItem {
    [[nodiscard]] bool isEnabled() override { return false; }
    std::optional<std::string> setEnabled(bool /*on*/) override { return "autostart folder is read-only"; }
};

class GeneralBackendFailureTest : public ::testing::Test {
protected:
    QTemporaryDir home;
    sim::Platform sim;
    GrantedPermission permission;
    FailingLoginItem loginItem;
    ScriptedMonitor local, global;
    QString configPath = readOnlyFolder(home) + "/norvane/config.json";
    AppModel model{AppPlatform{sim.tap, sim.output, sim.frontmost, sim.pages, sim.workspace, sim.notifier, permission,
                               loginItem, local, global},
                   AppStorage{configPath, home.filePath("norvane.conf"), "norvane"}, systemClock()};
    GeneralFakes fakes;
    ui::GeneralBackend general{model, fakes.services()};
};

TEST_F(GeneralBackendFailureTest, LoginFailureIsSaidAndTheSwitchShowsTheRealState)
{
    QSignalSpy changed(&general, &ui::GeneralBackend::launchAtLoginChanged);
    general.setLaunchAtLogin(true);
    EXPECT_FALSE(general.launchAtLogin());
    EXPECT_EQ(changed.size(), 1); // the switch flips back
    EXPECT_EQ(general.message(), "设置登录启动失败：autostart folder is read-only");
    EXPECT_TRUE(general.messageIsError());
}

TEST_F(GeneralBackendFailureTest, ASaveErrorShowsBesideAReloadThatWorked)
{
    // The missing file is written at once on load, which fails here.
    general.reload();
    EXPECT_EQ(general.message(), "已重新载入");
    EXPECT_TRUE(general.saveError().startsWith("配置没有保存："));
}

} // namespace
} // namespace norvane::test
