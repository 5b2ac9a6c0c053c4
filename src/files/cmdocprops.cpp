#include "cmdocprops.h"

#include "cmbytes.h"

#include <algorithm>

using namespace CMBytes;

namespace CMDoc {

namespace {

constexpr qint64 pageBytes = 512;

// Word 97 property codes.
constexpr quint16 sprmDeleted97 = 0x0800;
constexpr quint16 sprmSymbol97 = 0x6A09;
constexpr quint16 sprmHidden97 = 0x083C;
constexpr quint16 sprmRowEnd97 = 0x2417;
constexpr quint16 sprmTabs97 = 0xC615;
constexpr quint16 sprmTableDef97 = 0xD608;
constexpr quint16 sprmTableDefOld97 = 0xD606;

// Word 6 property codes, one byte each.
constexpr quint8 sprmRowEnd6 = 25;
constexpr quint8 sprmTabs6 = 23;
constexpr quint8 sprmDeleted6 = 65;
constexpr quint8 sprmSymbol6 = 74;
constexpr quint8 sprmHidden6 = 92;
constexpr quint8 sprmFont6 = 93;

// Operand sizes of the Word 6 codes: V is a one-byte length prefix, W a two-byte one, 0 a code
// this reader does not know, after which the rest of the list cannot be read.
constexpr qint8 V = -1;
constexpr qint8 W = -2;
constexpr qint8 word6Sizes[208] = {
    0, 0, 2, V, 1, 1, 1, 1, 1, 1, 1, 1,  V, 1, 1, V, //   0
    2, 2, 2, 2, 4, 2, 2, V, 1, 1, 2, 2,  2, 1, 2, 2, //  16
    2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2,  1, 2, 2, 2, //  32
    2, 2, 1, 1, V, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, //  48
    0, 1, 1, 1, V, 2, 4, 1, 2, 3, V, 1,  0, 0, 0, 0, //  64
    2, V, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1,  1, 2, 1, 3, //  80
    2, 2, 1, 2, 1, 2, 1, V, 1, V, V, 2,  V, 2, 2, 0, //  96
    0, 0, 0, 0, 0, 1, 1, 1, V, 2, 2, 2,  2, 0, 0, 0, // 112
    0, 0, 0, 1, 1, V, 0, 0, 3, 3, 1, 1,  2, 2, 1, 1, // 128
    2, 2, 1, 1, 2, 2, 1, 1, 1, 1, 2, 2,  2, 2, 1, 1, // 144
    2, 2, 1, 0, 2, 2, 2, 2, 2, 2, 2, 2,  0, 0, 0, 0, // 160
    0, 0, 0, 0, 0, 0, 2, 2, 2, 1, 1, 12, W, 2, W, V, // 176
    4, 5, 4, 2, 4, 2, 2, 5, 4, 0, 0, 0,  0, 0, 0, 0, // 192
};

// The size of a tab-change operand whose length byte says "too long to count": it follows
// from the two lists it holds.
qint64 longTabsSize(QByteArrayView operand)
{
    const qint64 deleted = u8(operand, 1);
    const qint64 added = u8(operand, 2 + 4 * deleted);
    return 1 + (1 + 4 * deleted) + (1 + 3 * added);
}

bool toggle(quint8 operand)
{
    // 0x80 and 0x81 mean "as the style" and "the opposite of the style"; styles are not read
    // and count as off, so 0x81 turns the property on.
    return operand & 1;
}

} // namespace

Sprms readSprms(QByteArrayView grpprl, Format format)
{
    Sprms found;
    qint64 at = 0;
    while (at < grpprl.size()) {
        quint16 code;
        qint64 operandAt;
        qint64 size;
        if (format == Format::Word97) {
            code = u16(grpprl, at);
            operandAt = at + 2;
            static constexpr qint8 sizes[8] = {1, 1, 2, 4, 2, 2, V, 3};
            size = sizes[code >> 13];
            if (code == sprmTableDef97 || code == sprmTableDefOld97)
                size = qint64(u16(grpprl, operandAt)) + 1;
            else if (code == sprmTabs97 && u8(grpprl, operandAt) == 255)
                size = longTabsSize(grpprl.sliced(std::min(operandAt, grpprl.size())));
            else if (size == V)
                size = 1 + u8(grpprl, operandAt);
        } else {
            code = u8(grpprl, at);
            operandAt = at + 1;
            size = code < std::size(word6Sizes) ? word6Sizes[code] : 0;
            if (code == sprmTabs6 && u8(grpprl, operandAt) == 255)
                size = longTabsSize(grpprl.sliced(std::min(operandAt, grpprl.size())));
            else if (size == V)
                size = 1 + u8(grpprl, operandAt);
            else if (size == W)
                size = 2 + u16(grpprl, operandAt);
            if (size == 0)
                break;
        }
        if (!fits(grpprl, operandAt, size))
            break;
        const quint8 operand = u8(grpprl, operandAt);
        const bool word97 = format == Format::Word97;
        if (code == (word97 ? sprmDeleted97 : sprmDeleted6))
            found.deleted = toggle(operand);
        else if (code == (word97 ? sprmHidden97 : sprmHidden6))
            found.hidden = toggle(operand);
        else if (code == (word97 ? sprmSymbol97 : sprmSymbol6))
            found.symbol = true;
        else if (code == (word97 ? sprmRowEnd97 : sprmRowEnd6))
            found.rowEnd = operand != 0;
        else if (!word97 && code == sprmFont6)
            found.font = u16(grpprl, operandAt);
        at = operandAt + size;
    }
    return found;
}

quint16 codePageOfCharset(quint8 charset)
{
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437;
    default:
        return 1252;
    }
}

