// Loading, saving, export and import of the configuration file.
#include "app/app_model.h"
#include "app/file_io.h"
#include "model/config_document.h"
#include "model/config_loader.h"

#include <QFile>

#include <chrono>

namespace norvane {

namespace {

using namespace std::chrono_literals;

constexpr auto saveDelay = 400ms;

const QString malformedMessage =
    QStringLiteral("配置文件格式有误，已沿用当前规则。可在「通用设置」里打开配置文件检查。");
const QString unreadableMessage = QStringLiteral("配置文件无法读取，已沿用当前规则：");
const QString saveFailedMessage = QStringLiteral("配置没有保存：");
const QString backupFailedMessage = QStringLiteral("配置没有保存：原配置文件无法读取，也无法备份。");

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
    loading_ = true;
    const FileContents file = readFileContents(configPath_, static_cast<qint64>(maxConfigBytes));
    if (file.status == FileContents::Status::missing) {
        setGroups({});
        setPreferences(Preferences{});
        loading_ = false;
        fileNeedsBackup_ = false;
        save();
        return;
    }
    if (file.status == FileContents::Status::unreadable) {
        setLoadError(unreadableMessage + file.error);
        fileNeedsBackup_ = true;
        loading_ = false;
        return;
    }

    auto document = readConfigDocument(view(file.bytes));
    if (!document) {
        // The rules in memory stay; the file stays as it is until an edit.
        setLoadError(malformedMessage);
        fileNeedsBackup_ = true;
        loading_ = false;
        return;
    }
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
    QFile::copy(configPath_, legacyBackupPath(configPath_));
    setGroups(std::move(document->groups));
    loading_ = false;
    save();
}

void AppModel::scheduleSave()
{
    if (loading_) {
        return;
    }
    saveTimer_->start(saveDelay);
}

bool AppModel::backUpUnreadableFile()
{
    if (!QFile::exists(configPath_)) {
        return true;
    }
    // The newest unreadable file replaces an older one.
    const QString backup = unreadableBackupPath(configPath_);
    QFile::remove(backup);
    return QFile::copy(configPath_, backup);
}

void AppModel::save()
{
    // A file that could not be read may hold rules the user wants back: it
    // is kept as config.json.bad before anything replaces it.
    if (fileNeedsBackup_) {
        if (!backUpUnreadableFile()) {
            setSaveError(backupFailedMessage);
            return;
        }
        fileNeedsBackup_ = false;
    }
    if (const auto error = writeFileAtomically(configPath_, encoded(groups_, preferences_), true)) {
        setSaveError(saveFailedMessage + *error);
        return;
    }
    if (!saveError_.isEmpty()) {
        setSaveError({});
    }
    emit saved();
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
