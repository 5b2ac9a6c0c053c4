#include "cmscripttext.h"

#include <engine/cmmath.h>
#include <engine/cmsettings.h>

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace {

// Rows measured at once by an edit; a larger change (a paste, a new script) is measured like
// a new style: exact down to what the frame shows, the rest between frames.
constexpr std::size_t immediateRows = 32;
constexpr qsizetype layoutCacheGlyphs = 200'000;

} // namespace

CMScriptText::CMScriptText()
{
    m_layouts.setMaxCost(layoutCacheGlyphs);
    setStyle(CMTextStyle::fromSettings(CMSettings{}));
    rebuildAll();
}

CMScriptText::Row CMScriptText::rowData(int row) const
{
    const int lines = m_lines.size();
    return row < lines ? m_lines.row(row) : row == lines ? m_spacer : m_end;
}

QString CMScriptText::rowText(int row) const
{
    if (row >= m_lines.size())
        return row == m_lines.size() ? QString() : QString::fromUtf16(cmEndMarkText);
    const Row r = m_lines.row(row);
    return m_script.mid(r.start, r.length);
}

QStringView CMScriptText::rowView(int row, QString &scratch) const
{
    if (row >= m_lines.size())
        return {};
    const Row r = m_lines.row(row);
    return m_script.view(r.start, r.length, scratch);
}

double CMScriptText::rowExtent(int row) const
{
    const double gap = row + 1 < rowCount() ? m_style.rowGap : 0;
    return rowData(row).height + gap;
}

double CMScriptText::rowTop(int row) const
{
    const int lines = m_lines.size();
    if (row <= lines)
        return m_lines.top(row);
    return m_lines.top(lines) + m_spacer.height + m_style.rowGap;
}

int CMScriptText::rowAt(double y) const
{
    const int lines = m_lines.size();
    if (y < m_lines.top(lines))
        return m_lines.rowAt(y);
    return y < rowTop(lines + 1) ? lines : lines + 1;
}

double CMScriptText::height() const
{
    return rowTop(m_lines.size() + 1) + m_end.height;
}

void CMScriptText::setStyle(const CMTextStyle &style)
{
    if (style == m_style && m_end.serial != 0)
        return;
    m_style = style;
    const QFontMetricsF spoken(m_style.spokenFont, CMTextStyle::device());
    const QFontMetricsF cue(m_style.cueFont, CMTextStyle::device());
    m_spokenLine = spoken.ascent() + spoken.descent();
    m_spokenChar = spoken.averageCharWidth();
    m_cueLine = cue.ascent() + cue.descent();
    m_cueChar = cue.averageCharWidth();
    m_endHeight = CMRowLayout::measure(CMRowKind::EndMark, {}, m_style);
    m_lines.setGap(m_style.rowGap);
    m_lines.updateAll([this](Row &row) { row = makeRow(row.start, row.length, row.kind); });
    m_spacer = makeRow(0, 0, CMRowKind::Spacer);
    m_end = makeRow(0, 0, CMRowKind::EndMark);
    m_unmeasuredHint = 0;
    m_layouts.clear();
}

CMScriptText::Row CMScriptText::makeRow(qsizetype start, qsizetype length, CMRowKind kind)
{
    Row row{start, length, m_nextSerial++, 0, kind, false};
    switch (kind) {
    case CMRowKind::Blank:
        row.height = m_style.blankHeight;
        row.measured = true;
        break;
    case CMRowKind::Spacer:
        row.height = CMTextStyle::spacerHeight;
        row.measured = true;
        break;
    case CMRowKind::EndMark:
        row.height = m_endHeight;
        row.measured = true;
        break;
    case CMRowKind::Cue:
    case CMRowKind::Spoken:
        row.height = estimate(row);
        break;
    }
    return row;
}

double CMScriptText::estimate(const Row &row) const
{
    const bool cue = row.kind == CMRowKind::Cue;
    const double lineHeight = cue ? m_cueLine : m_spokenLine;
    const double charWidth = cue ? m_cueChar : m_spokenChar;
    const double lines =
        std::max(1.0, std::ceil(double(row.length) * charWidth / m_style.columnWidth));
    return lines * lineHeight + (lines - 1) * (cue ? 0 : m_style.wrapGap);
}

