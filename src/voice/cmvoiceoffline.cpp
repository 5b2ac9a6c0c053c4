#include "cmvoiceoffline.h"

#include "cmrecogniser.h"
#include "cmresampler.h"
#include "cmvoicelanguage.h"
#include "cmvoicetracker.h"
#include "cmwavfile.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <memory>

namespace {

// What a microphone buffer holds: a twentieth of a second.
constexpr double pieceSeconds = 0.05;

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Inverts a monotone place: the word position shown at an offset.
double wordAt(const CMVoicePacer::Place &place, double offset, double words)
{
    double lo = 0, hi = std::max(words, 1.0);
    for (int i = 0; i < 40; ++i) {
        const double mid = (lo + hi) / 2;
        (place(mid) <= offset ? lo : hi) = mid;
    }
    return lo;
}

} // namespace

namespace CMVoiceOffline {

Result follow(const CMVoiceLanguage &language, const CMWavFile &recording,
              const std::function<void(const Point &)> &onPoint,
              const CMVoicePacer::Place &place)
{
    Result result;
    const double cpuStart = threadCpuSeconds();
    CMRecogniser recogniser(language);
    CMResampler resampler(recording.sampleRate, recording.channels);
    if (!recogniser.valid() || !resampler.valid())
        return result;
    CMVoiceTracker tracker;
    tracker.setLanguage(std::make_shared<const CMVoiceLanguage>(language));

    CMVoicePacer pacer;
    pacer.reset(0, 0);
    double offset = place ? place(0) : 0;
    double rate = 0;
    double clock = 0;
    qint64 reached = 0; // words read at the place reported last
    qint64 heard = 0;

    const auto report = [&](double t) {
        const qint64 words = std::clamp<qint64>(qint64(std::floor(pacer.target(t))), reached,
                                                language.words);
        if (words == reached && tracker.wordsRead() == heard)
            return;
        reached = words;
        heard = tracker.wordsRead();
        Point point{t, words - 1, heard - 1, 0};
        if (place)
            point.shown = wordAt(place, offset, double(language.words));
        onPoint(point);
    };
    const auto advanceClock = [&](double to) {
        // The live follower steers ten times a second.
        constexpr double tick = 0.1;
        while (clock + tick <= to) {
            clock += tick;
            if (place) {
                offset += rate * tick;
                rate = pacer.rate(clock, offset, rate, tick, place);
            }
            report(clock);
        }
    };
    const auto hear = [&](const CMRecogniser::Hypothesis &hypothesis) {
        if (tracker.hear(hypothesis.words, hypothesis.final))
            pacer.heard(double(tracker.wordsRead()), tracker.heardAt());
        pacer.setReach(tracker.reach());
        report(recogniser.seconds());
    };

    const std::size_t piece =
        std::size_t(pieceSeconds * recording.sampleRate) * std::size_t(recording.channels);
    const std::span<const float> all(recording.samples);
    for (std::size_t at = 0; at < all.size(); at += piece) {
        const std::vector<qint16> samples =
            resampler.push(all.subspan(at, std::min(piece, all.size() - at)));
        if (auto hypothesis = recogniser.process(samples))
            hear(*hypothesis);
        advanceClock(recogniser.seconds());
    }
    if (auto hypothesis = recogniser.process(resampler.flush()))
        hear(*hypothesis);
    if (auto hypothesis = recogniser.finish())
        hear(*hypothesis);
    result.ok = true;
    result.audioSeconds = recording.seconds();
    result.cpuSeconds = threadCpuSeconds() - cpuStart;
    return result;
}

} // namespace CMVoiceOffline
