#include "ui/state/general_backend.h"

#include "app/app_model.h"
#include "ui/general/file_viewer.h"
#include "ui/general/settings_dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>

namespace norvane::ui {

namespace {

const QString importedMessage = QStringLiteral("导入成功");
const QString importFailedMessage = QStringLiteral("导入失败：文件不是岚枢的配置");
const QString exportedMessage = QStringLiteral("已导出到 ");
const QString exportFailedMessage = QStringLiteral("导出失败：");
const QString reloadedMessage = QStringLiteral("已重新载入");
const QString revealFailedMessage = QStringLiteral("没有能打开的文件管理器，配置文件在 ");
const QString registerFailedMessage = QStringLiteral("登记失败：");
const QString installFailedMessage = QStringLiteral("安装失败：");

QString text(const std::string& s)
{
    return QString::fromStdString(s);
}

// The home folder as "~", as people write paths.
QString tilde(const QString& path)
{
    const QString home = QDir::homePath();
    if (home.size() > 1 && (path == home || path.startsWith(home + QLatin1Char('/')))) {
        return QLatin1Char('~') + path.mid(home.size());
    }
    return path;
}

QString extensionHelp(const BrowserStatus& browser, const std::string& extensionDir)
{
    const QString dir = extensionDir.empty() ? QString() : tilde(text(extensionDir));
    if (browser.firefox) {
        const QString file = dir.isEmpty() ? QStringLiteral("岚枢浏览器扩展文件夹里的 manifest.json")
                                           : dir + QStringLiteral("/manifest.json");
        return QStringLiteral(
                   "再在 Firefox 打开 about:debugging#/runtime/this-firefox，点「临时载入附加组件…」，选择 %1"
                   "（临时附加组件在 Firefox 重启后失效）。")
            .arg(file);
    }
    const QString folder = dir.isEmpty() ? QStringLiteral("岚枢的浏览器扩展文件夹") : dir;
    return QStringLiteral("再在 %1 打开扩展程序页（地址栏输入 chrome://extensions），开启「开发者模式」，"
                          "点「加载已解压的扩展程序」，选择 %2，然后重启浏览器。")
        .arg(text(browser.name), folder);
}

struct TrackingText {
    QString text;
    bool good = false;
};

// What the window-tracking row says about the shell helper.
TrackingText trackingText(const WindowTrackingStatus& s)
{
    const bool gnome = s.shell == WindowTrackingStatus::Shell::gnome;
    if (s.reporting) {
        return {QStringLiteral("正在跟踪前台应用"), true};
    }
    const QString viaX11 = QStringLiteral("，暂时通过 X11 跟踪前台应用");
    if (!gnome) {
        if (!s.installed) {
            return {QStringLiteral("缺少 KWin 脚本，请重新安装岚枢")};
        }
        if (s.loaded) {
            return {QStringLiteral("KWin 脚本已载入")};
        }
        return {QStringLiteral("KWin 脚本未载入") + (s.followsX11 ? viaX11 : QStringLiteral("，重启岚枢后再试"))};
    }
    QString text;
    if (s.loaded) {
        text = QStringLiteral("GNOME Shell 扩展已载入");
    } else if (!s.installed) {
        text = QStringLiteral("未安装 GNOME Shell 扩展，认不出前台应用");
    } else if (!s.enabled) {
        text = QStringLiteral("GNOME Shell 扩展已装好，尚未启用");
    } else {
        text = QStringLiteral("GNOME Shell 扩展已装好，下次登录后生效");
    }
    if (s.followsX11 && !s.loaded) {
        text += viaX11;
    }
    return {text};
}

} // namespace

QString buildVersion()
{
#ifdef NORVANE_VERSION
    return QStringLiteral(NORVANE_VERSION);
#else
    return {};
#endif
}

QString installedAppIcon()
{
    for (const char* name : {"icons/hicolor/scalable/apps/norvane.svg", "icons/hicolor/256x256/apps/norvane.png",
                             "icons/hicolor/128x128/apps/norvane.png"}) {
        const QString file = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QLatin1String(name));
        if (!file.isEmpty()) {
            return QUrl::fromLocalFile(file).toString();
        }
    }
    // Built into the program, for a copy that is not installed.
    if (QFile::exists(QStringLiteral(":/norvane/icons/norvane.svg"))) {
        return QStringLiteral("qrc:/norvane/icons/norvane.svg");
    }
    return {};
}

GeneralBackend::GeneralBackend(AppModel& model, GeneralServices services, QObject* parent)
    : QObject(parent), model_(model), services_(services),
      version_(services.version.trimmed().isEmpty() ? QStringLiteral("dev") : services.version.trimmed()),
      iconSource_(services.iconSource), launchAtLogin_(model.launchAtLogin()), browsers_(services.browsers.browsers()),
      tracking_(services.windowTracking ? services.windowTracking->status() : WindowTrackingStatus{})
{
    connect(&model_, &AppModel::preferencesChanged, this, &GeneralBackend::showHUDChanged);
    connect(&model_, &AppModel::loadErrorChanged, this, &GeneralBackend::messageChanged);
    connect(&model_, &AppModel::saveErrorChanged, this, &GeneralBackend::saveErrorChanged);
}

void GeneralBackend::setLaunchAtLogin(bool on)
{
    const QString failure = model_.setLaunchAtLogin(on);
    if (!failure.isEmpty()) {
        setMessage(failure, true);
    }
    // The switch shows what the system did, which may differ from the flip.
    launchAtLogin_ = model_.launchAtLogin();
    emit launchAtLoginChanged();
}

bool GeneralBackend::showHUD() const
{
    return model_.preferences().showHUD;
}

