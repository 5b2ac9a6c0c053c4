#include "cmrowtable.h"

#include <algorithm>

namespace {

// Rows per block: a block is rewritten whole by an edit, and the block list is summed after
// one, so both stay near a few hundred entries for any script the importer accepts.
constexpr std::size_t blockRows = 512;
constexpr std::size_t maxBlockRows = 2 * blockRows;
constexpr std::size_t minBlockRows = blockRows / 4;

} // namespace

CMRowTable::Place CMRowTable::locate(int i) const
{
    const auto it = std::upper_bound(m_firsts.begin(), m_firsts.end(), i);
    const std::size_t b = std::size_t(std::max<qsizetype>(it - m_firsts.begin() - 1, 0));
    return {b, std::size_t(i - m_firsts[b])};
}

CMRowTable::Row CMRowTable::row(int i) const
{
    const Place at = locate(i);
    Row row = m_blocks[at.block].rows[at.index];
    row.start += m_starts[at.block];
    return row;
}

void CMRowTable::setMeasured(int i, double height)
{
    const Place at = locate(i);
    Block &block = m_blocks[at.block];
    Row &row = block.rows[at.index];
    if (!row.measured) {
        row.measured = true;
        --block.unmeasured;
        --m_unmeasured;
    }
    if (height != row.height) {
        row.height = height;
        block.topsValid = std::min(block.topsValid, at.index + 1);
        m_topsValid = std::min(m_topsValid, at.block + 1);
    }
}

void CMRowTable::setGap(double gap)
{
    if (gap == m_gap)
        return;
    m_gap = gap;
    for (const Block &block : m_blocks)
        block.topsValid = 0;
    m_topsValid = 0;
}

double CMRowTable::localTop(std::size_t b, std::size_t index) const
{
    const Block &block = m_blocks[b];
    if (block.tops.size() != block.rows.size() + 1) {
        block.tops.resize(block.rows.size() + 1);
        block.topsValid = 0;
    }
    if (block.topsValid == 0) {
        block.tops[0] = 0;
        block.topsValid = 1;
    }
    for (std::size_t k = block.topsValid; k <= index; ++k)
        block.tops[k] = block.tops[k - 1] + block.rows[k - 1].height + m_gap;
    block.topsValid = std::max(block.topsValid, index + 1);
    return block.tops[index];
}

double CMRowTable::blockTop(std::size_t b) const
{
    if (m_tops.size() != m_blocks.size()) {
        m_tops.resize(m_blocks.size());
        m_topsValid = std::min(m_topsValid, m_tops.size());
    }
    for (std::size_t k = m_topsValid; k <= b; ++k)
        m_tops[k] = k == 0 ? 0 : m_tops[k - 1] + localTop(k - 1, m_blocks[k - 1].rows.size());
    m_topsValid = std::max(m_topsValid, b + 1);
    return m_tops[b];
}

double CMRowTable::top(int i) const
{
    if (m_blocks.empty())
        return 0;
    if (i >= m_count) {
        const std::size_t last = m_blocks.size() - 1;
        return blockTop(last) + localTop(last, m_blocks[last].rows.size());
    }
    const Place at = locate(std::max(i, 0));
    return blockTop(at.block) + localTop(at.block, at.index);
}

int CMRowTable::rowAt(double y) const
{
    if (m_blocks.empty())
        return 0;
    blockTop(m_blocks.size() - 1);
    const auto block = std::upper_bound(m_tops.begin(), m_tops.end(), y);
    const std::size_t b = std::size_t(std::max<qsizetype>(block - m_tops.begin() - 1, 0));
    const std::size_t rows = m_blocks[b].rows.size();
    localTop(b, rows);
    const std::vector<double> &tops = m_blocks[b].tops;
    const auto it = std::upper_bound(tops.begin(), tops.begin() + qsizetype(rows), y - m_tops[b]);
    const qsizetype index = std::clamp<qsizetype>(it - tops.begin() - 1, 0, qsizetype(rows) - 1);
    return m_firsts[b] + int(index);
}

int CMRowTable::lineAt(qsizetype position) const
{
    if (m_blocks.empty())
        return 0;
    const auto block = std::upper_bound(m_starts.begin(), m_starts.end(), position);
    const std::size_t b = std::size_t(std::max<qsizetype>(block - m_starts.begin() - 1, 0));
    const std::vector<Row> &rows = m_blocks[b].rows;
    const auto it = std::upper_bound(rows.begin(), rows.end(), position - m_starts[b],
                                     [](qsizetype p, const Row &r) { return p < r.start; });
    return m_firsts[b] + int(std::max<qsizetype>(it - rows.begin() - 1, 0));
}

