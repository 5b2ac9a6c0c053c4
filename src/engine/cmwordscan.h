#pragma once

#include "cmmath.h"

#include <QList>
#include <QStringView>

// The word count's scanner, shared by CMMath::words() and CMWordCount (not for other users).
//
// Equivalent to joining the spoken segments with spaces and splitting at white space: a cue
// separates words, and a "[" opens a cue only if some "]" follows it (before lastClose).
// Brackets are whole characters: one followed by a combining mark is another character.
struct CMWordScan
{
    qsizetype lastClose = -1;
    qint64 count = 0;
    bool inWord = false;
    bool inCue = false;
    // When set, each word's place in the whole text is appended too.
    QList<CMMath::WordSpan> *spans = nullptr;

    // isBracketAt for one piece of a longer text: `after` is the character that follows the
    // piece (none at the end of the text).
    static bool isBracketIn(QStringView piece, qsizetype i, QChar bracket, QChar after)
    {
        if (piece[i] != bracket)
            return false;
        return !(i + 1 < piece.size() ? piece[i + 1] : after).isMark();
    }

    // The text's next piece, which starts at `base`.
    void feed(QStringView piece, qsizetype base, QChar after)
    {
        const qsizetype n = piece.size();
        const qsizetype opensBelow = lastClose - base;
        for (qsizetype i = 0; i < n; ++i) {
            const QChar c = piece[i];
            if (inCue) {
                if (c == u']' && isBracketIn(piece, i, u']', after))
                    inCue = false;
                continue;
            }
            if (c == u'[' && i < opensBelow && isBracketIn(piece, i, u'[', after)) {
                endWord(base + i);
                inCue = true;
                continue;
            }
            if (c.isSpace()) {
                endWord(base + i);
            } else if (!inWord) {
                inWord = true;
                ++count;
                if (spans)
                    spans->append({base + i, 0});
            }
        }
    }

    // At the end of the text (or of a word): closes the word in progress.
    void endWord(qsizetype at)
    {
        if (inWord && spans)
            spans->last().length = at - spans->last().start;
        inWord = false;
    }
};
