#pragma once

#include "cmvoicescript.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <vector>

// What the recogniser is told to listen for, built from one script: a pronouncing dictionary
// of the script's words and a trigram language model of how they follow each other, read in a
// row. The aligner sees the script as sound ids: words that sound alike ("to", "two") share an
// id, and a word the dictionary lacks is -1 (it can be skipped but never matched).
// Everyday words the script lacks may be added at a small weight, so that a presenter's own
// words are heard as what they are (id -1) rather than as the script's nearest phrase.
struct CMVoiceLanguage
{
    // A word of everyday speech and its share of all words spoken.
    struct CommonWord
    {
        QString text;
        double share = 0;
    };

    QList<CMVoiceToken> tokens;
    std::vector<int> ids;          // one per token
    std::vector<bool> everyday;    // one per token: one of the common words
    QHash<QString, int> idOfWord;  // every dictionary word that sounds like a script word
    QByteArray dictionary;         // the recogniser's dictionary file
    QByteArray languageModel;      // ARPA text
    qint64 words = 0;              // spoken words of the script

    // The share of the language model's single-word weight the everyday words get.
    static constexpr double commonWeight = 0.02;

    // The sound id of a word the recogniser said ("read(2)" is "read"); -1 when it is not one
    // of the script's.
    int idOf(QString word) const;

    // Builds everything from a script and a full pronouncing dictionary (one "word phones"
    // line per pronunciation, alternates as "word(2)"). Reads the dictionary once. Common
    // words the dictionary has and the script lacks join the vocabulary.
    static CMVoiceLanguage build(QStringView script, const QByteArray &fullDictionary,
                                 const QList<CommonWord> &common = {});

    // The trigram model of token sequences (absolute discounting with back-off), as ARPA text.
    // Sentences are lists of words read one after the other: a sentence's words follow the
    // last words of the one before as well as a pause. Common words stand alone, sharing
    // `commonWeight` of the single-word weight by their shares. Every word must be in the
    // dictionary.
    static QByteArray arpa(const QList<QStringList> &sentences,
                           const QList<CommonWord> &common = {});
};
