#pragma once

#include <QString>

#include <vector>

// A WAV recording read whole: PCM of 8 to 32 bits or 32-bit float, any rate and channel count.
struct CMWavFile
{
    int sampleRate = 0;
    int channels = 0;
    std::vector<float> samples; // interleaved, -1 to 1
    QString error;              // why the file could not be read, for the user

    static constexpr qint64 maxBytes = qint64(1) << 30;

    static CMWavFile read(const QString &path);
    static CMWavFile parse(const QByteArray &bytes);
    double seconds() const;
};
