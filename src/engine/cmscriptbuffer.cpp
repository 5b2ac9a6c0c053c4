#include "cmscriptbuffer.h"

#include <algorithm>
#include <cstring>

namespace {

// A chunk shorter than this is merged with its neighbours, so the chunk list stays short.
constexpr qsizetype minChunk = CMScriptBuffer::maxChunk / 4;

// Equal characters at the start of a and b, and at the end (before aEnd and bEnd), of at
// most n: compared a block at a time with memcmp, which is several times faster than
// comparing one character at a time.
constexpr qsizetype compareBlock = 64;

qsizetype samePrefix(const QChar *a, const QChar *b, qsizetype n)
{
    qsizetype i = 0;
    while (i + compareBlock <= n && std::memcmp(a + i, b + i, compareBlock * sizeof(QChar)) == 0)
        i += compareBlock;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

qsizetype sameSuffix(const QChar *aEnd, const QChar *bEnd, qsizetype n)
{
    qsizetype k = 0;
    while (k + compareBlock <= n
           && std::memcmp(aEnd - k - compareBlock, bEnd - k - compareBlock,
                          compareBlock * sizeof(QChar)) == 0) {
        k += compareBlock;
    }
    while (k < n && aEnd[-k - 1] == bEnd[-k - 1])
        ++k;
    return k;
}

template <typename FromA, typename FromB>
qsizetype prefixOf(qsizetype n, const FromA &fromA, const FromB &fromB)
{
    qsizetype p = 0;
    while (p < n) {
        const QStringView a = fromA(p);
        const QStringView b = fromB(p);
        const qsizetype length = std::min({a.size(), b.size(), n - p});
        if (a.data() != b.data()) {
            const qsizetype same = samePrefix(a.data(), b.data(), length);
            if (same < length)
                return p + same;
        }
        p += length;
    }
    return n;
}

template <typename UntilA, typename UntilB>
qsizetype suffixOf(qsizetype limit, qsizetype sizeA, qsizetype sizeB, const UntilA &untilA,
                   const UntilB &untilB)
{
    qsizetype k = 0;
    while (k < limit) {
        const QStringView a = untilA(sizeA - k);
        const QStringView b = untilB(sizeB - k);
        const qsizetype length = std::min({a.size(), b.size(), limit - k});
        if (a.data() + a.size() != b.data() + b.size()) {
            const qsizetype same = sameSuffix(a.data() + a.size(), b.data() + b.size(), length);
            if (same < length)
                return k + same;
        }
        k += length;
    }
    return limit;
}

} // namespace

CMScriptBuffer::CMScriptBuffer(QStringView text)
{
    splitInto(m_chunks, text);
    updateStarts(0);
}

std::size_t CMScriptBuffer::chunkAt(qsizetype position) const
{
    const auto it = std::upper_bound(m_starts.begin(), m_starts.end(), position);
    return std::size_t(std::max<qsizetype>(it - m_starts.begin() - 1, 0));
}

QChar CMScriptBuffer::at(qsizetype position) const
{
    const std::size_t c = chunkAt(position);
    return m_chunks[c][position - m_starts[c]];
}

QString CMScriptBuffer::mid(qsizetype position, qsizetype length) const
{
    position = std::clamp<qsizetype>(position, 0, m_size);
    length = std::clamp<qsizetype>(length, 0, m_size - position);
    QString result;
    result.reserve(length);
    for (std::size_t c = chunkAt(position); length > 0 && c < m_chunks.size(); ++c) {
        const QStringView piece = QStringView(m_chunks[c]).sliced(position - m_starts[c]);
        const qsizetype take = std::min(piece.size(), length);
        result.append(piece.first(take));
        position += take;
        length -= take;
    }
    return result;
}

QStringView CMScriptBuffer::view(qsizetype position, qsizetype length, QString &scratch) const
{
    if (length <= 0 || position < 0 || position + length > m_size)
        return {};
    const std::size_t c = chunkAt(position);
    const qsizetype offset = position - m_starts[c];
    if (offset + length <= m_chunks[c].size())
        return QStringView(m_chunks[c]).sliced(offset, length);
    scratch = mid(position, length);
    return scratch;
}

QString CMScriptBuffer::toString() const
{
    if (m_chunks.size() == 1)
        return m_chunks.front();
    return mid(0, m_size);
}

qsizetype CMScriptBuffer::indexOf(QChar c, qsizetype from) const
{
    if (from < 0 || from >= m_size)
        return -1;
    for (std::size_t i = chunkAt(from); i < m_chunks.size(); ++i) {
        const qsizetype offset = std::max<qsizetype>(from - m_starts[i], 0);
        const qsizetype found = QStringView(m_chunks[i]).indexOf(c, offset);
        if (found >= 0)
            return m_starts[i] + found;
    }
    return -1;
}

void CMScriptBuffer::replace(qsizetype position, qsizetype removed, QStringView inserted)
{
    position = std::clamp<qsizetype>(position, 0, m_size);
    removed = std::clamp<qsizetype>(removed, 0, m_size - position);
    if (removed == 0 && inserted.isEmpty())
        return;
    if (m_chunks.empty()) {
        splitInto(m_chunks, inserted);
        updateStarts(0);
        return;
    }
    const std::size_t a = chunkAt(position);
    const std::size_t b = removed > 0 ? chunkAt(position + removed - 1) : a;
    const qsizetype offset = position - m_starts[a];
    std::size_t last = a;
    if (a == b && m_chunks[a].size() - removed + inserted.size() <= maxChunk) {
        m_chunks[a].replace(offset, removed, inserted.data(), inserted.size());
    } else {
        const QStringView tail = QStringView(m_chunks[b]).sliced(position + removed - m_starts[b]);
        QString middle;
        middle.reserve(offset + inserted.size() + tail.size());
        middle.append(QStringView(m_chunks[a]).first(offset));
        middle.append(inserted);
        middle.append(tail);
        std::vector<QString> pieces;
        splitInto(pieces, middle);
        const auto at = m_chunks.begin() + qsizetype(a);
        m_chunks.erase(at, at + qsizetype(b - a + 1));
        m_chunks.insert(m_chunks.begin() + qsizetype(a), pieces.begin(), pieces.end());
        last = pieces.empty() ? a : a + pieces.size() - 1;
    }
    updateStarts(a);
    rebalance(a, last);
}

// Merges chunks around [first, last] when one of them has become small (or empty).
void CMScriptBuffer::rebalance(std::size_t first, std::size_t last)
{
    if (m_chunks.empty())
        return;
    last = std::min(last, m_chunks.size() - 1);
    first = std::min(first, last);
    bool small = false;
    for (std::size_t i = first; i <= last; ++i)
        small = small || m_chunks[i].size() < minChunk;
    if (!small)
        return;
    if (m_chunks.size() == 1) {
        if (m_chunks.front().isEmpty()) {
            m_chunks.clear();
            updateStarts(0);
        }
        return;
    }
    const std::size_t from = first > 0 ? first - 1 : first;
    const std::size_t to = std::min(last + 1, m_chunks.size() - 1);
    QString merged;
    merged.reserve(m_starts[to] + m_chunks[to].size() - m_starts[from]);
    for (std::size_t i = from; i <= to; ++i)
        merged.append(m_chunks[i]);
    std::vector<QString> pieces;
    splitInto(pieces, merged);
    const auto at = m_chunks.begin() + qsizetype(from);
    m_chunks.erase(at, at + qsizetype(to - from + 1));
    m_chunks.insert(m_chunks.begin() + qsizetype(from), pieces.begin(), pieces.end());
    updateStarts(from);
}

// Even pieces of at most three quarters of maxChunk, so typing does not split them at once;
// never cutting a surrogate pair.
void CMScriptBuffer::splitInto(std::vector<QString> &pieces, QStringView text) const
{
    constexpr qsizetype target = maxChunk / 4 * 3;
    const qsizetype count = (text.size() + target - 1) / target;
    qsizetype start = 0;
    for (qsizetype i = 1; i <= count; ++i) {
        qsizetype end = i == count ? text.size() : text.size() * i / count;
        if (end < text.size() && end > start + 1 && text[end - 1].isHighSurrogate()
            && text[end].isLowSurrogate()) {
            --end;
        }
        pieces.push_back(text.sliced(start, end - start).toString());
        start = end;
    }
}

void CMScriptBuffer::updateStarts(std::size_t from)
{
    m_starts.resize(m_chunks.size());
    for (std::size_t i = from; i < m_chunks.size(); ++i)
        m_starts[i] = i == 0 ? 0 : m_starts[i - 1] + m_chunks[i - 1].size();
    m_size = m_chunks.empty() ? 0 : m_starts.back() + m_chunks.back().size();
}

QStringView CMScriptBuffer::pieceFrom(qsizetype p) const
{
    const std::size_t c = chunkAt(p);
    return QStringView(m_chunks[c]).sliced(p - m_starts[c]);
}

QStringView CMScriptBuffer::pieceUntil(qsizetype e) const
{
    const std::size_t c = chunkAt(e - 1);
    return QStringView(m_chunks[c]).first(e - m_starts[c]);
}

qsizetype CMScriptBuffer::commonPrefix(const CMScriptBuffer &a, const CMScriptBuffer &b)
{
    return prefixOf(std::min(a.size(), b.size()), [&a](qsizetype p) { return a.pieceFrom(p); },
                    [&b](qsizetype p) { return b.pieceFrom(p); });
}

qsizetype CMScriptBuffer::commonPrefix(const CMScriptBuffer &a, QStringView b)
{
    return prefixOf(std::min(a.size(), b.size()), [&a](qsizetype p) { return a.pieceFrom(p); },
                    [b](qsizetype p) { return b.sliced(p); });
}

qsizetype CMScriptBuffer::commonSuffix(const CMScriptBuffer &a, const CMScriptBuffer &b,
                                       qsizetype prefix)
{
    return suffixOf(std::min(a.size(), b.size()) - prefix, a.size(), b.size(),
                    [&a](qsizetype e) { return a.pieceUntil(e); },
                    [&b](qsizetype e) { return b.pieceUntil(e); });
}

qsizetype CMScriptBuffer::commonSuffix(const CMScriptBuffer &a, QStringView b, qsizetype prefix)
{
    return suffixOf(std::min(a.size(), b.size()) - prefix, a.size(), b.size(),
                    [&a](qsizetype e) { return a.pieceUntil(e); },
                    [b](qsizetype e) { return b.first(e); });
}
