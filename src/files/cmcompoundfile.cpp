#include "cmcompoundfile.h"

#include "cmbytes.h"

#include <QIODevice>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 lastRegularSector = 0xFFFFFFFA;
constexpr int miniShift = 6;
constexpr qint64 miniStreamCutoff = 4096;
constexpr qint64 entrySize = 128;
constexpr int headerDifatEntries = 109;

enum EntryType : quint8 { streamEntry = 2, rootEntry = 5 };

QString damaged()
{
    return u"the file's internal structure is damaged"_s;
}

} // namespace

bool CMCompoundFile::hasSignature(QByteArrayView bytes)
{
    return bytes.startsWith(QByteArrayView("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
}

std::optional<CMCompoundFile> CMCompoundFile::open(const QByteArray &bytes, QString *reason)
{
    CMCompoundFile file;
    file.m_bytes = bytes;
    file.m_size = bytes.size();
    return open(std::move(file), reason);
}

std::optional<CMCompoundFile> CMCompoundFile::open(std::shared_ptr<QIODevice> device,
                                                   QString *reason)
{
    CMCompoundFile file;
    file.m_size = device->size();
    file.m_device = std::move(device);
    return open(std::move(file), reason);
}

QByteArray CMCompoundFile::bytesAt(qint64 offset, qint64 length) const
{
    if (offset < 0 || length <= 0 || offset >= m_size)
        return {};
    length = std::min(length, m_size - offset);
    if (!m_device)
        return m_bytes.mid(offset, length);
    if (!m_device->seek(offset))
        return {};
    return m_device->read(length);
}

std::optional<CMCompoundFile> CMCompoundFile::open(CMCompoundFile file, QString *reason)
{
    using namespace CMBytes;
    *reason = damaged();
    const QByteArray bytes = file.bytesAt(0, 512);
    if (!hasSignature(bytes) || bytes.size() < 512 || u16(bytes, 0x1C) != 0xFFFE)
        return std::nullopt;

    file.m_shift = u16(bytes, 0x1E);
    if ((file.m_shift != 9 && file.m_shift != 12) || u16(bytes, 0x20) != miniShift)
        return std::nullopt;
    const qint64 sectorBytes = qint64(1) << file.m_shift;
    file.m_sectorCount = std::max<qint64>(0, (file.m_size - 1) / sectorBytes);
    const bool version3 = u16(bytes, 0x1A) == 3;

    const qint64 fatSectors = u32(bytes, 0x2C);
    if (fatSectors > file.m_sectorCount)
        return std::nullopt;

    // The FAT's own sectors are listed in the header and then in a chain of DIFAT sectors.
    std::vector<quint32> fatIds;
    for (int i = 0; i < headerDifatEntries && qint64(fatIds.size()) < fatSectors; ++i)
        fatIds.push_back(u32(bytes, 0x4C + 4 * i));
    std::vector<bool> seen(size_t(file.m_sectorCount), false);
    quint32 difat = u32(bytes, 0x44);
    const qint64 perDifat = sectorBytes / 4 - 1;
    while (qint64(fatIds.size()) < fatSectors) {
        if (difat >= file.m_sectorCount || seen[difat])
            return std::nullopt;
        seen[difat] = true;
        const QByteArray sector = file.bytesAt((qint64(difat) + 1) * sectorBytes, sectorBytes);
        if (sector.size() != sectorBytes)
            return std::nullopt;
        for (qint64 i = 0; i < perDifat && qint64(fatIds.size()) < fatSectors; ++i)
            fatIds.push_back(u32(sector, 4 * i));
        difat = u32(sector, 4 * perDifat);
    }

    file.m_fat.reserve(fatIds.size() * size_t(sectorBytes / 4));
    for (const quint32 id : fatIds) {
        if (id >= file.m_sectorCount)
            return std::nullopt;
        const QByteArray sector = file.bytesAt((qint64(id) + 1) * sectorBytes, sectorBytes);
        if (sector.size() != sectorBytes)
            return std::nullopt;
        for (qint64 i = 0; i < sectorBytes / 4; ++i)
            file.m_fat.push_back(u32(sector, 4 * i));
    }

    const auto directorySectors = file.follow(file.m_fat, u32(bytes, 0x30), -1);
    if (!directorySectors || directorySectors->empty())
        return std::nullopt;
    const auto directory =
        file.read(u32(bytes, 0x30), qint64(directorySectors->size()) * sectorBytes, false);
    if (!directory)
        return std::nullopt;
    const qint64 entries = directory->size() / entrySize;
    auto entryAt = [&directory, version3](qint64 index) {
        const qint64 at = index * entrySize;
        Entry entry;
        const int nameBytes = std::clamp<int>(u16(*directory, at + 64), 2, 64);
        entry.name = QString::fromUtf16(
            reinterpret_cast<const char16_t *>(directory->constData() + at), nameBytes / 2 - 1);
        entry.type = u8(*directory, at + 66);
        entry.left = u32(*directory, at + 68);
        entry.right = u32(*directory, at + 72);
        entry.child = u32(*directory, at + 76);
        entry.start = u32(*directory, at + 116);
        entry.size = version3 ? u32(*directory, at + 120) : u64(*directory, at + 120);
        return entry;
    };
    const Entry root = entryAt(0);
    if (root.type != rootEntry)
        return std::nullopt;

    // The mini stream is needed only for small streams; a damaged one fails just those.
    if (const auto miniFatIds = file.follow(file.m_fat, u32(bytes, 0x3C), -1)) {
        if (const auto table =
                file.read(u32(bytes, 0x3C), qint64(miniFatIds->size()) * sectorBytes, false)) {
            file.m_miniFat.reserve(size_t(table->size() / 4));
            for (qint64 i = 0; i < table->size() / 4; ++i)
                file.m_miniFat.push_back(u32(*table, 4 * i));
            if (root.size <= quint64(file.m_sectorCount * sectorBytes)) {
                if (auto mini = file.read(root.start, qint64(root.size), false)) {
                    file.m_miniStream = std::move(*mini);
                    file.m_miniReadable = true;
                }
            }
        }
    }

    // The root's children form a tree; a cycle in it is ignored rather than followed.
    std::vector<bool> visited(size_t(entries), false);
    std::vector<quint32> pending{root.child};
    while (!pending.empty()) {
        const quint32 id = pending.back();
        pending.pop_back();
        if (id >= entries || visited[id])
            continue;
        visited[id] = true;
        Entry entry = entryAt(id);
        pending.push_back(entry.left);
        pending.push_back(entry.right);
        if (entry.type == streamEntry)
            file.m_streams.push_back(std::move(entry));
    }
    reason->clear();
    return file;
}

bool CMCompoundFile::hasStream(QStringView name) const
{
    return find(name) != nullptr;
}

std::optional<QByteArray> CMCompoundFile::stream(QStringView name, QString *reason) const
{
    const Entry *entry = find(name);
    if (!entry) {
        *reason = u"a part of the document is missing"_s;
        return std::nullopt;
    }
    const qint64 sectorBytes = qint64(1) << m_shift;
    if (entry->size > quint64(m_sectorCount * sectorBytes)) {
        *reason = damaged();
        return std::nullopt;
    }
    auto data = read(entry->start, qint64(entry->size), qint64(entry->size) < miniStreamCutoff);
    if (!data)
        *reason = damaged();
    return data;
}

const CMCompoundFile::Entry *CMCompoundFile::find(QStringView name) const
{
    for (const Entry &entry : m_streams) {
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}

// The sectors of a chain: `wanted` of them, or up to its end when wanted is negative.
std::optional<std::vector<quint32>> CMCompoundFile::follow(const std::vector<quint32> &table,
                                                           quint32 start, qint64 wanted) const
{
    std::vector<quint32> ids;
    std::vector<bool> seen(table.size(), false);
    quint32 id = start;
    while (wanted < 0 || qint64(ids.size()) < wanted) {
        if (id > lastRegularSector && wanted < 0)
            break;
        if (id >= table.size() || seen[id])
            return std::nullopt;
        seen[id] = true;
        ids.push_back(id);
        id = table[id];
    }
    return ids;
}

std::optional<QByteArray> CMCompoundFile::read(quint32 start, qint64 size, bool mini) const
{
    const int shift = mini ? miniShift : m_shift;
    const qint64 unit = qint64(1) << shift;
    if (mini && !m_miniReadable)
        return std::nullopt;
    const auto ids = follow(mini ? m_miniFat : m_fat, start, (size + unit - 1) / unit);
    if (!ids)
        return std::nullopt;
    QByteArray data;
    data.reserve(size);
    if (mini) {
        for (const quint32 id : *ids) {
            const qint64 length = std::min(unit, size - data.size());
            const qint64 at = qint64(id) << shift;
            if (!CMBytes::fits(m_miniStream, at, length))
                return std::nullopt;
            data.append(m_miniStream.constData() + at, length);
        }
        return data;
    }
    // Runs of consecutive sectors are read at once.
    for (size_t i = 0; i < ids->size();) {
        size_t run = 1;
        while (i + run < ids->size() && (*ids)[i + run] == (*ids)[i] + run)
            ++run;
        const qint64 length = std::min(qint64(run) * unit, size - data.size());
        const QByteArray part = bytesAt((qint64((*ids)[i]) + 1) << shift, length);
        if (part.size() != length)
            return std::nullopt;
        data += part;
        i += run;
    }
    return data;
}
