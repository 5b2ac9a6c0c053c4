#include "cmemoji.h"

#include <unicode/uchar.h>

namespace CMEmoji {

namespace {

constexpr char32_t textSelector = 0xFE0E;
constexpr char32_t emojiSelector = 0xFE0F;
constexpr char32_t joiner = 0x200D;
constexpr char32_t keycap = 0x20E3;

bool has(char32_t c, UProperty property)
{
    return u_hasBinaryProperty(UChar32(c), property);
}

bool isModifier(char32_t c)
{
    return c >= 0x1F3FB && c <= 0x1F3FF;
}

bool isTag(char32_t c)
{
    return c >= 0xE0020 && c <= 0xE007F;
}

// Walks text by code point; a lone surrogate counts as one unit of its own.
class Cursor
{
public:
    explicit Cursor(QStringView text)
        : m_text(text)
    {
    }

    qsizetype size() const { return m_text.size(); }

    char32_t at(qsizetype i) const
    {
        if (i >= m_text.size())
            return 0;
        const QChar c = m_text[i];
        if (c.isHighSurrogate() && i + 1 < m_text.size() && m_text[i + 1].isLowSurrogate())
            return QChar::surrogateToUcs4(c, m_text[i + 1]);
        return c.unicode();
    }

    qsizetype next(qsizetype i) const { return i + (at(i) > 0xFFFF ? 2 : 1); }

private:
    QStringView m_text;
};

bool startsEmoji(const Cursor &text, qsizetype i)
{
    const char32_t c = text.at(i);
    // Plain letters and punctuation never start one; only digits, # and * may (as keycaps).
    if (c < 0x80 && !(c == u'#' || c == u'*' || (c >= u'0' && c <= u'9')))
        return false;
    const char32_t after = text.at(text.next(i));
    if (after == textSelector)
        return false;
    if (has(c, UCHAR_EMOJI_PRESENTATION))
        return true;
    return has(c, UCHAR_EMOJI) && (after == emojiSelector || isModifier(after));
}

// The end of the emoji that starts at i: everything that joins it into one picture.
qsizetype emojiEnd(const Cursor &text, qsizetype i)
{
    const char32_t first = text.at(i);
    i = text.next(i);
    if (has(first, UCHAR_REGIONAL_INDICATOR) && has(text.at(i), UCHAR_REGIONAL_INDICATOR))
        return text.next(i); // a flag is a pair
    while (i < text.size()) {
        const char32_t c = text.at(i);
        if (c == emojiSelector || c == keycap || isModifier(c) || isTag(c)) {
            i = text.next(i);
            continue;
        }
        const qsizetype joined = text.next(i);
        if (c == joiner && joined < text.size()
            && has(text.at(joined), UCHAR_EXTENDED_PICTOGRAPHIC)) {
            i = text.next(joined);
            continue;
        }
        break;
    }
    return i;
}

} // namespace

std::vector<Range> presentationRanges(QStringView text)
{
    std::vector<Range> ranges;
    const Cursor cursor(text);
    qsizetype i = 0;
    while (i < cursor.size()) {
        if (!startsEmoji(cursor, i)) {
            i = cursor.next(i);
            continue;
        }
        const qsizetype end = emojiEnd(cursor, i);
        ranges.push_back({i, end - i});
        i = end;
    }
    return ranges;
}

} // namespace CMEmoji
