#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// What the recogniser listens for: the script's spoken words (cues left out) as lower-case
// tokens, each tied to the script word it came from. A word may give several tokens
// ("well-known", "42") or none (punctuation alone).
struct CMVoiceToken
{
    QString text;
    qint64 word = 0;          // index among the script's spoken words, as the word count counts
    bool sentenceEnd = false; // the last token of a sentence or of a line

    friend bool operator==(const CMVoiceToken &, const CMVoiceToken &) = default;
};

namespace CMVoiceScript {

QList<CMVoiceToken> tokens(QStringView script);

// The tokens of one script word: lower case, apostrophes kept inside, split at other
// punctuation; numbers are spelt out as they are read aloud.
QStringList wordTokens(QStringView word);

// Whole numbers as read aloud ("42" → "forty two"; four-digit years as years).
QStringList numberWords(qint64 value, bool asYear = false);

} // namespace CMVoiceScript