Props::Props(const Fib &fib, QByteArrayView wordDocument, QByteArrayView table)
{
    // Word 97 keeps its tables in the table stream; Word 6 in the document stream itself.
    const QByteArrayView tables = fib.format == Format::Word97 ? table : wordDocument;
    if (fib.format == Format::Word6) {
        readFonts(fib, tables);
        const QByteArrayView styles = slice(tables, fib.styles.offset, fib.styles.size);
        if (u16(styles, 0) >= 14)
            m_codePage = fontCodePage(u16(styles, 14));
    }

    readBins(fib, fib.charBins, wordDocument, tables, false,
             [this](quint32 start, quint32 end, const Sprms &sprms) {
                 CharRun run{start,
                             end,
                             m_codePage,
                             sprms.deleted.value_or(false),
                             sprms.hidden.value_or(false),
                             sprms.symbol};
                 if (sprms.font)
                     run.codePage = fontCodePage(*sprms.font);
                 if (run.deleted || run.hidden || run.symbol || run.codePage != m_codePage)
                     m_runs.push_back(run);
             });
    std::sort(m_runs.begin(), m_runs.end(),
              [](const CharRun &a, const CharRun &b) { return a.fcStart < b.fcStart; });
    // Overlapping runs only come from damaged files; the earlier one wins.
    quint32 end = 0;
    std::erase_if(m_runs, [&end](CharRun &run) {
        run.fcStart = std::max(run.fcStart, end);
        end = std::max(end, run.fcEnd);
        return run.fcStart >= run.fcEnd;
    });

    m_rowEndsKnown = readBins(fib, fib.paraBins, wordDocument, tables, true,
                              [this](quint32 start, quint32 end, const Sprms &sprms) {
                                  if (sprms.rowEnd.value_or(false))
                                      m_rowEnds.emplace_back(start, end);
                              });
    std::sort(m_rowEnds.begin(), m_rowEnds.end());
}

quint16 Props::fontCodePage(quint16 font) const
{
    return font < m_fontCodePages.size() ? m_fontCodePages[font] : m_codePage;
}

std::optional<bool> Props::rowEnd(quint32 fc) const
{
    if (!m_rowEndsKnown)
        return std::nullopt;
    auto it =
        std::upper_bound(m_rowEnds.begin(), m_rowEnds.end(), fc,
                         [](quint32 value, const auto &range) { return value < range.first; });
    return it != m_rowEnds.begin() && fc < std::prev(it)->second;
}

void Props::readFonts(const Fib &fib, QByteArrayView stream)
{
    const QByteArrayView fonts = slice(stream, fib.fonts.offset, fib.fonts.size);
    const qint64 end = std::min<qint64>(u16(fonts, 0), fonts.size());
    for (qint64 at = 2; at < end; at += qint64(u8(fonts, at)) + 1)
        m_fontCodePages.push_back(codePageOfCharset(u8(fonts, at + 4)));
}

// Walks the formatted-disk-page runs that a bin table lists, each page once. False when not
// one page could be read.
template<typename Visit>
bool Props::readBins(const Fib &fib, Span span, QByteArrayView wordDocument, QByteArrayView tables,
                     bool paragraphs, Visit visit)
{
    const bool word97 = fib.format == Format::Word97;
    const QByteArrayView bins = slice(tables, span.offset, span.size);
    const qint64 pageNumberBytes = word97 ? 4 : 2;
    const qint64 count = (bins.size() - 4) / (4 + pageNumberBytes);
    std::vector<bool> pageSeen(size_t(wordDocument.size() / pageBytes), false);
    bool anyRead = false;
    for (qint64 i = 0; i < count; ++i) {
        const qint64 numberAt = 4 * (count + 1) + pageNumberBytes * i;
        const quint32 page = word97 ? (u32(bins, numberAt) & 0x3FFFFF) : u16(bins, numberAt);
        if (page >= pageSeen.size() || pageSeen[page])
            continue;
        pageSeen[page] = true;
        const QByteArrayView fkp = wordDocument.sliced(page * pageBytes, pageBytes);
        const qint64 runs = u8(fkp, pageBytes - 1);
        const qint64 entryBytes = !paragraphs ? 1 : (word97 ? 13 : 7);
        if (4 * (runs + 1) + entryBytes * runs > pageBytes - 1)
            continue;
        anyRead = true;
        for (qint64 r = 0; r < runs; ++r) {
            const quint32 start = u32(fkp, 4 * r);
            const quint32 end = u32(fkp, 4 * r + 4);
            const qint64 at = 2 * qint64(u8(fkp, 4 * (runs + 1) + entryBytes * r));
            if (end <= start)
                continue;
            QByteArrayView grpprl;
            if (at == 0) {
                // No properties of its own: the defaults.
            } else if (!paragraphs) {
                grpprl = slice(fkp, at + 1, u8(fkp, at));
            } else if (!word97) {
                grpprl = slice(fkp, at + 3, 2 * qint64(u8(fkp, at)) - 2);
            } else if (const qint64 size = u8(fkp, at)) {
                grpprl = slice(fkp, at + 3, 2 * size - 3);
            } else {
                grpprl = slice(fkp, at + 4, 2 * qint64(u8(fkp, at + 1)) - 2);
            }
            visit(start, end, readSprms(grpprl, fib.format));
        }
    }
    return anyRead;
}

} // namespace CMDoc
