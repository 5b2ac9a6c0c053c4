#include "cmvoicetracker.h"

#include "cmvoicelanguage.h"

#include <algorithm>

void CMVoiceTracker::setLanguage(std::shared_ptr<const CMVoiceLanguage> language,
                                 qint64 wordsRead)
{
    m_language = std::move(language);
    m_ids = m_language ? std::make_shared<const std::vector<int>>(m_language->ids) : nullptr;
    m_everyday = m_language ? std::make_shared<const std::vector<bool>>(m_language->everyday)
                            : nullptr;
    m_committed = CMVoiceAligner(m_ids, m_everyday);
    reset(wordsRead);
}

void CMVoiceTracker::reset(qint64 wordsRead)
{
    // The first token of the word being read.
    qsizetype tokens = 0;
    if (m_language) {
        const auto &all = m_language->tokens;
        tokens = std::lower_bound(all.begin(), all.end(), wordsRead,
                                  [](const CMVoiceToken &t, qint64 w) { return t.word < w; })
                 - all.begin();
    }
    m_committed.reset(tokens);
    m_current = m_committed;
    m_reported = std::max<qint64>(0, wordsRead);
    m_heardSince = m_committedHeardSince = 0;
    m_placed = false;
}

int CMVoiceTracker::reach() const
{
    if (!m_language)
        return 0;
    // Where the sentence of the last word read ends, in words read.
    const auto &all = m_language->tokens;
    auto it = std::lower_bound(all.begin(), all.end(), m_reported - 1,
                               [](const CMVoiceToken &t, qint64 w) { return t.word < w; });
    while (it != all.end() && !it->sentenceEnd)
        ++it;
    const qint64 toEnd = (it == all.end() ? m_language->words : it->word + 1) - m_reported;
    return std::min(maxReach, m_heardSince + (m_placed && toEnd > m_heardSince ? 1 : 0));
}

qint64 CMVoiceTracker::wordsReadAt(qsizetype tokens) const
{
    if (!m_language || tokens <= 0)
        return 0;
    return m_language->tokens[tokens - 1].word + 1;
}

bool CMVoiceTracker::hear(const QList<CMHeardWord> &words, bool final)
{
    if (!m_language)
        return false;
    CMVoiceAligner aligner = m_committed;
    double movedAt = -1;
    int since = m_committedHeardSince;
    for (qsizetype i = 0; i < words.size(); ++i) {
        // The last words of an utterance in progress are the likeliest to change: they may
        // nudge the place but not make a jump.
        const bool tentative = !final && i + 2 >= words.size();
        ++since;
        if (aligner.feed(m_language->idOf(words[i].text), tentative)) {
            movedAt = words[i].end;
            since = 0;
        }
    }
    m_current = aligner;
    m_heardSince = since;
    if (final) {
        m_committed = aligner;
        m_committedHeardSince = since;
    }
    const qint64 read = wordsReadAt(aligner.position());
    if (read <= m_reported)
        return false;
    m_reported = read;
    m_placed = true;
    if (movedAt >= 0)
        m_heardAt = movedAt;
    return true;
}
