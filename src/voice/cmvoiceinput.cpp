#include "cmvoiceinput.h"

#include "cmresampler.h"
#include "cmvoicelanguage.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QMediaDevices>

#include <cmath>
#include <cstring>

using namespace Qt::StringLiterals;

CMVoiceInput::CMVoiceInput() = default;

CMVoiceInput::~CMVoiceInput()
{
    stop();
}

void CMVoiceInput::setLanguage(std::shared_ptr<const CMVoiceLanguage> language)
{
    m_language = std::move(language);
    m_recogniser.reset();
    if (m_language) {
        m_recogniser = std::make_unique<CMRecogniser>(*m_language);
        if (!m_recogniser->valid()) {
            m_recogniser.reset();
            Q_EMIT failed(u"The speech recogniser could not be started."_s);
        }
    }
}

void CMVoiceInput::start(const QByteArray &deviceId)
{
    stop();
    QAudioDevice device = QMediaDevices::defaultAudioInput();
    for (const QAudioDevice &d : QMediaDevices::audioInputs()) {
        if (d.id() == deviceId)
            device = d;
    }
    if (device.isNull()) {
        Q_EMIT failed(u"No microphone found."_s);
        return;
    }
    QAudioFormat format;
    format.setSampleRate(CMRecogniser::sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        format = device.preferredFormat();
    m_sampleFormat = int(format.sampleFormat());
    m_bytesPerSample = format.bytesPerSample();
    m_resampler = std::make_unique<CMResampler>(format.sampleRate(), format.channelCount());
    m_source = new QAudioSource(device, format, this);
    // A twentieth of a second at a time keeps what is heard prompt.
    m_source->setBufferSize(format.bytesForDuration(50'000) * 4);
    m_device = m_source->start();
    if (!m_device || m_source->error() != QAudio::NoError) {
        stop();
        Q_EMIT failed(u"The microphone could not be opened."_s);
        return;
    }
    connect(m_device, &QIODevice::readyRead, this, &CMVoiceInput::read);
}

void CMVoiceInput::stop()
{
    if (m_source) {
        m_source->stop();
        delete m_source;
    }
    m_source = nullptr;
    m_device = nullptr;
    m_resampler.reset();
    if (m_recogniser && m_language)
        m_recogniser = std::make_unique<CMRecogniser>(*m_language); // a fresh stream next time
}

void CMVoiceInput::read()
{
    if (!m_device || !m_resampler)
        return;
    const QByteArray bytes = m_device->readAll();
    const qsizetype count = bytes.size() / m_bytesPerSample;
    std::vector<float> samples(static_cast<std::size_t>(count));
    const char *p = bytes.constData();
    for (qsizetype i = 0; i < count; ++i, p += m_bytesPerSample) {
        float v = 0;
        switch (QAudioFormat::SampleFormat(m_sampleFormat)) {
        case QAudioFormat::UInt8:
            v = (float(quint8(*p)) - 128.0f) / 128.0f;
            break;
        case QAudioFormat::Int16: {
            qint16 s;
            std::memcpy(&s, p, 2);
            v = float(s) / 32768.0f;
            break;
        }
        case QAudioFormat::Int32: {
            qint32 s;
            std::memcpy(&s, p, 4);
            v = float(double(s) / 2147483648.0);
            break;
        }
        case QAudioFormat::Float:
            std::memcpy(&v, p, 4);
            break;
        default:
            break;
        }
        samples[std::size_t(i)] = v;
    }
    double sum = 0;
    for (const float v : samples)
        sum += double(v) * v;
    const double rms = samples.empty() ? 0 : std::sqrt(sum / double(samples.size()));
    // A speaking voice sits around -20 dBFS: show -60 to 0 dB as 0 to 1.
    Q_EMIT level(std::clamp((20 * std::log10(std::max(rms, 1e-6)) + 60) / 60, 0.0, 1.0));

    if (!m_recogniser)
        return;
    const std::vector<qint16> pcm = m_resampler->push(samples);
    if (auto hypothesis = m_recogniser->process(pcm))
        Q_EMIT heard(*hypothesis, m_recogniser->seconds());
}
