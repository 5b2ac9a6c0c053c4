#include "cmrecogniser.h"

#include "cmvoicelanguage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <pocketsphinx.h>
#include <sphinxbase/err.h>

#include <mutex>

using namespace Qt::StringLiterals;

namespace {

constexpr double framesPerSecond = 100;

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
                                   "-vad_postspeech", "30", "-bestpath", "no", nullptr);
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
    if (speech) {
        m_inUtterance = true;
        return report(false);
    }
    if (!m_inUtterance)
        return std::nullopt;
    // The reader paused: the utterance ends and its words stay.
    m_inUtterance = false;
    ps_end_utt(m_decoder);
    std::optional<Hypothesis> result = report(true);
    ps_start_utt(m_decoder);
    return result;
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
