#include "cmvoicetracker.h"

#include "cmvoicelanguage.h"

#include <algorithm>

void CMVoiceTracker::setLanguage(std::shared_ptr<const CMVoiceLanguage> language,
                                 qint64 wordsRead)
{
    m_language = std::move(language);
    m_ids = m_language ? std::make_shared<const std::vector<int>>(m_language->ids) : nullptr;
    m_committed = CMVoiceAligner(m_ids);
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
    for (qsizetype i = 0; i < words.size(); ++i) {
        // The last words of an utterance in progress are the likeliest to change: they may
        // nudge the place but not make a jump.
        const bool tentative = !final && i + 2 >= words.size();
        if (aligner.feed(m_language->idOf(words[i].text), tentative))
            movedAt = words[i].end;
    }
    m_current = aligner;
    if (final)
        m_committed = aligner;
    const qint64 read = wordsReadAt(aligner.position());
    if (read <= m_reported)
        return false;
    m_reported = read;
    if (movedAt >= 0)
        m_heardAt = movedAt;
    return true;
}