void CMScriptText::rebuildAll()
{
    std::vector<Row> rows;
    QString scratch;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = m_script.indexOf(u'\n', start);
        const qsizetype length = (end < 0 ? m_script.size() : end) - start;
        const QStringView line = m_script.view(start, length, scratch);
        rows.push_back(makeRow(start, length, CMRowLayout::kindOf(line)));
        if (end < 0)
            break;
        start = end + 1;
    }
    m_lines.assign(rows);
    m_unmeasuredHint = 0;
    m_layouts.clear();
}

void CMScriptText::setScript(const CMScriptBuffer &script)
{
    const qsizetype p = CMScriptBuffer::commonPrefix(m_script, script);
    const qsizetype oldSize = m_script.size();
    if (p == oldSize && p == script.size()) {
        m_script = script; // the same text: share it
        return;
    }
    const qsizetype q = CMScriptBuffer::commonSuffix(m_script, script, p);
    const Span span = spanOf(p, oldSize - q);
    const CMScriptBuffer old = std::exchange(m_script, script);
    QString scratch;
    replaceLines(span, old.view(span.start, span.end - span.start, scratch),
                 script.size() - oldSize);
}

void CMScriptText::setScript(const QString &script)
{
    const qsizetype p = CMScriptBuffer::commonPrefix(m_script, script);
    const qsizetype oldSize = m_script.size();
    if (p == oldSize && p == script.size())
        return;
    const qsizetype q = CMScriptBuffer::commonSuffix(m_script, script, p);
    const Span span = spanOf(p, oldSize - q);
    // Only the lines the change touches are kept to compare; the text changes in place.
    const QString old = m_script.mid(span.start, span.end - span.start);
    m_script.replace(p, oldSize - q - p, QStringView(script).sliced(p, script.size() - q - p));
    replaceLines(span, old, script.size() - oldSize);
}

void CMScriptText::edit(qsizetype position, qsizetype removed, const CMScriptBuffer &edited)
{
    const qsizetype oldSize = m_script.size();
    if (position < 0 || removed < 0 || position + removed > oldSize
        || edited.size() < oldSize - removed) {
        setScript(edited);
        return;
    }
    const Span span = spanOf(position, position + removed);
    const CMScriptBuffer old = std::exchange(m_script, edited);
    QString scratch;
    replaceLines(span, old.view(span.start, span.end - span.start, scratch),
                 edited.size() - oldSize);
}

// The lines that hold the characters [from, to) of the script as it is.
CMScriptText::Span CMScriptText::spanOf(qsizetype from, qsizetype to) const
{
    Span span;
    span.first = m_lines.lineAt(from);
    span.lastOld = m_lines.lineAt(to);
    span.start = m_lines.row(span.first).start;
    const Row last = m_lines.row(span.lastOld);
    span.end = last.start + last.length;
    return span;
}

// Replaces the span's lines by the new lines between the same borders, keeping the
// measurements of lines whose text did not change. m_script already holds the new text;
// oldRegion is the span's old text.
void CMScriptText::replaceLines(const Span &span, QStringView oldRegion, qsizetype delta)
{
    const qsizetype regionStart = span.start;
    QString scratch;
    const QStringView region = m_script.view(regionStart, span.end + delta - regionStart, scratch);

    std::vector<Row> replaced;
    std::size_t fresh = 0;
    qsizetype start = 0;
    for (int j = 0;; ++j) {
        const qsizetype end = region.indexOf(u'\n', start);
        const qsizetype length = (end < 0 ? region.size() : end) - start;
        const QStringView line = region.sliced(start, length);
        const int oldIndex = span.first + j;
        Row kept;
        if (oldIndex <= span.lastOld)
            kept = m_lines.row(oldIndex);
        if (oldIndex <= span.lastOld && kept.length == length
            && oldRegion.sliced(kept.start - regionStart, length) == line) {
            kept.start = regionStart + start;
            replaced.push_back(kept);
        } else {
            replaced.push_back(makeRow(regionStart + start, length, CMRowLayout::kindOf(line)));
            ++fresh;
        }
        if (end < 0)
            break;
        start = end + 1;
    }
    m_lines.replace(span.first, span.lastOld, replaced, delta);
    m_unmeasuredHint = std::min(m_unmeasuredHint, span.first);

    if (fresh <= immediateRows) {
        for (int i = span.first; i < span.first + int(replaced.size()); ++i) {
            if (!m_lines.row(i).measured)
                measureRow(i);
        }
    }
}

