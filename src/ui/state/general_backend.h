#pragma once

#include "ui/general/browser_setup.h"
#include "ui/general/window_tracking.h"

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <vector>

namespace norvane {
class AppModel;
} // namespace norvane

namespace norvane::ui {

class FileViewer;
class SettingsDialogs;

// What the general settings page uses besides the model.
struct GeneralServices {
    BrowserSetup& browsers;
    FileViewer& viewer;
    SettingsDialogs& dialogs;
    QString version;    // this build's version; "dev" when empty
    QString iconSource; // the application's icon as an image URL; "" for none
    // The shell helper on KDE Plasma and GNOME; null elsewhere (no row).
    WindowTracking* windowTracking = nullptr;
};

// This build's version, from the build system.
QString buildVersion();
// The application icon as an image URL (the installed one, else the one
// built in), or "".
QString installedAppIcon();

// The general settings page: the application-wide switches, input access and
// the browser bridge, the configuration file's import, export and reload,
// and what the page says about each outcome in its one message line.
class GeneralBackend final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool launchAtLogin READ launchAtLogin WRITE setLaunchAtLogin NOTIFY launchAtLoginChanged)
    Q_PROPERTY(bool showHUD READ showHUD WRITE setShowHUD NOTIFY showHUDChanged)
    // The configuration file, the home folder written as "~".
    Q_PROPERTY(QString configPath READ configPath CONSTANT)
    // The message line: the outcome of the page's last action, else the
    // model's load error; "" for none.
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)
    Q_PROPERTY(bool messageIsError READ messageIsError NOTIFY messageChanged)
    // Why the rules could not be saved; shown beside any message, so that
    // no outcome reads as saved while it is not.
    Q_PROPERTY(QString saveError READ saveError NOTIFY saveErrorChanged)
    // The installed browsers: {appId, name, firefox, flatpakOnly, registered, live}.
    Q_PROPERTY(QVariantList browsers READ browsers NOTIFY browsersChanged)
    // How the application in front is followed, on desktops whose shell needs
    // a helper: {shown, caption, text, good, canInstall}.
    Q_PROPERTY(QVariantMap windowTracking READ windowTracking NOTIFY windowTrackingChanged)
    Q_PROPERTY(QString version READ version CONSTANT)
    Q_PROPERTY(QString aboutLine READ aboutLine CONSTANT)
    Q_PROPERTY(QString iconSource READ iconSource CONSTANT)

public:
    GeneralBackend(AppModel& model, GeneralServices services, QObject* parent = nullptr);

    [[nodiscard]] bool launchAtLogin() const noexcept { return launchAtLogin_; }
    // Registers or unregisters the login item, then shows the real state.
    void setLaunchAtLogin(bool on);
    [[nodiscard]] bool showHUD() const;
    void setShowHUD(bool on);
    [[nodiscard]] QString configPath() const;
    [[nodiscard]] QString message() const;
    [[nodiscard]] bool messageIsError() const;
    [[nodiscard]] QString saveError() const;
    [[nodiscard]] QVariantList browsers() const;
    [[nodiscard]] QVariantMap windowTracking() const;
    [[nodiscard]] QString version() const { return version_; }
    [[nodiscard]] QString aboutLine() const;
    [[nodiscard]] QString iconSource() const { return iconSource_; }

    // The page came on screen: no message yet, the login item as it is now.
    Q_INVOKABLE void pageOpened();
    Q_INVOKABLE void revealConfig();
    // The import button: choose a file, confirm, import.
    Q_INVOKABLE void chooseImport();
    Q_INVOKABLE void importFrom(const QString& path);
    // The export button: choose where, export.
    Q_INVOKABLE void chooseExport();
    Q_INVOKABLE void exportTo(const QString& path);
    Q_INVOKABLE void reload();
    // Reads the browsers' state again (a bridge may have come or gone).
    Q_INVOKABLE void refreshBrowsers();
    // Registers the host for one browser and says how to add the extension.
    Q_INVOKABLE void registerBrowser(const QString& appId);
    // Reads the shell helper's state again.
    Q_INVOKABLE void refreshWindowTracking();
    // Installs the shell helper and says when it takes effect.
    Q_INVOKABLE void installWindowTracking();

    static constexpr const char* exportName = "岚枢配置.json";

signals:
    void launchAtLoginChanged();
    void showHUDChanged();
    void messageChanged();
    void saveErrorChanged();
    void browsersChanged();
    void windowTrackingChanged();

private:
    void setMessage(QString text, bool isError);

    AppModel& model_;
    GeneralServices services_;
    QString version_;
    QString iconSource_;
    bool launchAtLogin_ = false;
    QString message_;
    bool messageIsError_ = false;
    std::vector<BrowserStatus> browsers_;
    WindowTrackingStatus tracking_;
};

} // namespace norvane::ui
