#include "general_fakes.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace norvane::test {

ui::BrowserRegistration ListBrowserSetup::registerHost(const std::string& appID)
{
    if (!failure.empty()) {
        return {false, failure, {}};
    }
    registeredIDs.push_back(appID);
    if (auto* b = find(appID)) {
        b->registered = true;
    }
    return {true, {}, extensionDir};
}

ui::BrowserStatus* ListBrowserSetup::find(const std::string& appID)
{
    const auto it = std::find_if(list.begin(), list.end(), [&](const auto& b) { return b.appID == appID; });
    return it == list.end() ? nullptr : &*it;
}

std::optional<std::string> FakeWindowTracking::install()
{
    ++installs;
    if (!failure.empty()) {
        return failure;
    }
    state.installed = true;
    state.enabled = true;
    return std::nullopt;
}

GeneralFakes::GeneralFakes()
{
    browsers.list = {
        {"chromium", "Chromium", false, false, true, false},
        {"firefox", "Firefox", true, false, false, false},
    };
}

QString readOnlyFolder(const QTemporaryDir& scratch)
{
    QString dir = scratch.filePath(QStringLiteral("read-only"));
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
    QFile probe(dir + QStringLiteral("/probe"));
    if (!probe.open(QIODevice::WriteOnly)) {
        return dir;
    }
    // Permission bits do not stop root: sysfs refuses new files to everyone.
    probe.remove();
    return QStringLiteral("/sys");
}

void GeneralTestHooks::writeConfig(const QString& text)
{
    QFile file(model_.configPath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(text.toUtf8());
    }
}

void GeneralTestHooks::startWithConfig(const QString& text)
{
    writeConfig(text);
    model_.load();
    if (!counting_) {
        counting_ = true;
        connect(&model_, &AppModel::saved, this, [this] { ++writes_; });
    }
    writes_ = 0;
}

void GeneralTestHooks::setAccessGranted(bool granted)
{
    model_.setInputAccessGranted(granted);
}

void GeneralTestHooks::setBrowserLive(const QString& appID, bool live)
{
    if (auto* b = fakes_.browsers.find(appID.toStdString())) {
        b->live = live;
    }
}

void GeneralTestHooks::setWindowTracking(const QString& shell, bool installed, bool enabled, bool loaded,
                                         bool reporting, const QString& installFailure)
{
    using Shell = ui::WindowTrackingStatus::Shell;
    auto& s = fakes_.tracking.state;
    s = {};
    s.shell = shell == QLatin1String("kde") ? Shell::kde : shell == QLatin1String("gnome") ? Shell::gnome : Shell::none;
    s.installed = installed;
    s.enabled = enabled;
    s.loaded = loaded;
    s.reporting = reporting;
    fakes_.tracking.failure = installFailure.toStdString();
}

QString GeneralTestHooks::readOnlyFolder()
{
    return test::readOnlyFolder(scratch_);
}

} // namespace norvane::test
