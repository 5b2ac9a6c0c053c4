#include "cmmath.h"

#include "cmwordscan.h"

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace CMMath {

namespace {

// Brackets are compared as whole characters: "[" followed by a combining mark is another
// character, not a bracket.
bool isBracketAt(QStringView text, qsizetype i, QChar bracket)
{
    if (text[i] != bracket)
        return false;
    return i + 1 >= text.size() || !text[i + 1].isMark();
}

qsizetype findBracket(QStringView text, qsizetype from, QChar bracket)
{
    for (qsizetype i = text.indexOf(bracket, from); i >= 0; i = text.indexOf(bracket, i + 1)) {
        if (isBracketAt(text, i, bracket))
            return i;
    }
    return -1;
}

qsizetype lastBracket(QStringView text, QChar bracket)
{
    for (qsizetype i = text.lastIndexOf(bracket); i >= 0;
         i = i > 0 ? text.lastIndexOf(bracket, i - 1) : -1) {
        if (isBracketAt(text, i, bracket))
            return i;
    }
    return -1;
}

} // namespace

QList<Segment> segments(QStringView text)
{
    QList<Segment> result;
    qsizetype rest = 0;
    while (rest < text.size()) {
        const qsizetype open = findBracket(text, rest, u'[');
        const qsizetype close = open < 0 ? -1 : findBracket(text, open, u']');
        if (close < 0)
            break;
        if (open > rest)
            result.append({text.sliced(rest, open - rest).toString(), false});
        result.append({text.sliced(open, close + 1 - open).toString(), true});
        rest = close + 1;
    }
    if (rest < text.size())
        result.append({text.sliced(rest).toString(), false});
    return result;
}

qint64 words(QStringView script)
{
    CMWordScan scan{lastBracket(script, u']')};
    scan.feed(script, 0, QChar());
    return scan.count;
}

QList<WordSpan> wordSpans(QStringView script)
{
    QList<WordSpan> spans;
    CMWordScan scan{lastBracket(script, u']')};
    scan.spans = &spans;
    scan.feed(script, 0, QChar());
    scan.endWord(script.size());
    return spans;
}

bool isLineSpace(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

LineClass lineClass(QStringView line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && isLineSpace(line[begin]))
        ++begin;
    while (end > begin && isLineSpace(line[end - 1]))
        --end;
    if (begin == end)
        return LineClass::Blank;
    const QStringView trimmed = line.sliced(begin, end - begin);
    if (isBracketAt(trimmed, 0, u'[') && trimmed.back() == u']')
        return LineClass::Cue;
    return LineClass::Spoken;
}

double readingTime(qint64 words)
{
    return static_cast<double>(words) / 150.0 * 60.0;
}

std::span<const Palette> palettes()
{
    static const std::array<Palette, 5> table{{
        {u"White on black"_s, {1, 1, 1}, {0, 0, 0}},
        {u"Yellow on black"_s, {1.0, 0.88, 0.2}, {0, 0, 0}},
        {u"Green on black"_s, {0.45, 1.0, 0.5}, {0, 0, 0}},
        {u"Black on white"_s, {0, 0, 0}, {1, 1, 1}},
        {u"White on blue"_s, {1, 1, 1}, {0.02, 0.1, 0.35}},
    }};
    return table;
}

const Palette &palette(qint64 index)
{
    const auto table = palettes();
    return table[static_cast<std::size_t>(
        std::clamp<qint64>(index, 0, static_cast<qint64>(table.size()) - 1))];
}

std::span<const FontChoice> fonts()
{
    static const std::array<FontChoice, 7> table{{
        {u"HelveticaNeue-Bold"_s, u"Helvetica Neue Bold"_s},
        {u"HelveticaNeue"_s, u"Helvetica Neue"_s},
        {u"Arial-BoldMT"_s, u"Arial Bold"_s},
        {u"Verdana-Bold"_s, u"Verdana Bold"_s},
        {u"AvenirNext-DemiBold"_s, u"Avenir Next"_s},
        {u"Georgia"_s, u"Georgia"_s},
        {u"Menlo-Regular"_s, u"Menlo"_s},
    }};
    return table;
}

} // namespace CMMath
