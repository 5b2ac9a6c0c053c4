#include "speechfixture.h"

#include <engine/cmmath.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cmath>
#include <mutex>

using namespace Qt::StringLiterals;

namespace CMSpeech {

namespace {

struct Event
{
    int type = 0;
    int textPosition = 0; // 1-based character
    double seconds = 0;   // within this piece of speech
};

struct Synthesis
{
    std::vector<qint16> samples;
    std::vector<Event> events;
};

int collect(short *wav, int count, espeak_EVENT *events)
{
    auto *out = static_cast<Synthesis *>(events->user_data);
    if (wav && count > 0)
        out->samples.insert(out->samples.end(), wav, wav + count);
    for (espeak_EVENT *e = events; e->type != espeakEVENT_LIST_TERMINATED; ++e) {
        if (e->type == espeakEVENT_WORD || e->type == espeakEVENT_END)
            out->events.push_back({int(e->type), e->text_position, e->audio_position / 1000.0});
    }
    return 0;
}

int sampleRate()
{
    static int rate = 0;
    static std::once_flag once;
    std::call_once(once, [] {
        rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0);
        if (rate > 0) {
            espeak_SetSynthCallback(collect);
            espeak_SetVoiceByName("en-us");
        }
    });
    return rate;
}

Synthesis speak(const QString &text, int wordsPerMinute)
{
    Synthesis out;
    espeak_SetParameter(espeakRATE, wordsPerMinute, 0);
    const QByteArray utf8 = text.toUtf8();
    espeak_Synth(utf8.constData(), std::size_t(utf8.size() + 1), 0, POS_CHARACTER, 0,
                 espeakCHARS_UTF8, nullptr, &out);
    espeak_Synchronize();
    return out;
}

// Word index within the sentence of a character position (0-based).
qint64 wordAt(const QString &sentence, int position)
{
    const QList<CMMath::WordSpan> spans = CMMath::wordSpans(sentence);
    qint64 index = 0;
    for (qsizetype i = 0; i < spans.size(); ++i) {
        if (spans[i].start <= position)
            index = i;
    }
    return index;
}

double rms(const std::vector<qint16> &samples)
{
    double sum = 0;
    qint64 n = 0;
    for (const qint16 s : samples) {
        if (std::abs(s) > 300) { // speech, not the pauses between words
            sum += double(s) * s;
            ++n;
        }
    }
    return n ? std::sqrt(sum / double(n)) / 32768.0 : 0;
}

bool writeWav(const QString &path, const std::vector<qint16> &samples, int rate)
{
    QByteArray bytes;
    const auto u32 = [&bytes](quint32 v) {
        for (int i = 0; i < 4; ++i)
            bytes.append(char((v >> (8 * i)) & 0xff));
    };
    const auto u16 = [&bytes](quint16 v) {
        bytes.append(char(v & 0xff));
        bytes.append(char(v >> 8));
    };
    const quint32 data = quint32(samples.size() * 2);
    bytes += "RIFF";
    u32(36 + data);
    bytes += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(quint32(rate));
    u32(quint32(rate * 2));
    u16(2);
    u16(16);
    bytes += "data";
    u32(data);
    for (const qint16 s : samples)
        u16(quint16(s));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// White noise at the given signal-to-noise ratio, mixed in by sox.
QString addNoise(const QString &speech, const QString &noisy, double speechRms, double snrDb,
                 double seconds, int rate)
{
    const double noiseRms = speechRms / std::pow(10.0, snrDb / 20.0);
    // sox's white noise at full scale has an RMS of 1/√3.
    const double volume = noiseRms * std::sqrt(3.0);
    QProcess sox;
    sox.start(u"sox"_s, {u"-m"_s, speech, u"-t"_s, u"wav"_s,
                         u"|sox -n -r %1 -c 1 -b 16 -t wav - synth %2 whitenoise vol %3"_s
                             .arg(rate)
                             .arg(seconds, 0, 'f', 3)
                             .arg(volume, 0, 'f', 6),
                         noisy});
    if (!sox.waitForFinished(120000) || sox.exitCode() != 0)
        return u"sox failed: "_s + QString::fromLocal8Bit(sox.readAllStandardError());
    return {};
}

} // namespace

QStringList sentences()
{
    return {
        u"Good evening and welcome to the program."_s,
        u"Tonight we travel north along the river to a small town that builds wooden boats."_s,
        u"The workshop has stood by the water for more than a hundred years."_s,
        u"Every boat begins as a drawing on the long table near the window."_s,
        u"Then the builders choose the timber and let it dry through the winter."_s,
        u"In spring the frames go up and the planks are bent with steam."_s,
        u"A small boat takes about three months from the first cut to the launch."_s,
        u"Most of them are sold to families who live along the coast."_s,
        u"Some come back every summer so the builders can look after them."_s,
        u"After the break we meet the youngest apprentice in the workshop."_s,
        u"She tells us why she left the city to learn an old trade."_s,
        u"Stay with us and thank you for watching."_s,
    };
}

QString script()
{
    const QStringList all = sentences();
    QString text = u"[Open on the river — wide shot]\n"_s;
    for (int i = 0; i < all.size(); ++i) {
        text += all[i];
        if (i == 4)
            text += u"\n\n[Pause — cut to the workshop]\n"_s;
        else
            text += (i % 3 == 2) ? u"\n\n"_s : u" "_s;
    }
    return text.trimmed();
}

qint64 firstWord(int sentence)
{
    qint64 first = 0;
    const QStringList all = sentences();
    for (int i = 0; i < sentence; ++i)
        first += CMMath::words(all[i]);
    return first;
}

qint64 wordCount(int sentence)
{
    return CMMath::words(sentences()[sentence]);
}

Case straight(const QString &name, int wordsPerMinute)
{
    Case c{name, {}, wordsPerMinute, 0};
    for (int i = 0; i < sentences().size(); ++i)
        c.plan.append({Step::Sentence, i, 0, {}});
    return c;
}

QList<Case> cases()
{
    QList<Case> out{straight(u"straight_130"_s, 130), straight(u"straight_155"_s, 155),
                    straight(u"straight_180"_s, 180)};
    Case skip = straight(u"skip"_s, 155);
    skip.plan.removeAt(4);
    out << skip;
    Case repeat = straight(u"repeat"_s, 155);
    repeat.plan.insert(6, Step{Step::Sentence, 5, 0, {}});
    out << repeat;
    Case pause = straight(u"pause"_s, 155);
    pause.plan.insert(4, Step{Step::Pause, 0, 5.0, {}});
    out << pause;
    Case adlib = straight(u"adlib"_s, 155);
    adlib.plan.insert(7, Step{Step::AdLib, 0, 0,
                              u"Well, you know, I really have to say I love that part."_s});
    out << adlib;
    Case noise = straight(u"noise_20db"_s, 155);
    noise.snrDb = 20;
    out << noise;
    return out;
}

Recording record(const Case &c)
{
    Recording out;
    const int rate = sampleRate();
    if (rate <= 0) {
        out.error = u"The speech synthesiser could not be started."_s;
        return out;
    }
    const QStringList all = sentences();
    std::vector<qint16> audio(std::size_t(rate / 2), 0); // half a second of silence first
    QList<bool> read(all.size(), false);
    for (const Step &step : c.plan) {
        const double start = double(audio.size()) / rate;
        if (step.kind == Step::Pause) {
            audio.resize(audio.size() + std::size_t(step.seconds * rate), 0);
            continue;
        }
        const QString text = step.kind == Step::AdLib ? step.text : all[step.sentence];
        const Synthesis speech = speak(text, c.wordsPerMinute);
        audio.insert(audio.end(), speech.samples.begin(), speech.samples.end());
        if (step.kind == Step::AdLib)
            continue;
        const bool again = read[step.sentence];
        read[step.sentence] = true;
        for (std::size_t i = 0; i < speech.events.size(); ++i) {
            const Event &e = speech.events[i];
            // The synthesiser closes a clause with a word event at no character.
            if (e.type != espeakEVENT_WORD || e.textPosition < 1)
                continue;
            double end = double(speech.samples.size()) / rate;
            for (std::size_t j = i + 1; j < speech.events.size(); ++j) {
                end = speech.events[j].seconds;
                break;
            }
            const qint64 word = firstWord(step.sentence) + wordAt(text, e.textPosition - 1);
            if (!out.words.isEmpty() && out.words.back().word == word && !again)
                out.words.back().end = start + end; // a word spoken in pieces ("RTF")
            else
                out.words.append({word, start + end, again});
        }
    }
    audio.resize(audio.size() + std::size_t(rate), 0); // and a second after

    QTemporaryDir folder;
    const QString speechPath = folder.filePath(u"speech.wav"_s);
    if (!writeWav(speechPath, audio, rate)) {
        out.error = u"The recording could not be written."_s;
        return out;
    }
    QString path = speechPath;
    if (c.snrDb > 0) {
        path = folder.filePath(u"noisy.wav"_s);
        out.error = addNoise(speechPath, path, rms(audio), c.snrDb, double(audio.size()) / rate,
                             rate);
        if (!out.error.isEmpty())
            return out;
    }
    out.wav = CMWavFile::read(path);
    out.error = out.wav.error;
    return out;
}

Score score(const Recording &recording, const QList<CMVoiceOffline::Point> &points)
{
    Score s;
    // Where the follower was at time t: the last place known by then (-1 before any).
    const auto placeAt = [&points](double t) {
        qint64 place = -1;
        for (const CMVoiceOffline::Point &p : points) {
            if (p.t > t)
                break;
            place = p.word;
        }
        return place;
    };
    const QList<SpokenWord> &words = recording.words;
    // A sentence ends where its last word was spoken.
    for (qsizetype i = 0; i < words.size(); ++i) {
        const SpokenWord &w = words[i];
        bool last = false;
        for (int k = 0; k < sentences().size(); ++k) {
            if (w.word == firstWord(k) + wordCount(k) - 1)
                last = true;
        }
        if (last) {
            // Right is anywhere from the sentence's last word to the furthest word read half a
            // second later, when the reader may have read on.
            const double t = w.end + 0.5;
            qint64 furthest = w.word;
            for (const SpokenWord &v : words) {
                if (v.end <= t)
                    furthest = std::max(furthest, v.word);
            }
            const qint64 place = placeAt(t);
            s.sentenceErrors << double(place < w.word ? w.word - place
                                                      : std::max<qint64>(place - furthest, 0));
        }
        if (!w.again) {
            double reached = -1;
            for (const CMVoiceOffline::Point &p : points) {
                if (p.word >= w.word) {
                    reached = p.t;
                    break;
                }
            }
            if (reached >= 0)
                s.delays << std::max(reached - w.end, 0.0);
        }
    }
    qint64 highest = -1;
    for (const CMVoiceOffline::Point &p : points) {
        qint64 furthest = -1;
        for (const SpokenWord &w : words) {
            if (w.end <= p.t)
                furthest = std::max(furthest, w.word);
        }
        s.ahead << double(std::max<qint64>(p.word - furthest, 0));
        s.backSteps << double(std::max<qint64>(highest - p.word, 0));
        highest = std::max(highest, p.word);
    }
    return s;
}

double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const double rank = p * double(values.size() - 1);
    const auto lo = qsizetype(std::floor(rank));
    const auto hi = qsizetype(std::ceil(rank));
    return values[lo] + (values[hi] - values[lo]) * (rank - double(lo));
}

double median(QList<double> values)
{
    return percentile(std::move(values), 0.5);
}

} // namespace CMSpeech
