#pragma once

#include <QtGlobal>

#include <span>
#include <vector>

struct soxr;

// Audio of any rate and channel count to what the recogniser takes: 16 kHz mono, 16-bit.
// Channels are averaged; the rate is converted by libsoxr, a stream at a time; the same input
// always gives the same output.
class CMResampler
{
public:
    CMResampler(int inputRate, int channels);
    ~CMResampler();
    CMResampler(const CMResampler &) = delete;
    CMResampler &operator=(const CMResampler &) = delete;

    bool valid() const { return m_passThrough || m_soxr; }
    // Interleaved samples from -1 to 1; the converted samples so far.
    std::vector<qint16> push(std::span<const float> interleaved);
    // The end of the stream: what the converter still holds.
    std::vector<qint16> flush();

private:
    std::vector<qint16> run(const float *mono, std::size_t frames);
    std::vector<qint16> toInt16(std::span<const float> samples);
    float random(); // 0 to 1, from a fixed seed

    int m_channels;
    double m_ratio;
    bool m_passThrough;
    soxr *m_soxr = nullptr;
    std::vector<float> m_mono;
    std::vector<float> m_out;
    quint32 m_seed = 1;
};