void GeneralBackend::setShowHUD(bool on)
{
    Preferences preferences = model_.preferences();
    preferences.showHUD = on;
    model_.setPreferences(preferences);
}

QString GeneralBackend::configPath() const
{
    return tilde(model_.configPath());
}

QString GeneralBackend::message() const
{
    return message_.isEmpty() ? model_.loadError() : message_;
}

bool GeneralBackend::messageIsError() const
{
    return message_.isEmpty() ? !model_.loadError().isEmpty() : messageIsError_;
}

QString GeneralBackend::saveError() const
{
    return model_.saveError();
}

QVariantList GeneralBackend::browsers() const
{
    QVariantList list;
    for (const auto& b : browsers_) {
        list.append(QVariantMap{
            {QStringLiteral("appId"), text(b.appID)},
            {QStringLiteral("name"), text(b.name)},
            {QStringLiteral("firefox"), b.firefox},
            {QStringLiteral("flatpakOnly"), b.flatpakOnly},
            {QStringLiteral("registered"), b.registered},
            {QStringLiteral("live"), b.live},
        });
    }
    return list;
}

QVariantMap GeneralBackend::windowTracking() const
{
    if (tracking_.shell == WindowTrackingStatus::Shell::none) {
        return {{QStringLiteral("shown"), false}};
    }
    const auto said = trackingText(tracking_);
    const QString helper = tracking_.shell == WindowTrackingStatus::Shell::gnome
                               ? QStringLiteral("GNOME 上由岚枢的 GNOME Shell 扩展告知")
                               : QStringLiteral("KDE Plasma 上由岚枢的 KWin 脚本告知");
    return {
        {QStringLiteral("shown"), true},
        {QStringLiteral("caption"), QStringLiteral("按应用生效的规则要知道前台是哪个应用：") + helper},
        {QStringLiteral("text"), said.text},
        {QStringLiteral("good"), said.good},
        {QStringLiteral("canInstall"), tracking_.installHelps()},
    };
}

QString GeneralBackend::aboutLine() const
{
    return QStringLiteral("Norvane · 版本 ") + version_ + QStringLiteral(" · 按应用、按网页的快捷键映射");
}

void GeneralBackend::pageOpened()
{
    setMessage({}, false);
    if (const bool now = model_.launchAtLogin(); now != launchAtLogin_) {
        launchAtLogin_ = now;
        emit launchAtLoginChanged();
    }
    refreshBrowsers();
    refreshWindowTracking();
}

void GeneralBackend::revealConfig()
{
    const QString path = model_.configPath();
    services_.viewer.reveal(path, [self = QPointer(this), path](bool shown) {
        if (self && !shown) {
            self->setMessage(revealFailedMessage + tilde(path), true);
        }
    });
}

void GeneralBackend::chooseImport()
{
    const auto path = services_.dialogs.chooseImportFile();
    if (!path || !services_.dialogs.confirmImport()) {
        return;
    }
    importFrom(*path);
}

void GeneralBackend::importFrom(const QString& path)
{
    if (path.isEmpty()) {
        return;
    }
    if (model_.importConfig(path)) {
        setMessage(importedMessage, false);
    } else {
        setMessage(importFailedMessage, true);
    }
}

void GeneralBackend::chooseExport()
{
    if (const auto path = services_.dialogs.chooseExportFile(QString::fromUtf8(exportName))) {
        exportTo(*path);
    }
}

void GeneralBackend::exportTo(const QString& path)
{
    if (path.isEmpty()) {
        return;
    }
    // The model replaces the file in one step, so a failed export leaves
    // whatever was there before untouched.
    if (const auto error = model_.exportConfig(path)) {
        setMessage(exportFailedMessage + *error, true);
    } else {
        setMessage(exportedMessage + QFileInfo(path).fileName(), false);
    }
}

void GeneralBackend::reload()
{
    model_.load();
    const QString& error = model_.loadError();
    if (error.isEmpty()) {
        setMessage(reloadedMessage, false);
    } else {
        setMessage(error, true);
    }
}

void GeneralBackend::refreshBrowsers()
{
    auto now = services_.browsers.browsers();
    if (now != browsers_) {
        browsers_ = std::move(now);
        emit browsersChanged();
    }
}

void GeneralBackend::registerBrowser(const QString& appId)
{
    const auto id = appId.toStdString();
    refreshBrowsers();
    const auto it = std::find_if(browsers_.begin(), browsers_.end(), [&](const auto& b) { return b.appID == id; });
    const auto result = services_.browsers.registerHost(id);
    if (!result.ok) {
        setMessage(registerFailedMessage + text(result.error), true);
    } else {
        const BrowserStatus browser = it != browsers_.end() ? *it : BrowserStatus{id, id};
        setMessage(QStringLiteral("已为 %1 登记桥接程序。").arg(text(browser.name)) +
                       extensionHelp(browser, result.extensionDir),
                   false);
    }
    refreshBrowsers();
}

void GeneralBackend::refreshWindowTracking()
{
    if (!services_.windowTracking) {
        return;
    }
    auto now = services_.windowTracking->status();
    if (now != tracking_) {
        tracking_ = std::move(now);
        emit windowTrackingChanged();
    }
}

void GeneralBackend::installWindowTracking()
{
    if (!services_.windowTracking) {
        return;
    }
    const auto failure = services_.windowTracking->install();
    refreshWindowTracking();
    if (failure) {
        setMessage(installFailedMessage + text(*failure), true);
    } else {
        setMessage(trackingText(tracking_).text, false);
    }
}

void GeneralBackend::setMessage(QString text, bool isError)
{
    if (text == message_ && isError == messageIsError_) {
        return;
    }
    message_ = std::move(text);
    messageIsError_ = isError;
    emit messageChanged();
}

} // namespace norvane::ui
