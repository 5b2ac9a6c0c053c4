#pragma once

#include "cmrowlayout.h"

#include <vector>

// The script's lines as the prompter's rows, kept in blocks of a few hundred rows. Each block
// knows its first character and, once asked, its height: an edit rewrites one block and the
// short list of block totals, never every row below it, so a keystroke costs the same in a
// ten-line and in a million-line script. Every row is followed by the row gap. Heights are
// canvas points; tops are summed lazily, when asked for.
class CMRowTable
{
public:
    struct Row
    {
        qsizetype start = 0; // first character, in the script
        qsizetype length = 0;
        quint64 serial = 0;
        double height = 0;
        CMRowKind kind = CMRowKind::Blank;
        bool measured = false;
    };

    int size() const { return m_count; }
    Row row(int i) const;
    // A measured height for the row.
    void setMeasured(int i, double height);

    double gap() const { return m_gap; }
    void setGap(double gap);
    // Top of row i; top(size()) is the height of every row with its gap.
    double top(int i) const;
    // The last row whose top is at or above y (clamped to the rows).
    int rowAt(double y) const;
    // The last row that starts at or before the character position.
    int lineAt(qsizetype position) const;

    int unmeasured() const { return m_unmeasured; }
    // The first row from `from` on still carrying an estimate; size() when there is none.
    int firstUnmeasured(int from) const;

    // The rows are these (starts in the script), in order.
    void assign(const std::vector<Row> &rows);
    // Rows [first, last] become `rows`; the rows after them move by delta characters.
    void replace(int first, int last, const std::vector<Row> &rows, qsizetype delta);
    // Each row passed to f, which may change anything but where it starts and its length.
    template <typename F>
    void updateAll(F f)
    {
        m_unmeasured = 0;
        for (Block &block : m_blocks) {
            block.unmeasured = 0;
            for (Row &row : block.rows) {
                f(row);
                block.unmeasured += row.measured ? 0 : 1;
            }
            m_unmeasured += block.unmeasured;
            block.topsValid = 0;
        }
        m_topsValid = 0;
    }

private:
    struct Block
    {
        std::vector<Row> rows;  // starts counted from the block's first character
        qsizetype chars = 0;    // its lines with their line feeds
        int unmeasured = 0;
        mutable std::vector<double> tops; // from the block's top; one more: its height
        mutable std::size_t topsValid = 0;
    };
    struct Place
    {
        std::size_t block = 0;
        std::size_t index = 0;
    };

    Place locate(int i) const;
    double blockTop(std::size_t b) const;
    double localTop(std::size_t b, std::size_t index) const;
    std::vector<Block> blocksOf(std::vector<Row> &rows) const;
    void renumber(std::size_t from);

    std::vector<Block> m_blocks;
    std::vector<qsizetype> m_starts; // first character of each block
    std::vector<int> m_firsts;       // first row of each block
    mutable std::vector<double> m_tops; // of each block, valid for [0, m_topsValid)
    mutable std::size_t m_topsValid = 0;
    int m_count = 0;
    int m_unmeasured = 0;
    double m_gap = 0;
};
