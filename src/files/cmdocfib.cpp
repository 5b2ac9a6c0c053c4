#include "cmdocfib.h"

#include "cmbytes.h"

using namespace Qt::StringLiterals;
using namespace CMBytes;

namespace CMDoc {

namespace {

constexpr quint16 flagComplex = 0x0004;
constexpr quint16 flagEncrypted = 0x0100;
constexpr quint16 flagTable1 = 0x0200;
constexpr quint16 flagWideText = 0x1000;
constexpr quint16 flagObfuscated = 0x8000;

// Indices into the FIB's list of offset/size pairs; Word 6 and Word 97 agree on these.
enum Pair { styleSheet = 1, charBinTable = 12, paraBinTable = 13, fontTable = 15, clxPair = 33 };

Span pairAt(QByteArrayView fib, qint64 base, int index)
{
    return {u32(fib, base + 8 * index), u32(fib, base + 8 * index + 4)};
}

} // namespace

std::optional<Fib> readFib(QByteArrayView wordDocument, QString *reason)
{
    const quint16 ident = u16(wordDocument, 0);
    const quint16 nFib = u16(wordDocument, 2);
    const quint16 flags = u16(wordDocument, 0x0A);
    if (!fits(wordDocument, 0, 0x20) || (ident != 0xA5EC && ident != 0xA5DC && ident != 0xA699)) {
        *reason = u"the document's header is damaged"_s;
        return std::nullopt;
    }
    if (nFib < 101) {
        *reason = u"the document was saved by a Word version older than Word 6"_s;
        return std::nullopt;
    }
    // The rest of an encrypted FIB is ciphertext: nothing after the flags can be trusted.
    if (flags & (flagEncrypted | flagObfuscated)) {
        *reason = u"the document is encrypted"_s;
        return std::nullopt;
    }

    Fib fib;
    fib.complex = flags & flagComplex;
    if (nFib <= 105) {
        fib.format = Format::Word6;
        fib.wide = flags & flagWideText;
        constexpr qint64 pairs = 0x58;
        if (!fits(wordDocument, 0, pairs + 8 * (clxPair + 1))) {
            *reason = u"the document's header is damaged"_s;
            return std::nullopt;
        }
        fib.fcMin = u32(wordDocument, 0x18);
        fib.ccpText = u32(wordDocument, 0x34);
        fib.styles = pairAt(wordDocument, pairs, styleSheet);
        fib.charBins = pairAt(wordDocument, pairs, charBinTable);
        fib.paraBins = pairAt(wordDocument, pairs, paraBinTable);
        fib.fonts = pairAt(wordDocument, pairs, fontTable);
        fib.clx = pairAt(wordDocument, pairs, clxPair);
        return fib;
    }

    // Word 97 and later: three arrays of growing length follow the fixed base.
    fib.table1 = flags & flagTable1;
    const qint64 shorts = u16(wordDocument, 0x20);
    const qint64 longsAt = 0x22 + 2 * shorts + 2;
    const qint64 longs = u16(wordDocument, longsAt - 2);
    const qint64 pairsAt = longsAt + 4 * longs + 2;
    const qint64 pairs = u16(wordDocument, pairsAt - 2);
    if (longs < 4 || pairs <= clxPair || !fits(wordDocument, pairsAt, 8 * (clxPair + 1))) {
        *reason = u"the document's header is damaged"_s;
        return std::nullopt;
    }
    fib.ccpText = u32(wordDocument, longsAt + 12);
    fib.styles = pairAt(wordDocument, pairsAt, styleSheet);
    fib.charBins = pairAt(wordDocument, pairsAt, charBinTable);
    fib.paraBins = pairAt(wordDocument, pairsAt, paraBinTable);
    fib.fonts = pairAt(wordDocument, pairsAt, fontTable);
    fib.clx = pairAt(wordDocument, pairsAt, clxPair);
    return fib;
}

std::optional<PieceTable> readPieces(QByteArrayView clx, const Fib &fib)
{
    PieceTable table;
    qint64 at = 0;
    while (at < clx.size()) {
        const quint8 type = u8(clx, at);
        if (type == 1) {
            const qint64 size = u16(clx, at + 1);
            if (!fits(clx, at + 3, size))
                return std::nullopt;
            table.grpprls.push_back(clx.sliced(at + 3, size));
            at += 3 + size;
            continue;
        }
        if (type != 2)
            return std::nullopt;
        const qint64 size = u32(clx, at + 1);
        const qint64 count = (size - 4) / 12;
        if (size < 16 || (size - 4) % 12 != 0 || !fits(clx, at + 5, size))
            return std::nullopt;
        const QByteArrayView plc = clx.sliced(at + 5, size);
        table.pieces.reserve(size_t(count));
        for (qint64 i = 0; i < count; ++i) {
            Piece piece;
            piece.cpStart = u32(plc, 4 * i);
            piece.cpEnd = u32(plc, 4 * i + 4);
            if (piece.cpEnd < piece.cpStart)
                return std::nullopt;
            const qint64 descriptor = 4 * (count + 1) + 8 * i;
            const quint32 fc = u32(plc, descriptor + 2);
            piece.prm = u16(plc, descriptor + 6);
            if (fib.format == Format::Word97 || fib.wide) {
                // Bit 30 marks 8-bit text stored at half the offset.
                piece.wide = !(fc & 0x40000000);
                piece.fc = piece.wide ? (fc & 0x3FFFFFFF) : (fc & 0x3FFFFFFF) / 2;
            } else {
                piece.fc = fc;
            }
            if (piece.cpEnd > piece.cpStart)
                table.pieces.push_back(piece);
        }
        return table;
    }
    return std::nullopt;
}

} // namespace CMDoc
