#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// Files that are replaced whole or not at all, and saved state read without trusting it.
namespace CMAtomicFile {

// Writes bytes to a temporary file beside path, checks every write and the flush to the disk,
// and only then renames it over path. On any failure path is left exactly as it was and the
// reason is returned ("No space left on device").
std::optional<QString> write(const QString &path, QByteArrayView bytes);

// For tests: every write after this many bytes fails as on a full disk (negative: never).
void setFailAfterBytesForTesting(qint64 bytes);
// For tests: every write fails before it creates a file, as in a read-only folder.
void setReadOnlyForTesting(bool readOnly);

enum class Kind {
    Missing,    // nothing there
    Regular,    // a regular file (a link to one counts) of at most the size asked
    TooLarge,   // a regular file larger than that
    NotRegular, // a pipe, a device, a folder, a dangling link, ...
};
// What is at path, without opening it: opening a pipe would wait for a writer forever.
Kind inspect(const QString &path, qint64 maxBytes);

// Reads a file known to be regular, refusing it when it has grown past maxBytes meanwhile.
std::optional<QByteArray> readRegular(const QString &path, qint64 maxBytes);

// Moves the file (or link, or pipe) at path out of the way, beside it as
// "NAME.unreadable", "NAME.unreadable-2", ...: an earlier one is never replaced. Returns the
// new path, or nothing when it could not be moved.
std::optional<QString> keepAside(const QString &path);

} // namespace CMAtomicFile
