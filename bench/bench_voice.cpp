#include "bench.h"

#include <speechfixture.h>
#include <voice/cmrecogniser.h>
#include <voice/cmvoicelanguage.h>
#include <voice/cmvoiceoffline.h>

using namespace Qt::StringLiterals;

// Voice following over every synthesised reading of the speech tests (straight at 130, 155 and
// 180 words a minute, a skipped sentence, a repeated one, a 5 s pause, an ad-lib, noise at
// 20 dB): the place's error in words half a second after each sentence ends, the delay from
// a word's end until the place reaches it (and until a word heard places it, without the
// pace carrying it in between), how far the place ever ran past the reader, and the processor
// share of one core per second of audio. Also the pacing's lag: how far the word at the
// reading line trails the place.
namespace {

void voiceFollow(const cmbench::Report &report)
{
    if (CMRecogniser::unavailable())
        return;
    const CMVoiceLanguage language = CMRecogniser::language(CMSpeech::script());
    if (language.dictionary.isEmpty())
        return;
    const CMVoicePacer::Place place = [](double words) { return words * 10; };
    QList<double> errors, delays, heardDelays, ahead, lags;
    double audio = 0, cpu = 0;
    for (const CMSpeech::Case &c : CMSpeech::cases()) {
        const CMSpeech::Recording recording = CMSpeech::record(c);
        if (!recording.error.isEmpty())
            return;
        QList<CMVoiceOffline::Point> points;
        const CMVoiceOffline::Result result = CMVoiceOffline::follow(
            language, recording.wav, [&points](const CMVoiceOffline::Point &p) { points << p; },
            place);
        const CMSpeech::Score score = CMSpeech::score(recording, points);
        errors += score.sentenceErrors;
        delays += score.delays;
        ahead += score.ahead;
        // The same place without the pace carrying it between the words heard.
        QList<CMVoiceOffline::Point> heard = points;
        for (CMVoiceOffline::Point &p : heard)
            p.word = p.heard;
        heardDelays += CMSpeech::score(recording, heard).delays;
        for (const CMVoiceOffline::Point &p : points)
            lags << double(p.word + 1) - p.shown;
        audio += result.audioSeconds;
        cpu += result.cpuSeconds;
    }
    report(u"voice_follow_error_median"_s, CMSpeech::median(errors), u"words"_s);
    report(u"voice_follow_error_p95"_s, CMSpeech::percentile(errors, 0.95), u"words"_s);
    report(u"voice_follow_delay_median"_s, CMSpeech::median(delays), u"s"_s);
    report(u"voice_follow_delay_p95"_s, CMSpeech::percentile(delays, 0.95), u"s"_s);
    report(u"voice_follow_heard_delay_median"_s, CMSpeech::median(heardDelays), u"s"_s);
    report(u"voice_follow_heard_delay_p95"_s, CMSpeech::percentile(heardDelays, 0.95), u"s"_s);
    report(u"voice_follow_ahead_max"_s, CMSpeech::percentile(ahead, 1.0), u"words"_s);
    report(u"voice_follow_cpu"_s, 100 * cpu / audio, u"% of a core"_s);
    report(u"voice_follow_pacing_lag_median"_s, CMSpeech::median(lags), u"words"_s);
}

} // namespace

CM_BENCH("voice_follow", voiceFollow);
