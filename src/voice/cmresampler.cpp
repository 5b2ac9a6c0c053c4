#include "cmresampler.h"

#include "cmrecogniser.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>

CMResampler::CMResampler(int inputRate, int channels)
    : m_channels(std::max(channels, 1))
    , m_ratio(double(CMRecogniser::sampleRate) / std::max(inputRate, 1))
    , m_passThrough(inputRate == CMRecogniser::sampleRate)
{
    if (m_passThrough || inputRate <= 0 || channels <= 0)
        return;
    // Float out, made 16-bit here: the library would dither with a seed of its own, and the
    // same recording must always be heard the same way.
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_MQ, 0);
    soxr_error_t error = nullptr;
    m_soxr = soxr_create(inputRate, CMRecogniser::sampleRate, 1, &error, &io, &quality, nullptr);
    if (error) {
        soxr_delete(m_soxr);
        m_soxr = nullptr;
    }
}

CMResampler::~CMResampler()
{
    if (m_soxr)
        soxr_delete(m_soxr);
}

std::vector<qint16> CMResampler::push(std::span<const float> interleaved)
{
    const std::size_t frames = interleaved.size() / std::size_t(m_channels);
    m_mono.resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        float sum = 0;
        for (int c = 0; c < m_channels; ++c)
            sum += interleaved[i * std::size_t(m_channels) + std::size_t(c)];
        m_mono[i] = sum / float(m_channels);
    }
    return run(m_mono.data(), frames);
}

std::vector<qint16> CMResampler::flush()
{
    return m_passThrough ? std::vector<qint16>() : run(nullptr, 0);
}

float CMResampler::random()
{
    m_seed = m_seed * 1664525u + 1013904223u;
    return float(m_seed >> 8) / float(1 << 24);
}

// Rounded with a least significant bit of triangular noise: digital silence, exact zeros,
// throws the recogniser off, where a microphone's own hiss does not.
std::vector<qint16> CMResampler::toInt16(std::span<const float> samples)
{
    std::vector<qint16> out(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const float value = samples[i] * 32767.0f + random() - random();
        out[i] = qint16(std::lround(std::clamp(value, -32767.0f, 32767.0f)));
    }
    return out;
}

std::vector<qint16> CMResampler::run(const float *mono, std::size_t frames)
{
    if (m_passThrough)
        return toInt16({mono, frames});
    if (!m_soxr)
        return {};
    m_out.resize(std::size_t(std::ceil(double(frames) * m_ratio)) + 64);
    std::size_t used = 0, made = 0;
    for (;;) {
        std::size_t done = 0, got = 0;
        soxr_process(m_soxr, mono ? mono + used : nullptr, mono ? frames - used : 0, &done,
                     m_out.data() + made, m_out.size() - made, &got);
        used += done;
        made += got;
        if (made < m_out.size() && (mono ? used >= frames : got == 0))
            break;
        if (made == m_out.size())
            m_out.resize(m_out.size() * 2);
    }
    return toInt16({m_out.data(), made});
}
