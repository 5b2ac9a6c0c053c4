#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

// Builds Word documents byte by byte for the reader's tests, fuzz seeds and bench: the compound
// file around them, the FIB, the piece table and the few properties the reader looks at.
namespace cmdocfixture {

struct Stream
{
    QString name;
    QByteArray data;
};

struct CompoundFile
{
    QByteArray bytes;
    int sectorShift = 9;
    quint32 fatSector = 0; // the first FAT sector
    quint32 directorySector = 0;
    quint32 miniFatSector = 0;
    std::vector<quint32>
        startSectors; // per stream, in the order given (mini sectors for small ones)
};

// A version 3 (512-byte sectors) or version 4 (4096-byte) compound file with the streams in
// its root storage. Streams under 4096 bytes go to the mini stream, as the format wants.
CompoundFile compoundFile(const std::vector<Stream> &streams, int sectorShift = 9);

// Byte offset in the file of the FAT entry for `sector`.
qint64 fatEntryOffset(const CompoundFile &file, quint32 sector);

struct Piece
{
    QString text;
    bool wide = false; // UTF-16; otherwise 8-bit in code page 1252
    quint16 prm = 0;
};

// A Word 97 document. Word 6 files are checked in beside the reader's tests instead.
struct Document
{
    std::vector<Piece> pieces;
    std::optional<quint32> ccpText;                   // default: all the pieces' characters
    std::vector<QByteArray> grpprls;                  // property lists that a piece's prm may name
    std::vector<std::pair<quint32, quint32>> deleted; // character ranges [from, to) as revisions
    std::vector<std::pair<quint32, quint32>> hidden;  // character ranges [from, to) of hidden text
    std::vector<quint32> symbols;                     // characters drawn from a symbol font
    bool storeBackwards = false; // lay out the pieces' text in reverse order
    bool tableStream = true; // write the table stream at all
    bool writeClx = true;
    quint16 flags = 0; // more FIB flags (encrypted, obfuscated)
};

// The streams of a Word document: "WordDocument" first, then the table stream when it has one.
std::vector<Stream> wordStreams(const Document &document);

// The whole file.
QByteArray wordFile(const Document &document);

// A Word 97 document of about `bytes` bytes of text in paragraphs, in 8-bit and UTF-16 pieces.
QByteArray largeDocument(qint64 bytes);

} // namespace cmdocfixture
