#pragma once

#include "app/app_model.h"
#include "ui/general/browser_setup.h"
#include "ui/general/file_viewer.h"
#include "ui/general/settings_dialogs.h"
#include "ui/state/general_backend.h"

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>
#include <string>
#include <vector>

namespace norvane::test {

// Browsers from a list; registering marks one registered, or fails when told.
struct ListBrowserSetup final : ui::BrowserSetup {
    std::vector<ui::BrowserStatus> list;
    std::vector<std::string> registeredIDs;
    std::string failure; // registering fails with this when not empty
    std::string extensionDir = "/opt/norvane/browser-extension";

    [[nodiscard]] std::vector<ui::BrowserStatus> browsers() override { return list; }
    ui::BrowserRegistration registerHost(const std::string& appID) override;
    ui::BrowserStatus* find(const std::string& appID);
};

// A shell helper whose state the test sets; installing puts it in place and
// enables it (it then waits for the next login), or fails when told.
struct FakeWindowTracking final : ui::WindowTracking {
    ui::WindowTrackingStatus state;
    std::string failure;
    int installs = 0;

    [[nodiscard]] ui::WindowTrackingStatus status() override { return state; }
    std::optional<std::string> install() override;
};

// Remembers what it was asked to show; answers at once.
struct RecordingViewer final : ui::FileViewer {
    QStringList revealed;
    bool shows = true;
    void reveal(const QString& path, std::function<void(bool)> done) override
    {
        revealed.append(path);
        done(shows);
    }
};

// Answers the import and export dialogs from fields.
struct ScriptedDialogs final : ui::SettingsDialogs {
    std::optional<QString> importFile;
    bool confirm = true;
    std::optional<QString> exportFile;
    int confirmations = 0;
    QString suggestedName;

    std::optional<QString> chooseImportFile() override { return importFile; }
    bool confirmImport() override { return ++confirmations, confirm; }
    std::optional<QString> chooseExportFile(const QString& suggested) override
    {
        suggestedName = suggested;
        return exportFile;
    }
};

// The settings page's platform side in tests: two browsers (Chromium
// registered, Firefox not), no application icon and an unversioned build.
struct GeneralFakes {
    GeneralFakes();
    ListBrowserSetup browsers;
    RecordingViewer viewer;
    ScriptedDialogs dialogs;
    FakeWindowTracking tracking;
    [[nodiscard]] ui::GeneralServices services()
    {
        return {browsers, viewer, dialogs, QString(), QString(), &tracking};
    }
};

// A folder that refuses new files, also to root (who ignores permission bits).
QString readOnlyFolder(const QTemporaryDir& scratch);

// What the settings page tests reach, as singleton "GeneralTest" in module
// "NorvaneTest" 1.0.
class GeneralTestHooks final : public QObject {
    Q_OBJECT

public:
    GeneralTestHooks(AppModel& model, GeneralFakes& fakes) : model_(model), fakes_(fakes) {}
    // Replaces the configuration file's bytes and loads it as at start-up.
    Q_INVOKABLE void startWithConfig(const QString& text);
    Q_INVOKABLE void writeConfig(const QString& text);
    Q_INVOKABLE void setAccessGranted(bool granted);
    Q_INVOKABLE void setBrowserLive(const QString& appID, bool live);
    // shell: "" (another desktop), "kde" or "gnome".
    Q_INVOKABLE void setWindowTracking(const QString& shell, bool installed, bool enabled, bool loaded, bool reporting,
                                       const QString& installFailure = {});
    Q_INVOKABLE QString readOnlyFolder();
    Q_INVOKABLE int configWrites() const { return writes_; }

private:
    AppModel& model_;
    GeneralFakes& fakes_;
    QTemporaryDir scratch_;
    int writes_ = 0;
    bool counting_ = false;
};

} // namespace norvane::test
