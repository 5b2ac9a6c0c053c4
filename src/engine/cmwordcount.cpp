#include "cmwordcount.h"

#include "cmwordscan.h"

namespace {

// A character standing for any combining mark: only isMark() of what follows a chunk matters.
constexpr QChar combiningMark(u'\u0301');

quint8 stateOf(const CMWordScan &scan)
{
    return scan.inCue ? 2 : scan.inWord ? 1 : 0;
}

} // namespace

CMWordCount::Summary CMWordCount::summarize(QStringView chunk, bool afterMark)
{
    Summary summary;
    summary.afterMark = afterMark;
    const QChar after = afterMark ? combiningMark : QChar();
    for (qsizetype j = chunk.lastIndexOf(u']'); j >= 0;
         j = j > 0 ? chunk.lastIndexOf(u']', j - 1) : -1) {
        if (CMWordScan::isBracketIn(chunk, j, u']', after)) {
            summary.lastClose = qint32(j);
            break;
        }
    }
    return summary;
}

// Scanned when first needed: most chunks are only ever counted in one mode.
const CMWordCount::Step &CMWordCount::step(Summary &summary, QStringView chunk, Mode mode,
                                           quint8 state)
{
    if (!summary.scanned[mode]) {
        const qsizetype lastClose =
            mode == Opening ? chunk.size() : mode == Closing ? summary.lastClose : -1;
        for (quint8 entry = 0; entry < 3; ++entry) {
            CMWordScan scan{lastClose, 0, entry == 1, entry == 2};
            scan.feed(chunk, 0, summary.afterMark ? combiningMark : QChar());
            summary.steps[mode][entry] = {qint32(scan.count), stateOf(scan)};
        }
        summary.scanned[mode] = true;
    }
    return summary.steps[mode][state];
}

qint64 CMWordCount::count(const CMScriptBuffer &script)
{
    const std::vector<QString> &chunks = script.chunks();
    const std::vector<QString> &old = m_seen.chunks();
    const std::size_t n = chunks.size();
    const std::size_t common = std::min(n, old.size());
    const auto same = [](const QString &a, const QString &b) {
        return a.constData() == b.constData() && a.size() == b.size();
    };
    const auto afterMark = [&chunks, n](std::size_t i) {
        return i + 1 < n && chunks[i + 1].front().isMark();
    };

    // The summaries of chunks the edits replaced are replaced in place.
    std::size_t front = 0;
    while (front < common && same(chunks[front], old[front]))
        ++front;
    std::size_t back = 0;
    while (back < common - front && same(chunks[n - 1 - back], old[old.size() - 1 - back]))
        ++back;
    const auto at = m_summaries.begin() + qsizetype(front);
    m_summaries.erase(at, m_summaries.end() - qsizetype(back));
    m_summaries.insert(m_summaries.begin() + qsizetype(front), n - back - front, Summary());
    for (std::size_t i = front; i < n - back; ++i)
        m_summaries[i] = summarize(chunks[i], afterMark(i));
    // What follows a chunk may have changed with its neighbour.
    for (const std::size_t i : {front - 1, n - back - 1}) {
        if (i < n && m_summaries[i].afterMark != afterMark(i))
            m_summaries[i] = summarize(chunks[i], afterMark(i));
    }
    m_seen = script;

    std::size_t last = n;
    for (std::size_t i = n; i-- > 0;) {
        if (m_summaries[i].lastClose >= 0) {
            last = i;
            break;
        }
    }
    qint64 words = 0;
    quint8 state = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Mode mode = i == last ? Closing : i < last && last < n ? Opening : Plain;
        const Step &s = step(m_summaries[i], chunks[i], mode, state);
        words += s.words;
        state = s.exit;
    }
    return words;
}
