#include "cmdoctext.h"

#include "cmdocprops.h"

#include <QtEndian>

using namespace Qt::StringLiterals;

namespace CMDoc {

namespace {

enum : char16_t {
    cellMark = 0x07,
    tab = 0x09,
    lineBreak = 0x0B,
    pageBreak = 0x0C,
    paragraphMark = 0x0D,
    columnBreak = 0x0E,
    fieldBegin = 0x13,
    fieldSeparator = 0x14,
    fieldEnd = 0x15,
    nonBreakingHyphen = 0x1E,
};

// Windows-1252 at 0x80-0x9F; the rest of the 8-bit range is Latin-1.
constexpr char16_t cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QByteArray encodingName(quint16 codePage)
{
    switch (codePage) {
    case 437:
        return "IBM437";
    case 10000:
        return "macintosh";
    default:
        return "windows-" + QByteArray::number(codePage);
    }
}

} // namespace

TextBuilder::TextBuilder(const Props &props, qsizetype expectedLength) : m_props(props)
{
    m_out.reserve(expectedLength);
}

void TextBuilder::addWide(QByteArrayView bytes, quint32 fc)
{
    const qsizetype count = bytes.size() / 2;
    m_scratch.resize(count);
    qFromLittleEndian<quint16>(bytes.data(), count, m_scratch.data());
    const QStringView chars(m_scratch);
    qsizetype from = 0;
    for (qsizetype i = 0; i < count; ++i) {
        if (chars[i].unicode() >= 0x20)
            continue;
        text(chars.sliced(from, i - from));
        control(chars[i].unicode(), fc + quint32(2 * i));
        from = i + 1;
    }
    text(chars.sliced(from));
}

void TextBuilder::addNarrow(QByteArrayView bytes, quint32 fc, quint16 codePage)
{
    // Control bytes are never part of a double-byte character, so they can be split off first.
    qsizetype from = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = quint8(bytes[i]);
        if (byte >= 0x20)
            continue;
        decode(bytes.sliced(from, i - from), codePage);
        control(byte, fc + quint32(i));
        from = i + 1;
    }
    decode(bytes.sliced(from), codePage);
}

void TextBuilder::decode(QByteArrayView bytes, quint16 codePage)
{
    if (bytes.isEmpty())
        return;
    if (codePage != 1252) {
        auto it = m_decoders.find(codePage);
        if (it == m_decoders.end())
            it = m_decoders
                     .try_emplace(codePage, encodingName(codePage).constData(),
                                  QStringConverter::Flag::Stateless)
                     .first;
        if (it->second.isValid()) {
            text(QString(it->second.decode(bytes)));
            return;
        }
    }
    m_scratch.resize(bytes.size());
    char16_t *out = reinterpret_cast<char16_t *>(m_scratch.data());
    for (const char c : bytes) {
        const auto byte = quint8(c);
        *out++ = byte >= 0x80 && byte < 0xA0 ? cp1252High[byte - 0x80] : char16_t(byte);
    }
    text(m_scratch);
}

QString TextBuilder::take()
{
    // A field that never ends is damage, not an instruction: its text is kept.
    if (m_instructions > 0)
        m_out += m_instruction;
    m_instruction.clear();
    return std::move(m_out);
}

void TextBuilder::text(QStringView chars)
{
    if (chars.isEmpty())
        return;
    if (m_instructions > 0) {
        m_instruction += chars;
        return;
    }
    m_out += chars;
    m_afterCell = false;
}

void TextBuilder::control(char16_t c, quint32 fc)
{
    switch (c) {
    case fieldBegin:
        m_fieldInInstruction.push_back(true);
        ++m_instructions;
        return;
    case fieldSeparator:
        if (!m_fieldInInstruction.empty() && m_fieldInInstruction.back()) {
            m_fieldInInstruction.back() = false;
            --m_instructions;
        }
        if (m_instructions == 0)
            m_instruction.clear();
        return;
    case fieldEnd:
        if (!m_fieldInInstruction.empty()) {
            if (m_fieldInInstruction.back())
                --m_instructions;
            m_fieldInInstruction.pop_back();
        }
        if (m_instructions == 0)
            m_instruction.clear();
        return;
    default:
        break;
    }
    if (m_instructions > 0) {
        if (c == tab || c == cellMark)
            m_instruction += u'\t';
        else if (c == lineBreak || c == pageBreak || c == paragraphMark || c == columnBreak)
            m_instruction += u'\n';
        return;
    }

    switch (c) {
    case cellMark: {
        // Without paragraph properties, a cell mark right after another ends the row.
        const bool rowEnd = m_pieceRowEnd.value_or(m_props.rowEnd(fc).value_or(m_afterCell));
        if (!rowEnd) {
            m_out += u'\t';
            m_cellTabAt = m_out.size() - 1;
        } else if (m_cellTabAt >= 0 && m_cellTabAt == m_out.size() - 1) {
            m_out[m_cellTabAt] = u'\n';
        } else {
            m_out += u'\n';
        }
        m_afterCell = !rowEnd;
        return;
    }
    case tab:
        m_out += u'\t';
        break;
    case lineBreak:
    case pageBreak:
    case paragraphMark:
    case columnBreak:
        m_out += u'\n';
        break;
    case nonBreakingHyphen:
        m_out += u'-';
        break;
    default:
        break;
    }
    m_afterCell = false;
}

} // namespace CMDoc
