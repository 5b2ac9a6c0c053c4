#pragma once

#include "cmdocfib.h"

#include <QByteArrayView>
#include <optional>
#include <utility>
#include <vector>

// The few character and paragraph properties that change a document's plain text: deleted
// revisions, hidden text and symbol-font characters are left out, Word 6 text is decoded with
// the code page of its font, and a table row ends where a row-end paragraph says so. Everything
// else about formatting is ignored.
namespace CMDoc {

// A stretch of the WordDocument stream (byte offsets) whose characters differ from the default.
struct CharRun
{
    quint32 fcStart = 0;
    quint32 fcEnd = 0;
    quint16 codePage = 1252;
    bool deleted = false;
    bool hidden = false;
    bool symbol = false;
};

// What a list of property changes says about the properties above.
struct Sprms
{
    std::optional<bool> deleted;
    std::optional<bool> hidden;
    bool symbol = false;
    std::optional<quint16> font;
    std::optional<bool> rowEnd;
};

Sprms readSprms(QByteArrayView grpprl, Format format);

class Props
{
public:
    Props(const Fib &fib, QByteArrayView wordDocument, QByteArrayView table);

    quint16 codePage() const { return m_codePage; }
    quint16 fontCodePage(quint16 font) const;
    // Sorted and disjoint; only stretches that differ from the default are listed.
    const std::vector<CharRun> &runs() const { return m_runs; }
    // Whether the cell mark at fc ends a table row; nullopt when the file does not say.
    std::optional<bool> rowEnd(quint32 fc) const;

private:
    void readFonts(const Fib &fib, QByteArrayView stream);
    template<typename Visit>
    bool readBins(const Fib &fib, Span bins, QByteArrayView wordDocument, QByteArrayView table,
                  bool paragraphs, Visit visit);

    quint16 m_codePage = 1252;
    std::vector<quint16> m_fontCodePages;
    std::vector<CharRun> m_runs;
    std::vector<std::pair<quint32, quint32>> m_rowEnds;
    bool m_rowEndsKnown = false;
};

// The Windows code page of a font character set.
quint16 codePageOfCharset(quint8 charset);

} // namespace CMDoc
