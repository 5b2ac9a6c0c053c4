#include "cmreader.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

QString tooLarge(qint64 limit)
{
    return u"the file is larger than %1 MB"_s.arg(limit / (1024 * 1024));
}

} // namespace

qint64 CMSource::size() const
{
    return isFile() ? QFileInfo(m_path).size() : m_bytes.size();
}

std::unique_ptr<QIODevice> CMSource::open(QString *reason) const
{
    if (!isFile()) {
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(QByteArray::fromRawData(m_bytes.data(), m_bytes.size()));
        buffer->open(QIODevice::ReadOnly);
        return buffer;
    }
    const QFileInfo info(m_path);
    if (info.exists() && !info.isFile()) {
        *reason = info.isDir() ? u"it is a folder"_s : u"it is not a regular file"_s;
        return nullptr;
    }
    auto file = std::make_unique<QFile>(m_path);
    if (!file->open(QIODevice::ReadOnly)) {
        *reason = file->errorString();
        return nullptr;
    }
    return file;
}

std::optional<QByteArray> CMSource::readAll(qint64 limit, QString *reason) const
{
    if (!isFile()) {
        if (m_bytes.size() > limit) {
            *reason = tooLarge(limit);
            return std::nullopt;
        }
        return m_bytes.toByteArray();
    }
    const auto device = open(reason);
    if (!device)
        return std::nullopt;
    if (device->size() > limit) {
        *reason = tooLarge(limit);
        return std::nullopt;
    }
    // In chunks: a file may grow while it is read, and a huge buffer up front costs as much
    // as the limit whatever the file's size.
    QByteArray bytes;
    bytes.reserve(qsizetype(device->size()));
    constexpr qint64 chunkBytes = 1024 * 1024;
    for (;;) {
        const QByteArray chunk = device->read(chunkBytes);
        if (chunk.isEmpty())
            break;
        bytes += chunk;
        if (bytes.size() > limit) {
            *reason = tooLarge(limit);
            return std::nullopt;
        }
    }
    const auto *file = static_cast<const QFile *>(device.get());
    if (file->error() != QFileDevice::NoError) {
        *reason = file->errorString();
        return std::nullopt;
    }
    return bytes;
}
