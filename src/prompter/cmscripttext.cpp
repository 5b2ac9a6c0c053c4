#include "cmscripttext.h"

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

QString CMScriptText::rowText(int row) const
{
    const Row &r = m_rows[std::size_t(row)];
    return r.kind == CMRowKind::EndMark ? QString::fromUtf16(cmEndMarkText)
                                        : m_script.mid(r.start, r.length);
}

double CMScriptText::rowExtent(int row) const
{
    const double gap = std::size_t(row) + 1 < m_rows.size() ? m_style.rowGap : 0;
    return m_rows[std::size_t(row)].height + gap;
}

double CMScriptText::rowTop(int row) const
{
    fixTops();
    return m_tops[std::size_t(row)];
}

int CMScriptText::rowAt(double y) const
{
    fixTops();
    const auto it = std::upper_bound(m_tops.begin(), m_tops.end(), y);
    return std::clamp(int(it - m_tops.begin()) - 1, 0, rowCount() - 1);
}

double CMScriptText::height() const
{
    fixTops();
    return m_tops.back() + m_rows.back().height;
}

void CMScriptText::setStyle(const CMTextStyle &style)
{
    if (style == m_style && !m_rows.empty())
        return;
    m_style = style;
    const QFontMetricsF spoken(m_style.spokenFont, CMTextStyle::device());
    const QFontMetricsF cue(m_style.cueFont, CMTextStyle::device());
    m_spokenLine = spoken.ascent() + spoken.descent();
    m_spokenChar = spoken.averageCharWidth();
    m_cueLine = cue.ascent() + cue.descent();
    m_cueChar = cue.averageCharWidth();
    m_endHeight = CMRowLayout::measure(CMRowKind::EndMark, {}, m_style);
    restyleAll();
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

CMScriptText::Row CMScriptText::lineRow(qsizetype start, qsizetype length)
{
    return makeRow(start, length,
                   CMRowLayout::kindOf(QStringView(m_script).sliced(start, length)));
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
    m_rows.clear();
    const QStringView script(m_script);
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = script.indexOf(u'\n', start);
        if (end < 0) {
            m_rows.push_back(lineRow(start, script.size() - start));
            break;
        }
        m_rows.push_back(lineRow(start, end - start));
        start = end + 1;
    }
    m_rows.push_back(makeRow(0, 0, CMRowKind::Spacer));
    m_rows.push_back(makeRow(0, 0, CMRowKind::EndMark));
    m_unmeasured = std::size_t(std::count_if(m_rows.begin(), m_rows.end(),
                                             [](const Row &r) { return !r.measured; }));
    m_unmeasuredHint = 0;
    m_layouts.clear();
    markTopsStale(0);
}

void CMScriptText::restyleAll()
{
    if (m_rows.empty())
        return;
    for (Row &row : m_rows)
        row = makeRow(row.start, row.length, row.kind);
    m_unmeasured = std::size_t(std::count_if(m_rows.begin(), m_rows.end(),
                                             [](const Row &r) { return !r.measured; }));
    m_unmeasuredHint = 0;
    m_layouts.clear();
    markTopsStale(0);
}

void CMScriptText::setScript(const QString &script)
{
    const qsizetype oldSize = m_script.size();
    const qsizetype newSize = script.size();
    const qsizetype common = std::min(oldSize, newSize);
    const QChar *a = m_script.constData();
    const QChar *b = script.constData();
    const qsizetype p = std::mismatch(a, a + common, b).first - a;
    if (p == oldSize && p == newSize)
        return;
    qsizetype q = 0;
    while (q < common - p && a[oldSize - 1 - q] == b[newSize - 1 - q])
        ++q;
    const Span span = spanOf(p, oldSize - q);
    const QString old = std::exchange(m_script, script);
    replaceSpan(span, newSize - oldSize,
                QStringView(old).sliced(span.start, span.end - span.start));
}

void CMScriptText::edit(qsizetype position, qsizetype removed, QStringView inserted)
{
    const Span span = spanOf(position, position + removed);
    // Only the lines the edit touches are kept to compare; the script changes in place.
    const QString old = m_script.mid(span.start, span.end - span.start);
    m_script.replace(position, removed, inserted.constData(), inserted.size());
    replaceSpan(span, inserted.size() - removed, old);
}

// The old lines that hold the changed characters old [from, to).
CMScriptText::Span CMScriptText::spanOf(qsizetype from, qsizetype to) const
{
    const std::size_t lines = m_rows.size() - 2;
    const auto lineOf = [this, lines](qsizetype position) {
        const auto begin = m_rows.begin();
        const auto it = std::upper_bound(begin, begin + qsizetype(lines), position,
                                         [](qsizetype pos, const Row &r) { return pos < r.start; });
        return std::size_t(it - begin) - 1;
    };
    Span span;
    span.first = lineOf(from);
    span.lastOld = lineOf(to);
    span.start = m_rows[span.first].start;
    span.end = m_rows[span.lastOld].start + m_rows[span.lastOld].length;
    return span;
}