void CMScriptText::measureRow(int row)
{
    const Row r = rowData(row);
    const double height = CMRowLayout::measure(r.kind, rowText(row), m_style);
    ++m_measurements;
    m_lines.setMeasured(row, height);
}

void CMScriptText::prepareThrough(double y)
{
    for (;;) {
        m_unmeasuredHint = m_lines.firstUnmeasured(m_unmeasuredHint);
        if (m_unmeasuredHint >= m_lines.size() || m_lines.top(m_unmeasuredHint) > y)
            return;
        measureRow(m_unmeasuredHint);
    }
}

bool CMScriptText::measureFor(std::chrono::nanoseconds budget)
{
    const auto deadline = std::chrono::steady_clock::now() + budget;
    for (;;) {
        m_unmeasuredHint = m_lines.firstUnmeasured(m_unmeasuredHint);
        if (m_unmeasuredHint >= m_lines.size())
            break;
        measureRow(m_unmeasuredHint);
        if (std::chrono::steady_clock::now() >= deadline)
            break;
    }
    return complete();
}

void CMScriptText::measureAll()
{
    measureFor(std::chrono::nanoseconds::max() / 2);
}

std::shared_ptr<const CMRowLayout> CMScriptText::layout(int row)
{
    const Row r = rowData(row);
    if (const auto *cached = m_layouts.object(r.serial))
        return *cached;
    auto built = std::make_shared<const CMRowLayout>(CMRowLayout::build(r.kind, rowText(row), m_style));
    if (!r.measured) {
        ++m_measurements;
        m_lines.setMeasured(row, built->height);
    }
    m_layouts.insert(r.serial, new std::shared_ptr<const CMRowLayout>(built),
                     built->glyphCount() + 1);
    return built;
}

int CMScriptText::rowOf(qsizetype position) const
{
    return std::max(m_lines.lineAt(position), 0);
}

namespace {

// A position in a spoken row's script text as a position in the text it shows: capitals may
// change the length of a spoken run (ß becomes SS); cues are shown as they are.
int shownPosition(const QString &text, qsizetype position, bool uppercase)
{
    if (!uppercase)
        return int(position);
    qsizetype scriptAt = 0, shownAt = 0;
    for (const CMMath::Segment &segment : CMMath::segments(text)) {
        const qsizetype shownLength = segment.cue ? segment.text.size()
                                                  : segment.text.toUpper().size();
        if (position < scriptAt + segment.text.size()) {
            const qsizetype within = position - scriptAt;
            return int(shownAt
                       + (segment.cue ? within : segment.text.first(within).toUpper().size()));
        }
        scriptAt += segment.text.size();
        shownAt += shownLength;
    }
    return int(shownAt);
}

} // namespace

double CMScriptText::lineTop(qsizetype position)
{
    const int row = rowOf(position);
    const double top = rowTop(row);
    if (kind(row) != CMRowKind::Spoken)
        return top;
    const Row r = rowData(row);
    const int shown = shownPosition(rowText(row), position - r.start, m_style.uppercase);
    const std::shared_ptr<const CMRowLayout> laid = layout(row);
    double lineY = 0;
    for (const CMRowLayout::Line &line : laid->lines) {
        if (line.textStart > shown)
            break;
        lineY = line.top;
    }
    return rowTop(row) + lineY;
}

qsizetype CMScriptText::positionAt(double y)
{
    const int row = rowAt(y);
    const Row r = rowData(row);
    if (r.kind == CMRowKind::Spacer || r.kind == CMRowKind::EndMark)
        return m_script.size();
    if (r.kind != CMRowKind::Spoken)
        return r.start;
    const std::shared_ptr<const CMRowLayout> laid = layout(row);
    const double within = y - rowTop(row);
    int shown = 0;
    for (const CMRowLayout::Line &line : laid->lines) {
        if (line.top > within)
            break;
        shown = line.textStart;
    }
    if (!m_style.uppercase)
        return r.start + shown;
    // Back from the shown text to the script's: capitals may have made it longer.
    const QString script = rowText(row);
    qsizetype position = 0;
    while (position < r.length && shownPosition(script, position, true) < shown)
        ++position;
    return r.start + position;
}
