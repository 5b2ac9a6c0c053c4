#pragma once

#include "cmvoicepacer.h"

#include <QtGlobal>

#include <functional>

struct CMVoiceLanguage;
struct CMWavFile;

// Voice following over a recording, as fast as the machine goes: the same recogniser,
// alignment and pacing as live, fed the recording in the pieces a microphone would deliver,
// with the scroll clock simulated on the recording's time.
namespace CMVoiceOffline {

struct Point
{
    double t = 0;       // seconds into the recording when the place was known
    qint64 word = 0;    // the script word reached (index among the spoken words)
    qint64 heard = 0;   // the last word placed by what was heard (word is carried on from it)
    double shown = 0;   // the word position at the reading line then (with a Place)
};

struct Result
{
    bool ok = false;
    double audioSeconds = 0;
    double cpuSeconds = 0; // processor time of this thread for the whole run
};

// onPoint is called whenever the place reaches a new word: a word heard, or the next words
// passed at the reader's pace in between (as far as the words heard since allow). place
// (optional) turns word positions into scroll offsets for the simulated scroll, whose shown
// position each point then carries.
Result follow(const CMVoiceLanguage &language, const CMWavFile &recording,
              const std::function<void(const Point &)> &onPoint,
              const CMVoicePacer::Place &place = {});

} // namespace CMVoiceOffline
