#include <files/cmimport.h>
#include <voice/cmrecogniser.h>
#include <voice/cmvoicelanguage.h>
#include <voice/cmvoiceoffline.h>
#include <voice/cmwavfile.h>

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "cm-follow: %s\n", message.toUtf8().constData());
    return 1;
}

} // namespace

// Follows a recording of the script being read, exactly as the application follows the
// microphone, and prints where the reader was: one JSON line per new place,
// {"t": SECONDS_INTO_THE_RECORDING, "word": INDEX_OF_THE_SPOKEN_WORD}. The place is the last
// word heard, carried on at the reader's pace between heard words. With --pacing each line
// also carries "heard", the last word placed by a word heard, and "shown", the word position
// the paced scroll showed at the reading line; a last line sums up the run.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool pacing = args.removeAll(u"--pacing"_s) > 0;
    if (args.size() != 2 || args.first().startsWith(u'-')) {
        std::fputs("usage: cm-follow [--pacing] SCRIPT AUDIO.wav\n"
                   "Prints {\"t\": seconds, \"word\": index} for every place the reader "
                   "reaches.\n",
                   args.contains(u"--help"_s) ? stdout : stderr);
        return args.contains(u"--help"_s) ? 0 : 2;
    }
    if (const auto why = CMRecogniser::unavailable())
        return fail(*why);
    const CMImport::Result script = CMImport::read(args[0]);
    if (!script)
        return fail(script.error->message());
    const CMWavFile recording = CMWavFile::read(args[1]);
    if (!recording.error.isEmpty())
        return fail(recording.error);
    const CMVoiceLanguage language = CMRecogniser::language(*script.text);
    if (language.dictionary.isEmpty())
        return fail(u"The script has no words the recogniser knows."_s);

    // A plain line of ten points a word: "shown" is then the pacing's place in words.
    const CMVoicePacer::Place place = [](double words) { return words * 10; };
    qint64 printed = -1;
    const CMVoiceOffline::Result result = CMVoiceOffline::follow(
        language, recording,
        [pacing, &printed](const CMVoiceOffline::Point &point) {
            if (pacing)
                std::printf("{\"t\": %.3f, \"word\": %lld, \"heard\": %lld, \"shown\": %.2f}\n",
                            point.t, static_cast<long long>(point.word),
                            static_cast<long long>(point.heard), point.shown);
            else if (point.word > printed)
                std::printf("{\"t\": %.3f, \"word\": %lld}\n", point.t,
                            static_cast<long long>(point.word));
            printed = point.word;
        },
        pacing ? place : CMVoicePacer::Place());
    if (!result.ok)
        return fail(u"The recogniser could not be started."_s);
    if (pacing)
        std::printf("{\"audio\": %.3f, \"cpu\": %.3f}\n", result.audioSeconds, result.cpuSeconds);
    return 0;
}
