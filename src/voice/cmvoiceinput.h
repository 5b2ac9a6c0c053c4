#pragma once

#include "cmrecogniser.h"

#include <QByteArray>
#include <QObject>

#include <memory>

class QAudioSource;
class QIODevice;
class CMResampler;
struct CMVoiceLanguage;

// The microphone and the recogniser, on a thread of their own: audio is read as the device
// delivers it, converted to what the recogniser takes, and recognised there; only what was
// heard and the sound level travel to the main thread. Use through CMVoiceListener.
class CMVoiceInput : public QObject
{
    Q_OBJECT

public:
    CMVoiceInput();
    ~CMVoiceInput() override;

    void start(const QByteArray &deviceId);
    void stop();
    void setLanguage(std::shared_ptr<const CMVoiceLanguage> language);

Q_SIGNALS:
    // What the utterance in progress was heard to say, and how many seconds of audio the
    // recogniser had taken then.
    void heard(const CMRecogniser::Hypothesis &hypothesis, double audioSeconds);
    // The loudness of the last piece of audio, 0 to 1.
    void level(double level);
    void failed(const QString &message);

private:
    void read();

    QAudioSource *m_source = nullptr;
    QIODevice *m_device = nullptr;
    std::unique_ptr<CMResampler> m_resampler;
    std::unique_ptr<CMRecogniser> m_recogniser;
    std::shared_ptr<const CMVoiceLanguage> m_language;
    int m_sampleFormat = 0;
    int m_bytesPerSample = 2;
};

Q_DECLARE_METATYPE(CMRecogniser::Hypothesis)