int CMRowTable::firstUnmeasured(int from) const
{
    if (m_unmeasured == 0 || from >= m_count)
        return m_count;
    Place at = locate(std::max(from, 0));
    for (; at.block < m_blocks.size(); ++at.block, at.index = 0) {
        const Block &block = m_blocks[at.block];
        if (block.unmeasured == 0)
            continue;
        for (; at.index < block.rows.size(); ++at.index) {
            if (!block.rows[at.index].measured)
                return m_firsts[at.block] + int(at.index);
        }
    }
    return m_count;
}

// Cuts rows (starts in the script) into blocks of about blockRows.
std::vector<CMRowTable::Block> CMRowTable::blocksOf(std::vector<Row> &rows) const
{
    std::vector<Block> blocks;
    if (rows.empty())
        return blocks;
    const std::size_t count = rows.size() <= maxBlockRows
        ? 1
        : (rows.size() + blockRows - 1) / blockRows;
    blocks.resize(count);
    std::size_t begin = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t end = rows.size() * (k + 1) / count;
        Block &block = blocks[k];
        const qsizetype start = rows[begin].start;
        block.rows.assign(rows.begin() + qsizetype(begin), rows.begin() + qsizetype(end));
        for (Row &row : block.rows) {
            row.start -= start;
            block.chars += row.length + 1;
            block.unmeasured += row.measured ? 0 : 1;
        }
        begin = end;
    }
    return blocks;
}

// Block starts and first rows from block `from` on.
void CMRowTable::renumber(std::size_t from)
{
    const std::size_t n = m_blocks.size();
    m_starts.resize(n);
    m_firsts.resize(n);
    for (std::size_t k = from; k < n; ++k) {
        m_starts[k] = k == 0 ? 0 : m_starts[k - 1] + m_blocks[k - 1].chars;
        m_firsts[k] = k == 0 ? 0 : m_firsts[k - 1] + int(m_blocks[k - 1].rows.size());
    }
    m_count = n == 0 ? 0 : m_firsts.back() + int(m_blocks.back().rows.size());
    m_tops.resize(n);
    m_topsValid = std::min(m_topsValid, std::min(from + 1, n));
}

void CMRowTable::assign(const std::vector<Row> &rows)
{
    std::vector<Row> copy = rows;
    m_blocks = blocksOf(copy);
    m_unmeasured = 0;
    for (const Block &block : m_blocks)
        m_unmeasured += block.unmeasured;
    m_topsValid = 0;
    renumber(0);
}

void CMRowTable::replace(int first, int last, const std::vector<Row> &rows, qsizetype delta)
{
    if (m_blocks.empty() || first > last) {
        assign(rows);
        return;
    }
    Place from = locate(first);
    Place to = locate(last);
    std::vector<Row> joined;
    joined.reserve(from.index + rows.size() + m_blocks[to.block].rows.size() - to.index);
    const auto take = [&joined](const Block &block, std::size_t begin, std::size_t end,
                                qsizetype shift) {
        for (std::size_t k = begin; k < end; ++k) {
            joined.push_back(block.rows[k]);
            joined.back().start += shift;
        }
    };
    take(m_blocks[from.block], 0, from.index, m_starts[from.block]);
    joined.insert(joined.end(), rows.begin(), rows.end());
    const Block &lastBlock = m_blocks[to.block];
    take(lastBlock, to.index + 1, lastBlock.rows.size(), m_starts[to.block] + delta);
    // A block left small joins a neighbour.
    if (joined.size() < minBlockRows && to.block + 1 < m_blocks.size()) {
        ++to.block;
        take(m_blocks[to.block], 0, m_blocks[to.block].rows.size(), m_starts[to.block] + delta);
    } else if (joined.size() < minBlockRows && from.block > 0) {
        --from.block;
        std::vector<Row> before;
        std::swap(before, joined);
        take(m_blocks[from.block], 0, m_blocks[from.block].rows.size(), m_starts[from.block]);
        joined.insert(joined.end(), before.begin(), before.end());
    }

    std::vector<Block> blocks = blocksOf(joined);
    for (std::size_t k = from.block; k <= to.block; ++k)
        m_unmeasured -= m_blocks[k].unmeasured;
    for (const Block &block : blocks)
        m_unmeasured += block.unmeasured;
    const auto at = m_blocks.begin() + qsizetype(from.block);
    m_blocks.erase(at, at + qsizetype(to.block - from.block + 1));
    m_blocks.insert(m_blocks.begin() + qsizetype(from.block), std::make_move_iterator(blocks.begin()),
                    std::make_move_iterator(blocks.end()));
    renumber(from.block);
}
