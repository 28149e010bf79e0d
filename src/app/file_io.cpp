#include "app/file_io.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace norvane {

FileContents readFileContents(const QString& path, qint64 limit)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        return {FileContents::Status::missing, {}, {}};
    }
    if (!info.isFile()) {
        return {FileContents::Status::unreadable, {}, QStringLiteral("不是普通文件")};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {FileContents::Status::unreadable, {}, file.errorString()};
    }
    QByteArray bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError) {
        return {FileContents::Status::unreadable, {}, file.errorString()};
    }
    return {FileContents::Status::ok, std::move(bytes), {}};
}

std::optional<QString> writeFileAtomically(const QString& path, const QByteArray& bytes, bool makeFolders)
{
    if (makeFolders) {
        // A failure shows up below as a failure to create the temporary file.
        QDir().mkpath(QFileInfo(path).absolutePath());
    }
    QSaveFile file(path);
    // Never fall back to writing the target in place: that is exactly what
    // could leave a half-written file behind.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return std::nullopt;
}

} // namespace norvane
