#include "cmvoicealigner.h"

#include <algorithm>

CMVoiceAligner::CMVoiceAligner(std::shared_ptr<const std::vector<int>> script)
    : m_script(std::move(script))
{
}

CMVoiceAligner::CMVoiceAligner(std::shared_ptr<const std::vector<int>> script, Options options)
    : m_script(std::move(script))
    , m_options(options)
{
}

CMVoiceAligner::CMVoiceAligner(std::shared_ptr<const std::vector<int>> script,
                               std::shared_ptr<const std::vector<bool>> everyday)
    : m_script(std::move(script))
    , m_everyday(std::move(everyday))
{
}

CMVoiceAligner::CMVoiceAligner(std::shared_ptr<const std::vector<int>> script,
                               std::shared_ptr<const std::vector<bool>> everyday, Options options)
    : m_script(std::move(script))
    , m_everyday(std::move(everyday))
    , m_options(options)
{
}

double CMVoiceAligner::weight(qsizetype token) const
{
    const bool everyday = m_everyday && token < qsizetype(m_everyday->size())
                          && (*m_everyday)[std::size_t(token)];
    return everyday ? 0.5 : 1.0;
}

void CMVoiceAligner::reset(qsizetype tokens)
{
    m_position = std::clamp<qsizetype>(tokens, 0, size());
    m_inStep = true;
    m_unmatched = 0;
    m_tracks.clear();
}

qsizetype CMVoiceAligner::find(int id, qsizetype from, int known) const
{
    const std::vector<int> &script = *m_script;
    for (qsizetype j = std::max<qsizetype>(from, 0); j < size() && known > 0; ++j) {
        const int token = script[std::size_t(j)];
        if (token < 0)
            continue;
        if (token == id)
            return j;
        --known;
    }
    return -1;
}

bool CMVoiceAligner::feed(int id, bool tentative)
{
    if (!m_script)
        return false;
    if (id < 0) {
        ++m_unmatched;
        m_inStep = false;
        extendTracks(id, tentative);
        return false;
    }
    if (absorbRepeat(id))
        return false;

    const int known = m_inStep ? m_options.near
                               : m_options.nearAstray + std::min(m_unmatched, m_options.widen);
    const qsizetype local = find(id, m_position, known);
    // A run of heard words that this one continues outweighs a single word nearby.
    const bool jumped = local >= 0 && extendTracks(id, tentative);
    if (local >= 0 && (!jumped || m_position < local + 1)) {
        // Stepping over a word or two is a word missed; doing it again on the next word alone
        // would be a guess, so that one must follow more closely.
        m_inStep = find(id, m_position, 1) == local;
        m_position = local + 1;
        m_unmatched = 0;
        m_tracks.clear();
        return true;
    }
    if (jumped || extendTracks(id, tentative))
        return true;
    startTracks(id);
    ++m_unmatched;
    m_inStep = false;
    return false;
}

// A sentence read again: once two of its words were heard in order, the words that continue
// it are taken as the repeat and hold the position, instead of nudging it forward wherever
// they happen to occur next.
bool CMVoiceAligner::absorbRepeat(int id)
{
    bool absorbed = false;
    for (Track &track : m_tracks) {
        if (track.run < 2 || track.next >= m_position)
            continue;
        const qsizetype j = find(id, track.next, 2);
        if (j >= 0 && j < m_position) {
            track.next = j + 1;
            ++track.run;
            track.misses = 0;
            absorbed = true;
        }
    }
    if (absorbed) {
        m_unmatched = 0;
        m_inStep = false;
    }
    return absorbed;
}

bool CMVoiceAligner::extendTracks(int id, bool tentative)
{
    for (Track &track : m_tracks) {
        const qsizetype j = id < 0 ? -1 : find(id, track.next, 2);
        if (j >= 0) {
            track.gaps += j > track.next ? 1 : 0;
            track.next = j + 1;
            ++track.run;
            track.evidence += weight(j);
            track.misses = 0;
        } else {
            ++track.misses;
        }
    }
    std::erase_if(m_tracks, [](const Track &t) { return t.misses > 1; });

    if (tentative)
        return false;
    const Track *best = nullptr;
    for (const Track &track : m_tracks) {
        // Two words in a row a little ahead are a missed word or two, not a jump.
        const bool shortSkip = track.run >= 2 && track.gaps == 0
                               && track.next - m_position <= 2 * m_options.near;
        // The further a run lies, the likelier it is to be chance: it needs more words, and
        // everyday words count half.
        const qsizetype skipped = track.next - m_position - track.run;
        const int needed = m_options.confirm + std::min(track.gaps, 2)
                           + int(skipped > m_options.far) + int(skipped > 3 * m_options.far);
        const double evidence = skipped > m_options.wary ? track.evidence : double(track.run);
        const bool confirmed = shortSkip || (evidence >= needed && track.gaps <= 1);
        if (track.next > m_position && confirmed
            && (!best || track.run > best->run
                || (track.run == best->run && track.next < best->next)))
            best = &track;
    }
    if (!best)
        return false;
    m_position = best->next;
    m_inStep = true;
    m_unmatched = 0;
    m_tracks.clear();
    return true;
}

void CMVoiceAligner::startTracks(int id)
{
    const std::vector<int> &script = *m_script;
    const qsizetype from = std::max<qsizetype>(0, m_position - m_options.behind);
    const qsizetype to = std::min(size(), m_position + m_options.ahead);
    for (qsizetype j = from; j < to; ++j) {
        if (script[std::size_t(j)] != id)
            continue;
        const bool known = std::any_of(m_tracks.begin(), m_tracks.end(),
                                       [j](const Track &t) { return t.next == j + 1; });
        if (!known)
            m_tracks.push_back({j + 1, 1, weight(j), 0, 0});
    }
    if (qsizetype(m_tracks.size()) > m_options.maxTracks) {
        // Keep the longest runs, then those nearest the position.
        std::sort(m_tracks.begin(), m_tracks.end(), [this](const Track &a, const Track &b) {
            if (a.run != b.run)
                return a.run > b.run;
            return std::abs(a.next - m_position) < std::abs(b.next - m_position);
        });
        m_tracks.resize(std::size_t(m_options.maxTracks));
    }
}
