#include "cmvoicescript.h"

#include <engine/cmmath.h>

#include <array>

using namespace Qt::StringLiterals;

namespace CMVoiceScript {

namespace {

constexpr qint64 largestNumber = 999'999'999'999;

bool isApostrophe(QChar c)
{
    return c == u'\'' || c == u'\u2019' || c == u'\u2018' || c == u'\u02BC';
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c.isMark();
}

bool endsSentence(QStringView word)
{
    for (qsizetype i = word.size() - 1; i >= 0; --i) {
        const QChar c = word[i];
        if (c == u'.' || c == u'!' || c == u'?' || c == u':' || c == u';' || c == u'\u2026')
            return true;
        if (isWordChar(c))
            return false;
    }
    return false;
}

void appendBelowThousand(QStringList &out, qint64 n)
{
    static const std::array<const char16_t *, 20> ones{
        u"zero", u"one", u"two", u"three", u"four", u"five", u"six",
        u"seven", u"eight", u"nine", u"ten", u"eleven", u"twelve", u"thirteen",
        u"fourteen", u"fifteen", u"sixteen", u"seventeen", u"eighteen", u"nineteen"};
    static const std::array<const char16_t *, 10> tens{
        u"", u"", u"twenty", u"thirty", u"forty", u"fifty", u"sixty", u"seventy", u"eighty",
        u"ninety"};
    if (n >= 100) {
        out << QString::fromUtf16(ones[std::size_t(n / 100)]) << u"hundred"_s;
        n %= 100;
        if (n == 0)
            return;
    }
    if (n >= 20) {
        out << QString::fromUtf16(tens[std::size_t(n / 10)]);
        if (n % 10)
            out << QString::fromUtf16(ones[std::size_t(n % 10)]);
    } else {
        out << QString::fromUtf16(ones[std::size_t(n)]);
    }
}

// "1,000,000" and "1.5" read as numbers; anything else with digits is left to the letters.
void appendNumberToken(QStringList &out, QStringView token)
{
    QString digits;
    qsizetype point = -1;
    for (qsizetype i = 0; i < token.size(); ++i) {
        const QChar c = token[i];
        const bool between = i > 0 && i + 1 < token.size() && token[i - 1].isDigit()
                             && token[i + 1].isDigit();
        if (c.isDigit())
            digits += c;
        else if (c == u',' && between && point < 0)
            continue;
        else if (c == u'.' && between && point < 0)
            point = digits.size();
        else
            return;
    }
    const QString whole = point < 0 ? digits : digits.left(point);
    if (whole.size() > 12)
        return;
    const bool plain = point < 0 && !token.contains(u',');
    out << numberWords(whole.toLongLong(), plain && whole.size() == 4);
    if (point >= 0) {
        out << u"point"_s;
        for (const QChar c : QStringView(digits).sliced(point))
            out << numberWords(c.digitValue());
    }
}

} // namespace

QStringList numberWords(qint64 value, bool asYear)
{
    QStringList out;
    if (value < 0 || value > largestNumber)
        return out;
    // 1984 → nineteen eighty four; 2024 → twenty twenty four; 1900 → nineteen hundred;
    // 2000 to 2009 and the other round thousands read as numbers.
    if (asYear && value >= 1100 && value <= 2099 && value % 1000 >= 10 && value % 100 != 0) {
        appendBelowThousand(out, value / 100);
        const qint64 rest = value % 100;
        if (rest < 10)
            out << u"oh"_s;
        appendBelowThousand(out, rest);
        return out;
    }
    if (asYear && value >= 1100 && value <= 1999 && value % 100 == 0) {
        appendBelowThousand(out, value / 100);
        out << u"hundred"_s;
        return out;
    }
    if (value == 0)
        return {u"zero"_s};
    static const std::array<std::pair<qint64, const char16_t *>, 3> scales{
        {{1'000'000'000, u"billion"}, {1'000'000, u"million"}, {1'000, u"thousand"}}};
    for (const auto &[scale, name] : scales) {
        if (value >= scale) {
            appendBelowThousand(out, value / scale);
            out << QString::fromUtf16(name);
            value %= scale;
        }
    }
    if (value > 0)
        appendBelowThousand(out, value);
    return out;
}

QStringList wordTokens(QStringView word)
{
    QStringList out;
    QString current;
    bool digits = false;
    const auto flush = [&] {
        while (!current.isEmpty() && isApostrophe(current.back()))
            current.chop(1);
        while (!current.isEmpty() && isApostrophe(current.front()))
            current.remove(0, 1);
        if (!current.isEmpty()) {
            if (digits)
                appendNumberToken(out, current);
            else
                out << current.toLower();
        }
        current.clear();
        digits = false;
    };
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word[i];
        const bool inNumber = (c == u',' || c == u'.') && digits && i + 1 < word.size()
                              && word[i + 1].isDigit();
        if (c.isDigit() != digits && !current.isEmpty() && isWordChar(c) && !inNumber)
            flush();
        if (isWordChar(c) || inNumber) {
            digits = digits || c.isDigit();
            current += c;
        } else if (isApostrophe(c) && !current.isEmpty() && !digits) {
            current += u'\'';
        } else {
            flush();
        }
    }
    flush();
    return out;
}

QList<CMVoiceToken> tokens(QStringView script)
{
    QList<CMVoiceToken> out;
    const QList<CMMath::WordSpan> spans = CMMath::wordSpans(script);
    for (qsizetype i = 0; i < spans.size(); ++i) {
        const QStringView word = script.sliced(spans[i].start, spans[i].length);
        const QStringList parts = wordTokens(word);
        for (const QString &part : parts)
            out.append({part, qint64(i), false});
        if (out.isEmpty())
            continue;
        const qsizetype end = spans[i].start + spans[i].length;
        const qsizetype next = i + 1 < spans.size() ? spans[i + 1].start : script.size();
        const bool lineEnds = script.sliced(end, next - end).contains(u'\n');
        if (!parts.isEmpty() && (endsSentence(word) || lineEnds || i + 1 == spans.size()))
            out.back().sentenceEnd = true;
        else if (parts.isEmpty() && lineEnds)
            out.back().sentenceEnd = true;
    }
    return out;
}

} // namespace CMVoiceScript
