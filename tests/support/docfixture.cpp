#include "docfixture.h"

#include <QStringEncoder>
#include <QtEndian>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace cmdocfixture {

namespace {

constexpr quint32 endOfChain = 0xFFFFFFFE;
constexpr quint32 freeSector = 0xFFFFFFFF;
constexpr quint32 noStream = 0xFFFFFFFF;

void put16(QByteArray &b, qint64 at, quint16 v)
{
    if (b.size() < at + 2)
        b.resize(at + 2, '\0');
    qToLittleEndian(v, b.data() + at);
}

void put32(QByteArray &b, qint64 at, quint32 v)
{
    if (b.size() < at + 4)
        b.resize(at + 4, '\0');
    qToLittleEndian(v, b.data() + at);
}

void append16(QByteArray &b, quint16 v)
{
    put16(b, b.size(), v);
}
void append32(QByteArray &b, quint32 v)
{
    put32(b, b.size(), v);
}

void padTo(QByteArray &b, qint64 multiple)
{
    b.resize((b.size() + multiple - 1) / multiple * multiple, '\0');
}

qint64 units(qint64 bytes, qint64 unit)
{
    return (bytes + unit - 1) / unit;
}

} // namespace

CompoundFile compoundFile(const std::vector<Stream> &streams, int sectorShift)
{
    const qint64 sector = qint64(1) << sectorShift;
    const qint64 perFat = sector / 4;
    CompoundFile file;
    file.sectorShift = sectorShift;

    QByteArray mini;
    std::vector<quint32> miniFat;
    std::vector<int> regular;
    for (size_t i = 0; i < streams.size(); ++i) {
        const QByteArray &data = streams[i].data;
        if (data.size() >= 4096) {
            regular.push_back(int(i));
            file.startSectors.push_back(0);
            continue;
        }
        const qint64 count = units(data.size(), 64);
        file.startSectors.push_back(count ? quint32(mini.size() / 64) : endOfChain);
        for (qint64 s = 0; s < count; ++s)
            miniFat.push_back(s + 1 < count ? quint32(mini.size() / 64 + s + 1) : endOfChain);
        mini += data;
        padTo(mini, 64);
    }

    // Sector order: regular streams, mini stream, directory, mini FAT, DIFAT, FAT.
    quint32 next = 0;
    std::vector<std::pair<quint32, qint64>> chains; // first sector, sector count
    for (const int i : regular) {
        file.startSectors[size_t(i)] = next;
        const qint64 count = units(streams[size_t(i)].data.size(), sector);
        chains.emplace_back(next, count);
        next += quint32(count);
    }
    const quint32 miniStart = mini.isEmpty() ? endOfChain : next;
    if (!mini.isEmpty())
        chains.emplace_back(next, units(mini.size(), sector));
    next += quint32(units(mini.size(), sector));
    const qint64 entries = 1 + qint64(streams.size());
    const qint64 directorySectors = units(entries * 128, sector);
    file.directorySector = next;
    chains.emplace_back(next, directorySectors);
    next += quint32(directorySectors);
    const qint64 miniFatSectors = units(qint64(miniFat.size()) * 4, sector);
    const quint32 miniFatStart = miniFatSectors ? next : endOfChain;
    file.miniFatSector = miniFatStart;
    if (miniFatSectors)
        chains.emplace_back(next, miniFatSectors);
    next += quint32(miniFatSectors);

    qint64 fatCount = 0;
    qint64 difatCount = 0;
    for (;;) {
        const qint64 total = next + fatCount + difatCount;
        const qint64 needFat = units(total, perFat);
        const qint64 needDifat = needFat > 109 ? units(needFat - 109, perFat - 1) : 0;
        if (needFat == fatCount && needDifat == difatCount)
            break;
        fatCount = needFat;
        difatCount = needDifat;
    }
    const quint32 difatStart = next;
    const quint32 fatStart = next + quint32(difatCount);
    file.fatSector = fatStart;
    const qint64 totalSectors = fatStart + fatCount;

    std::vector<quint32> fat(size_t(fatCount * perFat), freeSector);
    for (const auto &[first, count] : chains)
        for (qint64 s = 0; s < count; ++s)
            fat[size_t(first + s)] = s + 1 < count ? quint32(first + s + 1) : endOfChain;
    for (qint64 s = 0; s < difatCount; ++s)
        fat[size_t(difatStart + s)] = 0xFFFFFFFC;
    for (qint64 s = 0; s < fatCount; ++s)
        fat[size_t(fatStart + s)] = 0xFFFFFFFD;

    QByteArray &out = file.bytes;
    out = QByteArray(sector * (1 + totalSectors), '\0');
    out.replace(0, 8, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    put16(out, 0x18, 0x3E);
    put16(out, 0x1A, sectorShift == 9 ? 3 : 4);
    put16(out, 0x1C, 0xFFFE);
    put16(out, 0x1E, quint16(sectorShift));
    put16(out, 0x20, 6);
    put32(out, 0x28, sectorShift == 9 ? 0 : quint32(directorySectors));
    put32(out, 0x2C, quint32(fatCount));
    put32(out, 0x30, file.directorySector);
    put32(out, 0x38, 4096);
    put32(out, 0x3C, miniFatStart);
    put32(out, 0x40, quint32(miniFatSectors));
    put32(out, 0x44, difatCount ? difatStart : endOfChain);
    put32(out, 0x48, quint32(difatCount));
    for (int i = 0; i < 109; ++i)
        put32(out, 0x4C + 4 * i, i < fatCount ? fatStart + quint32(i) : freeSector);
    for (qint64 d = 0; d < difatCount; ++d) {
        const qint64 at = (difatStart + d + 1) * sector;
        for (qint64 i = 0; i < perFat - 1; ++i) {
            const qint64 index = 109 + d * (perFat - 1) + i;
            put32(out, at + 4 * i, index < fatCount ? fatStart + quint32(index) : freeSector);
        }
        put32(out, at + 4 * (perFat - 1),
              d + 1 < difatCount ? difatStart + quint32(d + 1) : endOfChain);
    }
    for (size_t i = 0; i < fat.size(); ++i)
        put32(out, (fatStart + 1) * sector + 4 * qint64(i), fat[i]);
    for (size_t i = 0; i < miniFat.size(); ++i)
        put32(out, (miniFatStart + 1) * sector + 4 * qint64(i), miniFat[i]);
    for (size_t k = 0; k < regular.size(); ++k) {
        const QByteArray &data = streams[size_t(regular[k])].data;
        out.replace((chains[k].first + 1) * sector, data.size(), data);
    }
    if (!mini.isEmpty())
        out.replace((miniStart + 1) * sector, mini.size(), mini);

    auto entry = [&](qint64 index, const QString &name, quint8 type, quint32 right, quint32 child,
                     quint32 start, quint64 size) {
        const qint64 at = (file.directorySector + 1) * sector + 128 * index;
        for (qsizetype c = 0; c < name.size(); ++c)
            put16(out, at + 2 * c, name[c].unicode());
        put16(out, at + 64, quint16(2 * (name.size() + 1)));
        out[at + 66] = char(type);
        out[at + 67] = 1;
        put32(out, at + 68, noStream);
        put32(out, at + 72, right);
        put32(out, at + 76, child);
        put32(out, at + 116, start);
        put32(out, at + 120, quint32(size));
    };
    entry(0, u"Root Entry"_s, 5, noStream, streams.empty() ? noStream : 1, miniStart,
          quint64(mini.size()));
    for (size_t i = 0; i < streams.size(); ++i)
        entry(qint64(i) + 1, streams[i].name, 2, i + 1 < streams.size() ? quint32(i + 2) : noStream,
              noStream, file.startSectors[i], quint64(streams[i].data.size()));
    return file;
}

qint64 fatEntryOffset(const CompoundFile &file, quint32 sector)
{
    return ((qint64(file.fatSector) + 1) << file.sectorShift) + 4 * qint64(sector);
}

std::vector<Stream> wordStreams(const Document &doc)
{
    QByteArray wd(1024, '\0');
    const qint64 textStart = wd.size();

    std::vector<quint32> cpStart;
    quint32 cp = 0;
    for (const Piece &piece : doc.pieces) {
        cpStart.push_back(cp);
        cp += quint32(piece.text.size());
    }
    std::vector<qint64> offsets(doc.pieces.size());
    for (size_t k = 0; k < doc.pieces.size(); ++k) {
        const size_t i = doc.storeBackwards ? doc.pieces.size() - 1 - k : k;
        const Piece &piece = doc.pieces[i];
        if (piece.wide)
            padTo(wd, 2);
        offsets[i] = wd.size();
        if (!piece.wide)
            wd += QByteArray(QStringEncoder("windows-1252").encode(piece.text));
        else
            for (const QChar c : piece.text)
                append16(wd, c.unicode());
    }
    const qint64 textEnd = wd.size();
    auto pieceAt = [&](quint32 at) -> size_t {
        for (size_t i = doc.pieces.size(); i-- > 0;)
            if (at >= cpStart[i])
                return i;
        return 0;
    };
    auto widthOf = [&](quint32 at) -> qint64 { return doc.pieces[pieceAt(at)].wide ? 2 : 1; };
    auto fcOf = [&](quint32 at) -> qint64 {
        const size_t i = pieceAt(at);
        return offsets[i] + (at - cpStart[i]) * widthOf(at);
    };

    // Character properties: one formatted-disk page of runs over [textStart, textEnd), the
    // marked ones with their property lists.
    struct Marked
    {
        qint64 from;
        qint64 to;
        QByteArray properties;
    };
    std::vector<Marked> marked;
    auto mark = [&](quint32 c, const QByteArray &properties) {
        marked.push_back({fcOf(c), fcOf(c) + widthOf(c), properties});
    };
    for (const auto &[from, to] : doc.deleted)
        for (quint32 c = from; c < to; ++c)
            mark(c, QByteArray("\x03\x00\x08\x01", 4));
    for (const auto &[from, to] : doc.hidden)
        for (quint32 c = from; c < to; ++c)
            mark(c, QByteArray("\x03\x3C\x08\x01", 4));
    for (const quint32 c : doc.symbols)
        mark(c, QByteArray("\x06\x09\x6A\x00\x00\xB7\xF0", 7));
    std::sort(marked.begin(), marked.end(),
              [](const Marked &a, const Marked &b) { return a.from < b.from; });
    std::vector<Marked> runs;
    qint64 at = textStart;
    for (const Marked &m : marked) {
        if (!runs.empty() && runs.back().to == m.from && runs.back().properties == m.properties) {
            runs.back().to = at = m.to;
            continue;
        }
        if (m.from > at)
            runs.push_back({at, m.from, {}});
        runs.push_back(m);
        at = m.to;
    }
    if (at < textEnd)
        runs.push_back({at, textEnd, {}});
    QByteArray bins; // where the page is: empty when no character is marked
    if (!marked.empty()) {
        padTo(wd, 512);
        const qint64 base = wd.size();
        wd.append(512, '\0');
        qint64 free = 510;
        for (size_t r = 0; r < runs.size(); ++r) {
            put32(wd, base + 4 * qint64(r), quint32(runs[r].from));
            put32(wd, base + 4 * qint64(r) + 4, quint32(runs[r].to));
            if (runs[r].properties.isEmpty())
                continue;
            free = (free - runs[r].properties.size()) & ~qint64(1);
            wd.replace(base + free, runs[r].properties.size(), runs[r].properties);
            wd[base + 4 * qint64(runs.size() + 1) + qint64(r)] = char(free / 2);
        }
        wd[base + 511] = char(runs.size());
        append32(bins, quint32(textStart));
        append32(bins, quint32(textEnd));
        append32(bins, quint32(base / 512));
    }

    QByteArray table;
    auto place = [&table](const QByteArray &data) -> std::pair<quint32, quint32> {
        padTo(table, 2);
        const quint32 at = quint32(table.size());
        table += data;
        return {at, quint32(data.size())};
    };
    QByteArray clx;
    for (const QByteArray &grpprl : doc.grpprls) {
        clx += '\x01';
        append16(clx, quint16(grpprl.size()));
        clx += grpprl;
    }
    clx += '\x02';
    append32(clx, quint32(4 + 12 * doc.pieces.size()));
    for (size_t i = 0; i <= doc.pieces.size(); ++i)
        append32(clx, i < doc.pieces.size() ? cpStart[i] : cp);
    for (size_t i = 0; i < doc.pieces.size(); ++i) {
        append16(clx, 0);
        // 8-bit pieces carry a flag in their offset.
        const bool narrow = !doc.pieces[i].wide;
        append32(clx, narrow ? quint32(offsets[i] * 2) | 0x40000000 : quint32(offsets[i]));
        append16(clx, doc.pieces[i].prm);
    }
    const auto clxAt = doc.writeClx ? place(clx) : std::pair<quint32, quint32>{0, 0};
    const auto charBins = place(bins);

    put16(wd, 0, 0xA5EC);
    put16(wd, 2, 193);
    put16(wd, 0x0A, doc.flags | 0x0200); // the tables are in "1Table"
    put16(wd, 32, 14);
    put16(wd, 62, 22);
    put32(wd, 64 + 12, doc.ccpText.value_or(cp));
    put16(wd, 152, 93);
    for (const auto &[index, span] : {std::pair(12, charBins), std::pair(33, clxAt)}) {
        put32(wd, 154 + 8 * index, span.first);
        put32(wd, 158 + 8 * index, span.second);
    }

    std::vector<Stream> streams{{u"WordDocument"_s, wd}};
    if (doc.tableStream)
        streams.push_back({u"1Table"_s, table});
    return streams;
}

QByteArray wordFile(const Document &document)
{
    return compoundFile(wordStreams(document)).bytes;
}

QByteArray largeDocument(qint64 bytes)
{
    // Alternate 8-bit and UTF-16 pieces, as a long document edited over the years has them.
    static const QString paragraph =
        u"The presenter reads the evening news slowly and clearly, with care, tonight. "_s
        u"[Pause \u2014 look into the lens] \u201CGood evening\u201D.\r"_s;
    Document doc;
    qint64 size = 0;
    while (size < bytes) {
        Piece piece;
        piece.wide = doc.pieces.size() % 2 == 1;
        while (piece.text.size() < 32 * 1024)
            piece.text += paragraph;
        size += piece.text.size() * (piece.wide ? 2 : 1);
        doc.pieces.push_back(std::move(piece));
    }
    return wordFile(doc);
}

} // namespace cmdocfixture
