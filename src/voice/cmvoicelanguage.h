#pragma once

#include "cmvoicescript.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <vector>

// What the recogniser is told to listen for, built from one script: a pronouncing dictionary
// of the script's words and a trigram language model of how they follow each other. The
// aligner sees the script as sound ids: words that sound alike ("to", "two") share an id, and
// a word the dictionary lacks is -1 (it can be skipped but never matched).
struct CMVoiceLanguage
{
    QList<CMVoiceToken> tokens;
    std::vector<int> ids;          // one per token
    QHash<QString, int> idOfWord;  // every dictionary word the recogniser may say
    QByteArray dictionary;         // the recogniser's dictionary file
    QByteArray languageModel;      // ARPA text
    qint64 words = 0;              // spoken words of the script

    // The sound id of a word the recogniser said ("read(2)" is "read"); -1 when unknown.
    int idOf(QString word) const;

    // Builds everything from a script and a full pronouncing dictionary (one "word phones"
    // line per pronunciation, alternates as "word(2)"). Reads the dictionary once.
    static CMVoiceLanguage build(QStringView script, const QByteArray &fullDictionary);

    // The trigram model of token sequences (absolute discounting with back-off), as ARPA text.
    // Sentences are lists of words; every word must be in the dictionary.
    static QByteArray arpa(const QList<QStringList> &sentences);
};
