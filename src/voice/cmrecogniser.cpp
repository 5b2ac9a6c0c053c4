#include "cmrecogniser.h"

#include "cmvoicelanguage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <pocketsphinx.h>
#include <sphinxbase/err.h>
#include <sphinxbase/logmath.h>
#include <sphinxbase/ngram_model.h>

#include <algorithm>
#include <cctype>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {

constexpr double framesPerSecond = 100;
// The recogniser's table of word ends must never grow while a hypothesis is asked of it (its
// growth can leave it full at a frame, which the library treats as fatal). Reading aloud
// fills about a thousand entries a second: an utterance is cut after maxUtterance seconds,
// and the table holds four times what that needs.
constexpr double maxUtterance = 15;
constexpr const char *wordEnds = "65536";
// Everyday words heard as themselves: enough for the small talk of an aside, few enough not
// to be heard in place of the script's own words.
constexpr int commonWordCount = 300;

void silenceLibraryLog()
{
    static std::once_flag once;
    std::call_once(once, [] { err_set_logfp(nullptr); });
}

bool isFiller(const char *word)
{
    return word[0] == '<' || word[0] == '[' || word[0] == '+';
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

QString CMRecogniser::modelFolder()
{
    const QByteArray over = qgetenv("CM_VOICE_MODEL");
    return over.isEmpty() ? u"/usr/share/pocketsphinx/model/en-us"_s : QString::fromLocal8Bit(over);
}

QString CMRecogniser::dictionaryPath()
{
    return modelFolder() + u"/cmudict-en-us.dict"_s;
}

std::optional<QString> CMRecogniser::unavailable()
{
    const QDir model(modelFolder() + u"/en-us"_s);
    if (!model.exists(u"mdef"_s) || !QFile::exists(dictionaryPath()))
        return u"No English speech model is installed (Debian package pocketsphinx-en-us)."_s;
    return std::nullopt;
}

QList<CMVoiceLanguage::CommonWord> CMRecogniser::commonWords()
{
    static QList<CMVoiceLanguage::CommonWord> words;
    static std::once_flag once;
    std::call_once(once, [] {
        silenceLibraryLog();
        const QByteArray path = (modelFolder() + u"/en-us.lm.bin"_s).toLocal8Bit();
        if (!QFile::exists(QString::fromLocal8Bit(path)))
            return;
        logmath_t *math = logmath_init(1.0001, 0, 0);
        ngram_model_t *model = math ? ngram_model_read(nullptr, path.constData(), NGRAM_AUTO, math)
                                    : nullptr;
        if (model) {
            const uint32 count = ngram_model_get_counts(model)[0];
            for (uint32 id = 0; id < count; ++id) {
                const char *word = ngram_word(model, int32(id));
                if (!word || isFiller(word) || !std::isalpha(static_cast<unsigned char>(word[0])))
                    continue;
                const double share = logmath_exp(math, ngram_prob(model, &word, 1));
                words.append({QString::fromUtf8(word), share});
            }
            ngram_model_free(model);
            const auto keep = std::min<qsizetype>(words.size(), commonWordCount);
            std::partial_sort(words.begin(), words.begin() + keep, words.end(),
                              [](const auto &a, const auto &b) { return a.share > b.share; });
            words.resize(keep);
        }
        if (math)
            logmath_free(math);
    });
    return words;
}

CMVoiceLanguage CMRecogniser::language(QStringView script)
{
    QFile file(dictionaryPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return CMVoiceLanguage::build(script, file.readAll(), commonWords());
}

CMRecogniser::CMRecogniser(const CMVoiceLanguage &language)
{
    silenceLibraryLog();
    if (unavailable() || language.dictionary.isEmpty())
        return;
    QTemporaryDir folder;
    const QString dictionary = folder.filePath(u"script.dict"_s);
    const QString model = folder.filePath(u"script.lm"_s);
    if (!folder.isValid() || !writeFile(dictionary, language.dictionary)
        || !writeFile(model, language.languageModel))
        return;
    const QByteArray hmm = (modelFolder() + u"/en-us"_s).toLocal8Bit();
    const QByteArray dict = dictionary.toLocal8Bit();
    const QByteArray lm = model.toLocal8Bit();
    cmd_ln_t *config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.constData(), "-dict",
                                   dict.constData(), "-lm", lm.constData(), "-samprate", "16000",
                                   // The script's own model earns more trust than a general one.
                                   "-lw", "10",
                                   // End an utterance at a breath, so its final result comes soon.
                                   "-vad_postspeech", "30", "-bestpath", "no",
                                   "-latsize", wordEnds, nullptr);
    if (!config)
        return;
    m_decoder = ps_init(config);
    cmd_ln_free_r(config);
    if (!m_decoder)
        return;
    if (ps_start_stream(m_decoder) < 0 || ps_start_utt(m_decoder) < 0) {
        ps_free(m_decoder);
        m_decoder = nullptr;
    }
}

CMRecogniser::~CMRecogniser()
{
    if (m_decoder)
        ps_free(m_decoder);
}

QList<CMHeardWord> CMRecogniser::words() const
{
    QList<CMHeardWord> out;
    for (ps_seg_t *seg = ps_seg_iter(m_decoder); seg; seg = ps_seg_next(seg)) {
        const char *word = ps_seg_word(seg);
        if (!word || isFiller(word))
            continue;
        int start = 0, end = 0;
        ps_seg_frames(seg, &start, &end);
        out.append({QString::fromUtf8(word), (end + 1) / framesPerSecond});
    }
    return out;
}

std::optional<CMRecogniser::Hypothesis> CMRecogniser::report(bool final)
{
    const char *hyp = ps_get_hyp(m_decoder, nullptr);
    const QString text = hyp ? QString::fromUtf8(hyp) : QString();
    if (!final && text == m_lastHypothesis)
        return std::nullopt;
    m_lastHypothesis = final ? QString() : text;
    if (text.isEmpty() && !final)
        return std::nullopt;
    return Hypothesis{words(), final};
}

std::optional<CMRecogniser::Hypothesis> CMRecogniser::process(std::span<const qint16> samples)
{
    if (!m_decoder || samples.empty())
        return std::nullopt;
    ps_process_raw(m_decoder, samples.data(), samples.size(), FALSE, FALSE);
    m_samples += qint64(samples.size());
    const bool speech = ps_get_in_speech(m_decoder);
    if (speech && !m_inUtterance) {
        m_inUtterance = true;
        m_utteranceStart = m_samples;
    }
    // The reader paused (or read on for long): the utterance ends and its words stay.
    if (speech && double(m_samples - m_utteranceStart) < maxUtterance * sampleRate)
        return report(false);
    return finish();
}

std::optional<CMRecogniser::Hypothesis> CMRecogniser::finish()
{
    if (!m_decoder || !m_inUtterance)
        return std::nullopt;
    m_inUtterance = false;
    ps_end_utt(m_decoder);
    std::optional<Hypothesis> result = report(true);
    ps_start_utt(m_decoder);
    return result;
}
