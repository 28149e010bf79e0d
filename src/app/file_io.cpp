#include "app/file_io.h"

#include "platform/atomic_file.h"

#include <QFile>
#include <QFileInfo>

namespace norvane {

namespace {

std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

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
    // QSaveFile is not used: for a document smaller than its buffer the
    // real write happens inside commit(), which in Qt 6.4 misses a full
    // disk and puts an empty file in place.
    const auto error = norvane::writeFileAtomically(localPath(path), std::string_view(bytes.constData(), bytes.size()),
                                                    AtomicWriteOptions{.makeFolders = makeFolders, .replace = true});
    return error ? std::optional<QString>(QString::fromLocal8Bit(*error)) : std::nullopt;
}

std::optional<QString> copyFileAtomically(const QString& from, const QString& to, bool replace)
{
    const auto error = norvane::copyFileAtomically(localPath(from), localPath(to),
                                                   AtomicWriteOptions{.makeFolders = false, .replace = replace});
    return error ? std::optional<QString>(QString::fromLocal8Bit(*error)) : std::nullopt;
}

} // namespace norvane
