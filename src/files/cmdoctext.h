#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <map>
#include <optional>
#include <vector>

namespace CMDoc {
class Props;

// Turns the characters of the main text, piece by piece, into script text: paragraph marks and
// breaks become line feeds, table cells tabs and row ends line feeds, a field keeps its result
// and loses its instruction, and the other control characters are dropped.
class TextBuilder
{
public:
    TextBuilder(const Props &props, qsizetype expectedLength);

    // fc is the stream offset of the first byte, which locates table row ends.
    void addWide(QByteArrayView bytes, quint32 fc);
    void addNarrow(QByteArrayView bytes, quint32 fc, quint16 codePage);
    // Fast-saved files may mark a whole piece's paragraphs as table row ends.
    void setPieceRowEnd(std::optional<bool> rowEnd) { m_pieceRowEnd = rowEnd; }

    QString take();

private:
    void text(QStringView chars);
    void control(char16_t c, quint32 fc);
    void decode(QByteArrayView bytes, quint16 codePage);

    const Props &m_props;
    QString m_out;
    QString m_instruction; // kept until the field shows whether it is one
    QString m_scratch;
    std::vector<bool> m_fieldInInstruction;
    int m_instructions = 0;
    qsizetype m_cellTabAt = -1;
    bool m_afterCell = false;
    std::optional<bool> m_pieceRowEnd;
    std::map<quint16, QStringDecoder> m_decoders;
};

} // namespace CMDoc
