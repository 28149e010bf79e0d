#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace norvane {

// The bytes of a configuration file, or why there are none.
struct FileContents {
    enum class Status : std::uint8_t { ok, missing, unreadable };
    Status status = Status::ok;
    QByteArray bytes;
    QString error; // for unreadable: the system's reason
};

// Reads a whole regular file. Reads at most `limit` + 1 bytes, so that an
// oversized file is recognised without being loaded whole; anything but a
// regular file (a folder, a pipe, a device) is unreadable.
FileContents readFileContents(const QString& path, qint64 limit);

// Replaces `path` with `bytes` atomically: written to a new file beside it,
// synced to disk and checked, then renamed over it, so a failure (read-only
// folder, full disk) leaves the previous file as it was. With `makeFolders`
// the missing parent folders are created first. The system's reason when it
// failed.
std::optional<QString> writeFileAtomically(const QString& path, const QByteArray& bytes, bool makeFolders);

// Copies `from` to `to` the same way; with `replace` false an existing `to`
// is left alone and the copy fails.
std::optional<QString> copyFileAtomically(const QString& from, const QString& to, bool replace);

} // namespace norvane
