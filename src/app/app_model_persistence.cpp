// Loading, saving, export and import of the configuration file, and
// following the changes other programs make to it.
#include "app/app_model.h"
#include "app/file_io.h"
#include "model/config_document.h"
#include "model/config_loader.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>

#include <chrono>

namespace norvane {

namespace {

using namespace std::chrono_literals;

constexpr auto saveDelay = 400ms;
// Editors write a file in steps (truncate, write, rename): the file is read
// once it has been still for this long.
constexpr auto settleDelay = 200ms;

const QString malformedMessage =
    QStringLiteral("配置文件格式有误，已沿用当前规则。可在「通用设置」里打开配置文件检查。");
const QString oversizedMessage =
    QStringLiteral("配置文件里的规则组、映射或文字多得超出常理，已沿用当前规则。可在「通用设置」里打开配置文件检查。");
const QString unreadableMessage = QStringLiteral("配置文件无法读取，已沿用当前规则：");
const QString saveFailedMessage = QStringLiteral("配置没有保存：");
const QString backupFailedMessage = QStringLiteral("配置没有保存：原配置文件无法读取，也无法备份。");
const QString keepFailedMessage = QStringLiteral("配置没有保存：配置文件在别处被修改过，修改后的版本无法另存：");

QByteArray encoded(const std::vector<RuleGroup>& groups, const Preferences& preferences)
{
    const std::string text = encodeConfig(ConfigFile{2, groups, preferences});
    return {text.data(), static_cast<qsizetype>(text.size())};
}

std::string_view view(const QByteArray& bytes)
{
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

} // namespace

void AppModel::load()
{
    loadContents(readFileContents(configPath_, static_cast<qint64>(maxConfigBytes)));
}

void AppModel::loadContents(const FileContents& file)
{
    loading_ = true;
    if (file.status == FileContents::Status::missing) {
        setGroups({});
        setPreferences(Preferences{});
        loading_ = false;
        fileNeedsBackup_ = false;
        knownFile_.clear();
        save();
        return;
    }
    if (file.status == FileContents::Status::unreadable) {
        setLoadError(unreadableMessage + file.error);
        fileNeedsBackup_ = true;
        loading_ = false;
        return;
    }
    knownFile_ = file.bytes;
    auto why = ConfigReadError::notConfig;
    auto document = readConfigDocument(view(file.bytes), &why);
    if (!document) {
        // The rules in memory stay, and so does an edit still waiting for
        // its save; the file stays as it is until an edit.
        setLoadError(why == ConfigReadError::tooMany ? oversizedMessage : malformedMessage);
        fileNeedsBackup_ = true;
        loading_ = false;
        return;
    }
    // What is in memory is replaced by the file: nothing is left to save.
    dirty_ = false;
    saveTimer_->stop();
    fileNeedsBackup_ = false;
    if (document->format == LoadedDocument::Format::current) {
        setGroups(std::move(document->groups));
        setPreferences(document->preferences.value_or(Preferences{}));
        setLoadError({});
        loading_ = false;
        return;
    }

    // A first-format file: keep its bytes beside it (unless a backup already
    // exists), then rewrite it in the current format.
    copyFileAtomically(configPath_, legacyBackupPath(configPath_), false);
    setGroups(std::move(document->groups));
    loading_ = false;
    save();
}

void AppModel::scheduleSave()
{
    if (loading_) {
        return;
    }
    dirty_ = true;
    saveTimer_->start(saveDelay);
}

std::optional<QString> AppModel::backUpUnreadableFile()
{
    if (!QFileInfo::exists(configPath_)) {
        return std::nullopt;
    }
    // The newest unreadable file replaces an older one.
    return copyFileAtomically(configPath_, unreadableBackupPath(configPath_), true);
}

std::optional<QString> AppModel::keepOutsideVersion()
{
    const FileContents disk = readFileContents(configPath_, static_cast<qint64>(maxConfigBytes));
    if (disk.status != FileContents::Status::ok || disk.bytes == knownFile_) {
        return std::nullopt;
    }
    const QString stamp =
        QDateTime::fromSecsSinceEpoch(
            std::chrono::duration_cast<std::chrono::seconds>(clock_->now().time_since_epoch()).count())
            .toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = configPath_ + QStringLiteral(".outside-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n) {
        aside = configPath_ + QStringLiteral(".outside-") + stamp + QLatin1Char('-') + QString::number(n);
    }
    if (auto error = copyFileAtomically(configPath_, aside, false)) {
        return keepFailedMessage + *error;
    }
    knownFile_ = disk.bytes;
    outsideEditNotice_ = QStringLiteral("配置文件在别处被修改过，而岚枢里还有未保存的更改：已保存岚枢里的规则，"
                                        "别处修改的版本另存为 %1。")
                             .arg(QFileInfo(aside).fileName());
    return std::nullopt;
}

std::optional<QString> AppModel::writeConfig()
{
    // A file that could not be read may hold rules the user wants back: it
    // is kept as config.json.bad before anything replaces it. A file another
    // program wrote is kept the same way, under its own name.
    if (fileNeedsBackup_) {
        if (backUpUnreadableFile()) {
            return backupFailedMessage;
        }
        fileNeedsBackup_ = false;
    } else if (auto error = keepOutsideVersion()) {
        return error;
    }
    QByteArray bytes = encoded(groups_, preferences_);
    if (const auto error = writeFileAtomically(configPath_, bytes, true)) {
        return saveFailedMessage + *error;
    }
    knownFile_ = std::move(bytes);
    dirty_ = false;
    return std::nullopt;
}

void AppModel::save()
{
    saveTimer_->stop();
    const QString noticeBefore = outsideEditNotice_;
    const auto error = writeConfig();
    if (outsideEditNotice_ != noticeBefore) {
        emit outsideEditNoticeChanged();
    }
    if (error) {
        setSaveError(*error);
        return;
    }
    if (!saveError_.isEmpty()) {
        setSaveError({});
    }
    watchConfigFile(); // the file (or its folder) may be new
    emit saved();
}

void AppModel::flushPendingWrites()
{
    if (dirty_) {
        save();
    }
    if (defaults_.hasPendingWrites()) {
        flushCounts();
    }
}

void AppModel::flushCounts()
{
    countsTimer_->stop();
    if (const auto error = defaults_.flushCounts(counts_)) {
        // Kept in memory and tried again with the next hit and at exit.
        qWarning("norvane: hit counters not stored: %s", qPrintable(*error));
    }
}

void AppModel::clearOutsideEditNotice()
{
    outsideEditNotice_.clear();
    emit outsideEditNoticeChanged();
}

void AppModel::watchConfigFile()
{
    if (!watcher_) {
        watcher_ = std::make_unique<QFileSystemWatcher>();
        settleTimer_ = clock_->makeTimer(false, [this] { checkOutsideChange(); });
        auto touched = [this] {
            watchConfigFile();
            settleTimer_->start(settleDelay);
        };
        // The folder as well: a program that replaces the file (as this one
        // does) ends the watch of the old file.
        connect(watcher_.get(), &QFileSystemWatcher::fileChanged, this, touched);
        connect(watcher_.get(), &QFileSystemWatcher::directoryChanged, this, touched);
    }
    const QString folder = QFileInfo(configPath_).absolutePath();
    for (const QString& path : {folder, configPath_}) {
        if (!watcher_->files().contains(path) && !watcher_->directories().contains(path) && QFileInfo::exists(path)) {
            watcher_->addPath(path);
        }
    }
}

void AppModel::checkOutsideChange()
{
    if (loading_) {
        return;
    }
    const FileContents disk = readFileContents(configPath_, static_cast<qint64>(maxConfigBytes));
    // A file that went away is written again by the next save; one that
    // cannot be read now is left for the next start or reload.
    if (disk.status != FileContents::Status::ok || disk.bytes == knownFile_) {
        return;
    }
    if (dirty_) {
        // Both changed: the edits made here win, the other version is kept.
        save();
        return;
    }
    loadContents(disk);
}

std::optional<QString> AppModel::exportConfig(const QString& path)
{
    save();
    // Written from memory rather than copied from disk, so that a failed
    // save above cannot export stale rules.
    return writeFileAtomically(path, encoded(groups_, preferences_), false);
}

bool AppModel::importConfig(const QString& path)
{
    const FileContents file = readFileContents(path, static_cast<qint64>(maxConfigBytes));
    if (file.status != FileContents::Status::ok) {
        return false;
    }
    auto document = readConfigDocument(view(file.bytes));
    if (!document) {
        return false;
    }
    setGroups(std::move(document->groups));
    if (document->preferences) {
        setPreferences(*document->preferences);
    }
    if (groups_.empty()) {
        setSelection(std::nullopt);
    } else {
        setSelection(SidebarItem::group(groups_.front().id));
    }
    return true;
}

} // namespace norvane
