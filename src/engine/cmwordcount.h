#pragma once

#include "cmscriptbuffer.h"

#include <array>
#include <vector>

// The word count of a script that changes a little at a time, equal to CMMath::words() of
// the joined text. Each chunk of the script is scanned once into a short summary; a count after
// an edit scans only the chunks the edit replaced and adds up the summaries. It keeps the last
// script it counted, sharing its chunks: a chunk it still shares can be changed by nobody, only
// replaced, so an unchanged chunk is known by its address.
class CMWordCount
{
public:
    qint64 count(const CMScriptBuffer &script);

private:
    // Where a "[" may open a cue: everywhere (before the script's last "]"), before the
    // chunk's own last "]" (the chunk that holds the script's last one), nowhere (after it).
    enum Mode : quint8 { Opening, Closing, Plain };
    // A chunk's words and the scanner's state after it, for a state before it: outside a
    // word, in a word, in a cue.
    struct Step
    {
        qint32 words = 0;
        quint8 exit = 0;
    };
    struct Summary
    {
        std::array<std::array<Step, 3>, 3> steps; // by mode, by state before
        std::array<bool, 3> scanned{};             // by mode
        qint32 lastClose = -1;                     // the chunk's last closing bracket
        bool afterMark = false; // summarised as followed by a combining mark
    };
    static Summary summarize(QStringView chunk, bool afterMark);
    static const Step &step(Summary &summary, QStringView chunk, Mode mode, quint8 state);

    CMScriptBuffer m_seen;
    std::vector<Summary> m_summaries; // of m_seen's chunks
};
