#pragma once

#include "cmvoicelanguage.h"
#include "cmvoicetracker.h"

#include <QList>
#include <QString>

#include <optional>
#include <span>

struct ps_decoder_s;

// The speech recogniser, listening for one script's words: Debian's US English acoustic model
// with the script's own dictionary and language model. Takes 16 kHz mono audio in pieces of
// any size and tells, after each piece, what it heard in the utterance in progress. Not
// thread-safe: one thread feeds it.
class CMRecogniser
{
public:
    static constexpr int sampleRate = 16000;

    struct Hypothesis
    {
        QList<CMHeardWord> words; // the utterance so far; times are seconds since the start
        bool final = false;       // the utterance ended: these words stay
    };

    // The model's folder, and the full pronouncing dictionary that languages are built from.
    static QString modelFolder();
    static QString dictionaryPath();
    // Why voice following cannot work here (no model installed), or nothing.
    static std::optional<QString> unavailable();
    // The most frequent words of everyday English, from the general language model installed
    // with the speech model (none without it). Read once.
    static QList<CMVoiceLanguage::CommonWord> commonWords();
    // What to listen for while a script is read: its words and the common ones, from the
    // installed dictionary (empty when there is none).
    static CMVoiceLanguage language(QStringView script);

    explicit CMRecogniser(const CMVoiceLanguage &language);
    ~CMRecogniser();
    CMRecogniser(const CMRecogniser &) = delete;
    CMRecogniser &operator=(const CMRecogniser &) = delete;

    bool valid() const { return m_decoder != nullptr; }

    // Feeds audio; a hypothesis when what was heard changed.
    std::optional<Hypothesis> process(std::span<const qint16> samples);
    // The audio ended: the utterance in progress, final.
    std::optional<Hypothesis> finish();

    double seconds() const { return double(m_samples) / sampleRate; }
    bool inSpeech() const { return m_inUtterance; }

private:
    QList<CMHeardWord> words() const;
    std::optional<Hypothesis> report(bool final);

    ps_decoder_s *m_decoder = nullptr;
    qint64 m_samples = 0;
    qint64 m_utteranceStart = 0;
    bool m_inUtterance = false;
    QString m_lastHypothesis;
};
