#pragma once

#include "cmrowlayout.h"
#include "cmtextstyle.h"

#include <QCache>
#include <QString>

#include <chrono>
#include <memory>
#include <vector>

// The script laid out as the prompter's block: one row per script line (a line feed ends a
// line; empty lines count), then a 40-point spacer and the end mark, with the row gap between
// every two rows. Heights are canvas points.
//
// Rows keep their measurements until their own line changes, so typing re-measures one row.
// A new style measures every row again, but lazily: prepareThrough() makes every row down to
// a depth exact (what a frame shows is always exact), and the rows below carry an estimate
// until measureFor() reaches them between frames.
class CMScriptText
{
public:
    CMScriptText();

    const CMTextStyle &style() const { return m_style; }
    void setStyle(const CMTextStyle &style);
    const QString &script() const { return m_script; }
    void setScript(const QString &script);
    // The same change as the engine's edit: in place, comparing only the lines it touches.
    void edit(qsizetype position, qsizetype removed, QStringView inserted);

    int rowCount() const { return int(m_rows.size()); }
    CMRowKind kind(int row) const { return m_rows[std::size_t(row)].kind; }
    QString rowText(int row) const;
    // Changes whenever the row's picture may change: images are cached under it.
    quint64 serial(int row) const { return m_rows[std::size_t(row)].serial; }
    bool isMeasured(int row) const { return m_rows[std::size_t(row)].measured; }
    double rowHeight(int row) const { return m_rows[std::size_t(row)].height; }
    // The row's height plus the gap below it; the last row has none.
    double rowExtent(int row) const;
    double rowTop(int row) const;
    // Index of the row whose extent contains y (clamped to the first and last row).
    int rowAt(double y) const;

    // The block's height: exact once complete(), an estimate before.
    double height() const;
    bool complete() const { return m_unmeasured == 0; }

    // Measures every row that starts at or above y, so rows and positions down to y are exact.
    void prepareThrough(double y);
    // Measures rows in order until the budget is spent; true once every row is measured.
    bool measureFor(std::chrono::nanoseconds budget);
    void measureAll();

    // The row laid out for drawing (cached for the rows drawn lately).
    std::shared_ptr<const CMRowLayout> layout(int row);

    // Rows measured since construction, for tests that check what an edit costs.
    qint64 measurements() const { return m_measurements; }

private:
    struct Row
    {
        qsizetype start = 0; // in m_script; the spacer and end mark have no text
        qsizetype length = 0;
        quint64 serial = 0;
        double height = 0;
        CMRowKind kind = CMRowKind::Blank;
        bool measured = false;
    };

    Row makeRow(qsizetype start, qsizetype length, CMRowKind kind);
    Row lineRow(qsizetype start, qsizetype length);
    void rebuildAll();
    void restyleAll();
    void measureRow(std::size_t i);
    double estimate(const Row &row) const;
    void markTopsStale(std::size_t from) const;
    void fixTops() const;
    std::size_t firstUnmeasured() const;
    struct Span
    {
        std::size_t first = 0;   // rows
        std::size_t lastOld = 0;
        qsizetype start = 0;     // characters of the old script
        qsizetype end = 0;
    };
    Span spanOf(qsizetype from, qsizetype to) const;
    void replaceSpan(const Span &span, qsizetype delta, QStringView oldText);

    CMTextStyle m_style;
    QString m_script;
    std::vector<Row> m_rows;
    mutable std::vector<double> m_tops;
    mutable std::size_t m_topsValid = 0; // m_tops[0, m_topsValid) are up to date
    mutable std::size_t m_unmeasuredHint = 0;
    std::size_t m_unmeasured = 0;
    quint64 m_nextSerial = 1;
    qint64 m_measurements = 0;
    // Estimates for rows not yet measured.
    double m_spokenLine = 0, m_spokenChar = 0, m_cueLine = 0, m_cueChar = 0, m_endHeight = 0;
    QCache<quint64, std::shared_ptr<const CMRowLayout>> m_layouts;
};
