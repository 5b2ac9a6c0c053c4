#include "cmatomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace CMAtomicFile {

namespace {

std::atomic<qint64> failAfter{-1};
std::atomic<bool> readOnlyFault{false};

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The folder's entry for the renamed file reaches the disk too, not only the file's bytes.
void syncFolder(const QString &path)
{
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

void setFailAfterBytesForTesting(qint64 bytes)
{
    failAfter = bytes;
}

void setReadOnlyForTesting(bool readOnly)
{
    readOnlyFault = readOnly;
}

std::optional<QString> write(const QString &path, QByteArrayView bytes)
{
    if (path.isEmpty())
        return u"There is no folder to save in."_s;
    if (readOnlyFault)
        return systemError(EROFS);
    QSaveFile file(path);
    // Unbuffered: a buffered write that fails only when flushed inside commit() is not
    // noticed by commit(), which then renames the short file over the good one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    constexpr qsizetype chunk = 1 << 20;
    const qint64 limit = failAfter.load();
    for (qsizetype done = 0; done < bytes.size();) {
        qsizetype n = std::min(chunk, bytes.size() - done);
        const bool fault = limit >= 0 && done + n > limit;
        if (fault)
            n = std::max<qsizetype>(0, qsizetype(limit) - done);
        // A full disk first takes part of a write and refuses only the next one, which is
        // the one that says why.
        for (qsizetype written = 0; written < n;) {
            const qint64 w = file.write(bytes.data() + done + written, n - written);
            if (w <= 0) {
                const QString reason = file.error() != QFileDevice::NoError
                    ? file.errorString()
                    : systemError(errno ? errno : EIO);
                file.cancelWriting();
                return reason;
            }
            written += w;
        }
        done += n;
        if (fault) {
            file.cancelWriting();
            return systemError(ENOSPC);
        }
    }
    if (!file.flush() || ::fsync(file.handle()) != 0) {
        const QString reason = file.error() != QFileDevice::NoError ? file.errorString()
                                                                    : systemError(errno);
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    syncFolder(path);
    return std::nullopt;
}

Kind inspect(const QString &path, qint64 maxBytes)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st = {};
    if (::stat(name.constData(), &st) != 0) {
        struct stat link = {};
        return ::lstat(name.constData(), &link) == 0 ? Kind::NotRegular : Kind::Missing;
    }
    if (!S_ISREG(st.st_mode))
        return Kind::NotRegular;
    return st.st_size > maxBytes ? Kind::TooLarge : Kind::Regular;
}

std::optional<QByteArray> readRegular(const QString &path, qint64 maxBytes)
{
    // Non-blocking: a pipe put there since inspect() must not stall the start.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st = {};
    std::optional<QByteArray> result;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= maxBytes) {
        // Reads to the end even if the file grew since, but never past the bound.
        QByteArray bytes(qsizetype(std::min<qint64>(st.st_size, maxBytes)) + 1, Qt::Uninitialized);
        qsizetype done = 0;
        for (;;) {
            if (done == bytes.size()) {
                if (done > maxBytes)
                    break;
                bytes.resize(qsizetype(std::min<qint64>(maxBytes + 1, done + (1 << 20))));
            }
            const ssize_t n = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (n == 0 && done <= maxBytes) {
                    bytes.truncate(done);
                    result = std::move(bytes);
                }
                break;
            }
            done += n;
        }
    }
    ::close(fd);
    return result;
}

std::optional<QString> keepAside(const QString &path)
{
    const QByteArray from = QFile::encodeName(path);
    for (int n = 1; n <= 10000; ++n) {
        const QString aside = n == 1 ? path + u".unreadable"_s
                                     : u"%1.unreadable-%2"_s.arg(path).arg(n);
        const QByteArray to = QFile::encodeName(aside);
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE)
            == 0) {
            return aside;
        }
        if (errno == EEXIST)
            continue;
        if (errno != EINVAL)
            return std::nullopt;
        // A file system without no-replace renames: look, then rename.
        struct stat st = {};
        if (::lstat(to.constData(), &st) == 0)
            continue;
        return ::rename(from.constData(), to.constData()) == 0 ? std::optional(aside)
                                                               : std::nullopt;
    }
    return std::nullopt;
}

} // namespace CMAtomicFile
