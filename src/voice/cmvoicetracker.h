#pragma once

#include "cmvoicealigner.h"

#include <QList>
#include <QString>

#include <memory>

struct CMVoiceLanguage;

// A word the recogniser heard, with the second of the audio where it ended.
struct CMHeardWord
{
    QString text;
    double end = 0;
};

// Turns the recogniser's hypotheses into the reader's place in the script. A hypothesis of an
// utterance still in progress may change; it is aligned afresh from where the utterance began,
// and only a final one is kept. The reported place never moves back, except by reset().
// Words heard since the last placed one tell how far the reader may have gone meanwhile.
class CMVoiceTracker
{
public:
    void setLanguage(std::shared_ptr<const CMVoiceLanguage> language, qint64 wordsRead = 0);
    const std::shared_ptr<const CMVoiceLanguage> &language() const { return m_language; }

    // Starts again believing that `wordsRead` script words were read.
    void reset(qint64 wordsRead);
    // True when the reported place moved forward.
    bool hear(const QList<CMHeardWord> &words, bool final);

    // Script words read: the index of the word the reader is on.
    qint64 wordsRead() const { return m_reported; }
    // When the last word that moved the place ended, in seconds of audio.
    double heardAt() const { return m_heardAt; }
    bool lost() const { return m_current.lost(); }
    // How many words past wordsRead() the reader may be by now: one for each word heard since
    // the last one placed (a misheard script word, most likely) and, once a word was placed,
    // one more within the sentence; at most maxReach. Silence at a sentence's end gives none.
    int reach() const;

    static constexpr int maxReach = 4;

private:
    qint64 wordsReadAt(qsizetype tokens) const;

    std::shared_ptr<const CMVoiceLanguage> m_language;
    std::shared_ptr<const std::vector<int>> m_ids;
    std::shared_ptr<const std::vector<bool>> m_everyday;
    CMVoiceAligner m_committed;
    CMVoiceAligner m_current;
    qint64 m_reported = 0;
    double m_heardAt = 0;
    int m_heardSince = 0;          // words heard after the last one that moved the place
    int m_committedHeardSince = 0; // the same up to the end of the last final hypothesis
    bool m_placed = false;         // a heard word moved the place since the last reset
};
