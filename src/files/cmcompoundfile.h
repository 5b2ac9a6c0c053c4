#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;

// A read-only OLE compound file, the container of Word 97-2003 documents: the sector
// allocation tables, the directory and the streams of the root storage. Every chain is followed
// at most once and every size is checked against the file, so damaged or hostile files give a
// reason in plain words instead of a crash, a hang or a huge allocation.
class CMCompoundFile
{
public:
    static bool hasSignature(QByteArrayView bytes);
    static std::optional<CMCompoundFile> open(const QByteArray &bytes, QString *reason);
    // A file read where it lies: only the sectors of the tables and of the streams asked for
    // are read, so the pictures of a large document never come into memory.
    static std::optional<CMCompoundFile> open(std::shared_ptr<QIODevice> device, QString *reason);

    // Streams directly under the root storage, by name, ignoring case.
    bool hasStream(QStringView name) const;
    std::optional<QByteArray> stream(QStringView name, QString *reason) const;

private:
    struct Entry
    {
        QString name;
        quint8 type = 0;
        quint32 left = 0;
        quint32 right = 0;
        quint32 child = 0;
        quint32 start = 0;
        quint64 size = 0;
    };

    CMCompoundFile() = default;
    static std::optional<CMCompoundFile> open(CMCompoundFile file, QString *reason);
    // The file's bytes at [offset, offset + length); shorter when they are not all there.
    QByteArray bytesAt(qint64 offset, qint64 length) const;
    std::optional<std::vector<quint32>> follow(const std::vector<quint32> &table, quint32 start,
                                               qint64 wanted) const;
    std::optional<QByteArray> read(quint32 start, qint64 size, bool mini) const;
    const Entry *find(QStringView name) const;

    QByteArray m_bytes;                   // the whole file, when it came from memory
    std::shared_ptr<QIODevice> m_device;  // or the file itself
    qint64 m_size = 0;
    int m_shift = 9;
    qint64 m_sectorCount = 0;
    std::vector<quint32> m_fat;
    std::vector<quint32> m_miniFat;
    QByteArray m_miniStream;
    bool m_miniReadable = false;
    std::vector<Entry> m_streams; // directly under the root storage
};
