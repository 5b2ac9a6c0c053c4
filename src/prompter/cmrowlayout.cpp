#include "cmrowlayout.h"

#include "cmtextstyle.h"

#include <engine/cmmath.h>

#include <QTextLayout>

#include <algorithm>

namespace {

struct Span
{
    int start = 0;
    int length = 0;
    CMTextRole role = CMTextRole::Spoken;
};

QTextOption textOption()
{
    QTextOption option;
    // A word wider than the column breaks inside rather than running off the screen.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
    option.setTextDirection(Qt::LayoutDirectionAuto);
    return option;
}

void extractRuns(const QTextLine &line, const std::vector<Span> &spans,
                 std::vector<CMRowLayout::Run> &out)
{
    const int lineStart = line.textStart();
    const int lineEnd = lineStart + line.textLength();
    for (const Span &span : spans) {
        const int from = std::max(span.start, lineStart);
        const int to = std::min(span.start + span.length, lineEnd);
        if (from >= to)
            continue;
        for (const QGlyphRun &run : line.glyphRuns(from, to - from)) {
            if (!run.glyphIndexes().isEmpty())
                out.push_back({run, span.role});
        }
    }
}

void layOut(CMRowLayout &row, const QString &text, const QFont &font,
            const QList<QTextLayout::FormatRange> &formats, const std::vector<Span> &spans,
            double lineGap, double width, bool withGlyphs)
{
    QTextLayout layout(text, font, CMTextStyle::device());
    layout.setCacheEnabled(withGlyphs);
    layout.setTextOption(textOption());
    if (!formats.isEmpty())
        layout.setFormats(formats);
    layout.beginLayout();
    double y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (layout.lineCount() > 1)
            y += lineGap;
        line.setPosition(QPointF(0, y));
        // Positions are kept in 1/64 points: continue from where the line really is.
        y = line.y() + line.height();
    }
    layout.endLayout();
    row.height = y;
    if (!withGlyphs)
        return;
    row.lines.reserve(std::size_t(layout.lineCount()));
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        CMRowLayout::Line out{line.y(),      line.height(),      line.naturalTextWidth(),
                              line.ascent(), line.textStart(), {}};
        extractRuns(line, spans, out.runs);
        row.lines.push_back(std::move(out));
    }
}

} // namespace

CMRowKind CMRowLayout::kindOf(QStringView line)
{
    switch (CMMath::lineClass(line)) {
    case CMMath::LineClass::Blank:
        return CMRowKind::Blank;
    case CMMath::LineClass::Cue:
        return CMRowKind::Cue;
    case CMMath::LineClass::Spoken:
        break;
    }
    return CMRowKind::Spoken;
}

CMRowLayout CMRowLayout::build(CMRowKind kind, const QString &text, const CMTextStyle &style,
                               bool withGlyphs)
{
    CMRowLayout row;
    switch (kind) {
    case CMRowKind::Blank:
        row.height = style.blankHeight;
        break;
    case CMRowKind::Spacer:
        row.height = CMTextStyle::spacerHeight;
        break;
    case CMRowKind::Cue:
        layOut(row, text, style.cueFont, {}, {{0, int(text.size()), CMTextRole::Cue}}, 0,
               style.columnWidth, withGlyphs);
        break;
    case CMRowKind::EndMark: {
        const QString mark = QString::fromUtf16(cmEndMarkText);
        layOut(row, mark, style.endMarkFont, {}, {{0, int(mark.size()), CMTextRole::EndMark}}, 0,
               style.columnWidth, withGlyphs);
        break;
    }
    case CMRowKind::Spoken: {
        QString shown;
        QList<QTextLayout::FormatRange> formats;
        std::vector<Span> spans;
        QTextCharFormat cueFormat;
        cueFormat.setFont(style.cueFont);
        for (const CMMath::Segment &segment : CMMath::segments(text)) {
            const int start = int(shown.size());
            shown += segment.cue || !style.uppercase ? segment.text : segment.text.toUpper();
            const int length = int(shown.size()) - start;
            if (segment.cue)
                formats.append({start, length, cueFormat});
            spans.push_back({start, length, segment.cue ? CMTextRole::Cue : CMTextRole::Spoken});
        }
        layOut(row, shown, style.spokenFont, formats, spans, style.wrapGap, style.columnWidth,
               withGlyphs);
        break;
    }
    }
    return row;
}

CMRowLayout CMRowLayout::line(const QString &text, const QFont &font, CMTextRole role)
{
    CMRowLayout row;
    layOut(row, text, font, {}, {{0, int(text.size()), role}}, 0, 1e9, true);
    return row;
}

double CMRowLayout::measure(CMRowKind kind, const QString &text, const CMTextStyle &style)
{
    return build(kind, text, style, false).height;
}

qsizetype CMRowLayout::glyphCount() const
{
    qsizetype count = 0;
    for (const Line &line : lines) {
        for (const Run &run : line.runs)
            count += run.glyphs.glyphIndexes().size();
    }
    return count;
}
