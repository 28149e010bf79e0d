#pragma once

#include "app/app_model.h"
#include "general_fakes.h"
#include "platform/sim/sim_platform.h"
#include "ui/state/activity_backend.h"
#include "ui/state/app_directory.h"
#include "ui/state/app_state.h"
#include "ui/state/group_backend.h"
#include "ui/state/mappings_backend.h"

#include <QObject>
#include <QTemporaryDir>

#include <map>
#include <memory>

class QQmlEngine;

namespace norvane::test {

// Grants access at once and keeps login items in memory.
struct GrantedPermission final : AccessPermission {
    [[nodiscard]] bool hasInputAccess() override { return true; }
    void request(RequestDone done) override { done(std::nullopt); }
};

struct MemoryLoginItem final : LoginItem {
    bool enabled = false;
    [[nodiscard]] bool isEnabled() override { return enabled; }
    std::optional<std::string> setEnabled(bool on) override { return enabled = on, std::nullopt; }
};

// Hands presses to the monitors installed for their kind.
struct ScriptedMonitor final : PressMonitor {
    std::map<Token, std::pair<Watch, Handler>> handlers;
    Token last = 0;
    std::optional<Token> add(Watch watch, Handler handler) override;
    void remove(Token token) override { handlers.erase(token); }
    void press(const MonitoredPress& p);
};

// Installed and running applications from fixed lists; one of them has an
// icon file.
struct ListDirectory final : ui::AppDirectory {
    std::vector<ui::AppEntry> apps;
    std::vector<std::string> runningIDs;
    std::map<std::string, std::string> icons;
    [[nodiscard]] std::vector<ui::AppEntry> installed() override { return apps; }
    [[nodiscard]] std::vector<std::string> running() override { return runningIDs; }
    [[nodiscard]] std::optional<std::string> iconFile(const std::optional<std::string>& appID, int sizePx) override;
};

// What the QML tests reach beyond the controls, as singleton "TestPlatform"
// in module "NorvaneTest" 1.0.
class TestPlatform final : public QObject {
    Q_OBJECT

public:
    TestPlatform(ScriptedMonitor& monitor, AppModel& model, sim::Platform& sim)
        : monitor_(monitor), model_(model), sim_(sim)
    {}
    // A key press in text form ("ctrl+k") reaching the application's window.
    Q_INVOKABLE bool pressKey(const QString& combo);
    Q_INVOKABLE void pressMouse(int button);
    // Puts `count` hits of ctrl+k into the activity log, the newest first,
    // one second apart ending at `newestMs` (ms since the epoch).
    Q_INVOKABLE void fillRecent(int count, double newestMs);
    // Reports a probe; empty strings stand for absent fields.
    Q_INVOKABLE void reportProbe(const QString& trigger, const QString& appID, const QString& url,
                                 const QString& match);
    // The running applications (one instance each) and the page each
    // browser's bridge last reported ("" for none).
    Q_INVOKABLE void setRunning(const QStringList& appIDs);
    Q_INVOKABLE void setPageAddress(const QString& appID, const QString& url);
    // An application came to the front.
    Q_INVOKABLE void activate(const QString& appID);
    // Counts `times` hits of the mapping with this id.
    Q_INVOKABLE void hit(const QString& mappingID, int times);
    // Adds and selects a group of `count` mappings with distinct key
    // triggers; its id.
    Q_INVOKABLE QString addGroupOf(int count);

private:
    ScriptedMonitor& monitor_;
    AppModel& model_;
    sim::Platform& sim_;
};

// One application model on the simulated platform per QML test file.
struct QuickFixture {
    explicit QuickFixture(ui::AppDirectory& apps);

    QTemporaryDir home;
    sim::Platform sim;
    GrantedPermission permission;
    MemoryLoginItem loginItem;
    ScriptedMonitor local, global;
    AppModel model;
    ui::AppState state;
    ui::ActivityBackend activity{model};
    ui::GroupBackend group{state, sim.workspace, sim.pages};
    ui::MappingsBackend mappings{state};
    TestPlatform platform{local, model, sim};
    GeneralFakes generalFakes;
    ui::GeneralBackend general{model, generalFakes.services()};
    GeneralTestHooks generalHooks{model, generalFakes};
};

// Set up for Qt Quick Test: each test file's engine gets a fresh model
// behind AppState and Activity, and the controls registered.
class QuickSetup : public QObject {
    Q_OBJECT

public:
    QuickSetup();
    ~QuickSetup() override;

public slots:
    void applicationAvailable();
    void qmlEngineAvailable(QQmlEngine* engine);
    void cleanupTestCase();

private:
    ListDirectory apps_;
    QTemporaryDir files_;
};

} // namespace norvane::test
