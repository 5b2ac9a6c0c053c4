#include "cmdocreader.h"

#include "cmbytes.h"
#include "cmcompoundfile.h"
#include "cmdocfib.h"
#include "cmdocprops.h"
#include "cmdoctext.h"

#include <QIODevice>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace CMDoc;

namespace CMDocReader {

namespace {

QString textDamaged()
{
    return u"the document's text is damaged"_s;
}

QString notCompoundFileReason(const QByteArray &bytes)
{
    if (bytes.startsWith("{\\rtf"))
        return u"the file is an RTF document, not a Word 97-2003 document"_s;
    if (bytes.startsWith("PK\x03\x04"))
        return u"the file is a Word DOCX or other ZIP document, not a Word 97-2003 document"_s;
    if (bytes.startsWith("\xDB\xA5") || bytes.startsWith("\x9B\xA5"))
        return u"the document was saved by a Word version older than Word 6"_s;
    return u"the file is not a Word document"_s;
}

// What a fast-saved piece's own property change says.
Sprms pieceSprms(const Piece &piece, const PieceTable &table, Format format)
{
    if (piece.prm & 1) {
        const size_t index = piece.prm >> 1;
        return index < table.grpprls.size() ? readSprms(table.grpprls[index], format) : Sprms{};
    }
    // A single short change, numbered the Word 6 way in both formats.
    Sprms sprms;
    const int code = (piece.prm >> 1) & 0x7F;
    const int value = piece.prm >> 8;
    if (code == 0x41)
        sprms.deleted = value & 1;
    else if (code == 0x5C)
        sprms.hidden = value & 1;
    else if (code == 0x19)
        sprms.rowEnd = value != 0;
    return sprms;
}

void addPiece(TextBuilder &builder, const Piece &piece, quint32 ccpText, const PieceTable &table,
              const Props &props, Format format, QByteArrayView wordDocument)
{
    const qint64 unit = piece.wide ? 2 : 1;
    const qint64 start = piece.fc;
    qint64 end = start + (qint64(std::min(piece.cpEnd, ccpText)) - piece.cpStart) * unit;
    end = start +
          std::max<qint64>(0, std::min<qint64>(end, wordDocument.size()) - start) / unit * unit;
    if (end <= start)
        return;

    const Sprms own = pieceSprms(piece, table, format);
    builder.setPieceRowEnd(own.rowEnd);
    const std::vector<CharRun> &runs = props.runs();
    auto run = std::upper_bound(runs.begin(), runs.end(), quint32(start),
                                [](quint32 fc, const CharRun &r) { return fc < r.fcEnd; });
    const CharRun plain{0, 0, props.codePage(), false, false, false};
    for (qint64 at = start; at < end;) {
        const bool inRun = run != runs.end() && run->fcStart <= at;
        const CharRun &current = inRun ? *run : plain;
        qint64 next = inRun ? run->fcEnd : (run != runs.end() ? run->fcStart : end);
        next = std::min(end, at + (std::min(next, end) - at + unit - 1) / unit * unit);
        const bool dropped = own.deleted.value_or(current.deleted) ||
                             own.hidden.value_or(current.hidden) || own.symbol || current.symbol;
        const quint16 codePage = own.font ? props.fontCodePage(*own.font) : current.codePage;
        const QByteArrayView bytes = wordDocument.sliced(at, next - at);
        if (!dropped && piece.wide)
            builder.addWide(bytes, quint32(at));
        else if (!dropped)
            builder.addNarrow(bytes, quint32(at), codePage);
        at = next;
        while (run != runs.end() && run->fcEnd <= at)
            ++run;
    }
}

// The checks every Word 97 file passes before its compound file is opened.
std::optional<QString> refusal(qint64 size, const QByteArray &head)
{
    if (size == 0)
        return u"the file is empty"_s;
    if (size > maxInputBytes)
        return u"the file is larger than %1 MB"_s.arg(maxInputBytes >> 20);
    if (!CMCompoundFile::hasSignature(head))
        return notCompoundFileReason(head);
    return std::nullopt;
}

CMReadResult readCompound(const std::optional<CMCompoundFile> &file, const QString &openFailure)
{
    QString reason = openFailure;
    if (!file)
        return CMReadResult::fail(reason);
    if (!file->hasStream(u"WordDocument")) {
        if (file->hasStream(u"EncryptedPackage"))
            return CMReadResult::fail(u"the document is encrypted"_s);
        return CMReadResult::fail(u"the file is not a Word document"_s);
    }
    const auto wordDocument = file->stream(u"WordDocument", &reason);
    if (!wordDocument)
        return CMReadResult::fail(reason);
    const auto fib = readFib(*wordDocument, &reason);
    if (!fib)
        return CMReadResult::fail(reason);
    if (fib->ccpText > wordDocument->size())
        return CMReadResult::fail(textDamaged());

    QByteArray tableStream;
    if (fib->format == Format::Word97) {
        auto stream = file->stream(fib->table1 ? u"1Table" : u"0Table", &reason);
        if (!stream)
            return CMReadResult::fail(reason);
        tableStream = std::move(*stream);
    }

    std::optional<PieceTable> pieces;
    if (fib->format == Format::Word6 && !fib->complex) {
        pieces = PieceTable{{Piece{0, fib->ccpText, fib->fcMin, fib->wide, 0}}, {}};
    } else {
        const QByteArrayView stream =
            fib->format == Format::Word97 ? QByteArrayView(tableStream) : *wordDocument;
        if (CMBytes::fits(stream, fib->clx.offset, fib->clx.size))
            pieces = readPieces(stream.sliced(fib->clx.offset, fib->clx.size), *fib);
    }
    if (!pieces)
        return CMReadResult::fail(textDamaged());

    const Props props(*fib, *wordDocument, tableStream);
    TextBuilder builder(props, fib->ccpText);
    for (const Piece &piece : pieces->pieces) {
        if (piece.cpStart >= fib->ccpText)
            break;
        addPiece(builder, piece, fib->ccpText, *pieces, props, fib->format, *wordDocument);
    }
    return CMReadResult::ok(builder.take());
}

} // namespace

CMReadResult read(const QByteArray &bytes)
{
    if (const auto refused = refusal(bytes.size(), bytes.first(std::min<qsizetype>(bytes.size(), 8))))
        return CMReadResult::fail(*refused);
    QString reason;
    const auto file = CMCompoundFile::open(bytes, &reason);
    return readCompound(file, reason);
}

CMReadResult read(const CMSource &source)
{
    if (!source.isFile())
        return read(source.bytes().toByteArray());
    QString reason;
    std::shared_ptr<QIODevice> device = source.open(&reason);
    if (!device)
        return CMReadResult::fail(reason);
    if (const auto refused = refusal(device->size(), device->peek(8)))
        return CMReadResult::fail(*refused);
    const auto file = CMCompoundFile::open(std::move(device), &reason);
    return readCompound(file, reason);
}

} // namespace CMDocReader
