#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>
#include <vector>

// The parts of a Word document's file information block and piece table that lead to its
// main text. Word 6 and Word 95 share one layout, Word 97 to 2003 another.
namespace CMDoc {

enum class Format { Word6, Word97 };

// Where a structure lies in a stream, as the FIB gives it.
struct Span
{
    quint32 offset = 0;
    quint32 size = 0;
};

struct Fib
{
    Format format = Format::Word97;
    bool complex = false;
    bool wide = false;   // Word 6: the text is UTF-16 (Far East versions)
    bool table1 = false; // the tables are in "1Table" rather than "0Table" (Word 97)
    quint32 fcMin = 0;   // Word 6: where the text of a file that is not fast-saved starts
    quint32 ccpText = 0; // characters of the main document
    Span clx;
    Span charBins;
    Span paraBins;
    Span fonts;
    Span styles;
};

std::optional<Fib> readFib(QByteArrayView wordDocument, QString *reason);

struct Piece
{
    quint32 cpStart = 0;
    quint32 cpEnd = 0;
    quint32 fc = 0;    // byte offset in the WordDocument stream
    bool wide = false; // UTF-16 rather than 8-bit characters
    quint16 prm = 0;
};

struct PieceTable
{
    std::vector<Piece> pieces;
    std::vector<QByteArrayView> grpprls; // property changes that a piece's prm may name
};

// The piece table of a Clx, or nullopt when it is damaged.
std::optional<PieceTable> readPieces(QByteArrayView clx, const Fib &fib);

} // namespace CMDoc
