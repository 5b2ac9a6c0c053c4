#pragma once

#include "cmrowlayout.h"
#include "cmrowtable.h"
#include "cmtextstyle.h"

#include <engine/cmscriptbuffer.h>

#include <QCache>
#include <QString>

#include <chrono>
#include <memory>

// The script laid out as the prompter's block: one row per script line (a line feed ends a
// line; empty lines count), then a 40-point spacer and the end mark, with the row gap between
// every two rows. Heights are canvas points.
//
// Rows keep their measurements until their own line changes, so typing re-measures one row,
// and an edit touches only the lines it changed and one block of the row table.
// A new style measures every row again, but lazily: prepareThrough() makes every row down to
// a depth exact (what a frame shows is always exact), and the rows below carry an estimate
// until measureFor() reaches them between frames.
class CMScriptText
{
public:
    CMScriptText();

    const CMTextStyle &style() const { return m_style; }
    void setStyle(const CMTextStyle &style);
    const CMScriptBuffer &script() const { return m_script; }
    // A new script: only the lines between the first and the last character that differ are
    // replaced. The buffer's chunks are shared, not copied.
    void setScript(const CMScriptBuffer &script);
    void setScript(const QString &script);
    // The script after an edit that replaced `removed` characters at `position`: only the
    // lines the edit touched are compared, nothing else of the text.
    void edit(qsizetype position, qsizetype removed, const CMScriptBuffer &edited);

    int rowCount() const { return m_lines.size() + 2; }
    CMRowKind kind(int row) const { return rowData(row).kind; }
    QString rowText(int row) const;
    // A script line's text, without copying it where one chunk of the script holds it, else
    // copied into scratch (empty for the spacer and the end mark).
    QStringView rowView(int row, QString &scratch) const;
    // Changes whenever the row's picture may change: images are cached under it.
    quint64 serial(int row) const { return rowData(row).serial; }
    double rowHeight(int row) const { return rowData(row).height; }
    // The row's height plus the gap below it; the last row has none.
    double rowExtent(int row) const;
    double rowTop(int row) const;
    // Index of the row whose extent contains y (clamped to the first and last row).
    int rowAt(double y) const;

    // The block's height: exact once complete(), an estimate before.
    double height() const;
    bool complete() const { return m_lines.unmeasured() == 0; }

    // Measures every row that starts at or above y, so rows and positions down to y are exact.
    void prepareThrough(double y);
    // Measures rows in order until the budget is spent; true once every row is measured.
    bool measureFor(std::chrono::nanoseconds budget);
    void measureAll();

    // Where the script's text stands in the block, for following a reader: the top of the
    // wrapped line that shows the character at `position` of the script, and the first
    // character of the wrapped line at block height y. Exact where the rows above are measured
    // (always so near what a frame shows).
    double lineTop(qsizetype position);
    qsizetype positionAt(double y);

    // The row laid out for drawing (cached for the rows drawn lately).
    std::shared_ptr<const CMRowLayout> layout(int row);

    // Rows measured since construction, for tests that check what an edit costs.
    qint64 measurements() const { return m_measurements; }

private:
    using Row = CMRowTable::Row;

    int rowOf(qsizetype position) const;
    Row rowData(int row) const;
    Row makeRow(qsizetype start, qsizetype length, CMRowKind kind);
    Row lineRow(qsizetype start, qsizetype length);
    void rebuildAll();
    void measureRow(int row);
    double estimate(const Row &row) const;
    struct Span
    {
        int first = 0; // rows
        int lastOld = 0;
        qsizetype start = 0; // characters of the old script
        qsizetype end = 0;
    };
    Span spanOf(qsizetype from, qsizetype to) const;
    void replaceLines(const Span &span, QStringView oldRegion, qsizetype delta);

    CMTextStyle m_style;
    CMScriptBuffer m_script;
    CMRowTable m_lines;
    Row m_spacer;
    Row m_end;
    int m_unmeasuredHint = 0;
    quint64 m_nextSerial = 1;
    qint64 m_measurements = 0;
    // Estimates for rows not yet measured.
    double m_spokenLine = 0, m_spokenChar = 0, m_cueLine = 0, m_cueChar = 0, m_endHeight = 0;
    QCache<quint64, std::shared_ptr<const CMRowLayout>> m_layouts;
};