// Replaces the old lines of the span by the new lines between the same borders, keeping the
// measurements of lines whose text did not change. m_script already holds the new text;
// oldText is the span's old text.
void CMScriptText::replaceSpan(const Span &span, qsizetype delta, QStringView oldText)
{
    const std::size_t lines = m_rows.size() - 2;
    const std::size_t first = span.first;
    const std::size_t lastOld = span.lastOld;
    const qsizetype regionStart = span.start;
    const qsizetype regionEnd = span.end + delta;
    const QStringView region = QStringView(m_script).sliced(regionStart, regionEnd - regionStart);

    std::vector<Row> replaced;
    std::size_t fresh = 0;
    qsizetype start = 0;
    for (std::size_t j = 0;; ++j) {
        const qsizetype end = region.indexOf(u'\n', start);
        const qsizetype length = (end < 0 ? region.size() : end) - start;
        const std::size_t oldIndex = first + j;
        if (oldIndex <= lastOld && m_rows[oldIndex].length == length
            && oldText.sliced(m_rows[oldIndex].start - regionStart, length)
                   == region.sliced(start, length)) {
            Row kept = m_rows[oldIndex];
            kept.start = regionStart + start;
            replaced.push_back(kept);
        } else {
            replaced.push_back(lineRow(regionStart + start, length));
            ++fresh;
        }
        if (end < 0)
            break;
        start = end + 1;
    }
    for (std::size_t i = first; i <= lastOld; ++i)
        m_unmeasured -= m_rows[i].measured ? 0 : 1;
    for (const Row &row : replaced)
        m_unmeasured += row.measured ? 0 : 1;
    for (std::size_t i = lastOld + 1; i < lines; ++i)
        m_rows[i].start += delta;
    const auto at = m_rows.begin() + qsizetype(first);
    m_rows.erase(at, at + qsizetype(lastOld - first + 1));
    m_rows.insert(m_rows.begin() + qsizetype(first), replaced.begin(), replaced.end());
    m_unmeasuredHint = std::min(m_unmeasuredHint, first);
    markTopsStale(first);

    if (fresh <= immediateRows) {
        for (std::size_t i = first; i < first + replaced.size(); ++i) {
            if (!m_rows[i].measured)
                measureRow(i);
        }
    }
}

void CMScriptText::measureRow(std::size_t i)
{
    Row &row = m_rows[i];
    const double height = CMRowLayout::measure(row.kind, rowText(int(i)), m_style);
    ++m_measurements;
    row.measured = true;
    --m_unmeasured;
    if (height != row.height) {
        row.height = height;
        markTopsStale(i + 1);
    }
}

void CMScriptText::markTopsStale(std::size_t from) const
{
    m_topsValid = std::min(m_topsValid, from);
}

void CMScriptText::fixTops() const
{
    const std::size_t n = m_rows.size();
    if (m_tops.size() != n) {
        m_tops.resize(n);
        m_topsValid = std::min(m_topsValid, n);
    }
    if (m_topsValid == 0) {
        m_tops[0] = 0;
        m_topsValid = 1;
    }
    for (std::size_t i = m_topsValid; i < n; ++i)
        m_tops[i] = m_tops[i - 1] + rowExtent(int(i - 1));
    m_topsValid = n;
}

std::size_t CMScriptText::firstUnmeasured() const
{
    if (m_unmeasured == 0)
        return m_rows.size();
    while (m_unmeasuredHint < m_rows.size() && m_rows[m_unmeasuredHint].measured)
        ++m_unmeasuredHint;
    return m_unmeasuredHint;
}

void CMScriptText::prepareThrough(double y)
{
    fixTops();
    const std::size_t n = m_rows.size();
    std::size_t i = firstUnmeasured();
    if (i >= n || m_tops[i] > y)
        return;
    double top = m_tops[i];
    for (; i < n && top <= y; ++i) {
        m_tops[i] = top;
        if (!m_rows[i].measured)
            measureRow(i);
        top += rowExtent(int(i));
    }
    if (i < n)
        m_tops[i] = top;
    m_topsValid = std::min(i + 1, n);
}

bool CMScriptText::measureFor(std::chrono::nanoseconds budget)
{
    const auto deadline = std::chrono::steady_clock::now() + budget;
    for (std::size_t i = firstUnmeasured(); i < m_rows.size(); ++i) {
        if (m_rows[i].measured)
            continue;
        measureRow(i);
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
    Row &r = m_rows[std::size_t(row)];
    if (const auto *cached = m_layouts.object(r.serial))
        return *cached;
    auto built = std::make_shared<const CMRowLayout>(CMRowLayout::build(r.kind, rowText(row), m_style));
    if (!r.measured) {
        ++m_measurements;
        r.measured = true;
        --m_unmeasured;
        if (built->height != r.height) {
            r.height = built->height;
            markTopsStale(std::size_t(row) + 1);
        }
    }
    m_layouts.insert(r.serial, new std::shared_ptr<const CMRowLayout>(built),
                     built->glyphCount() + 1);
    return built;
}
