#include "cmwavfile.h"

#include <QFile>
#include <QtEndian>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

quint16 u16(const char *p)
{
    return qFromLittleEndian<quint16>(p);
}

quint32 u32(const char *p)
{
    return qFromLittleEndian<quint32>(p);
}

CMWavFile failure(const QString &why)
{
    CMWavFile file;
    file.error = why;
    return file;
}

} // namespace

double CMWavFile::seconds() const
{
    return sampleRate > 0 && channels > 0
               ? double(samples.size()) / double(channels) / double(sampleRate)
               : 0.0;
}

CMWavFile CMWavFile::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(u"The file can't be opened: %1."_s.arg(file.errorString()));
    if (file.size() > maxBytes)
        return failure(u"The file is larger than 1 GB."_s);
    return parse(file.readAll());
}

CMWavFile CMWavFile::parse(const QByteArray &bytes)
{
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return failure(u"The file is not a WAV recording."_s);
    int format = 0, channels = 0, bits = 0;
    quint32 rate = 0;
    const char *pcm = nullptr;
    qsizetype pcmBytes = 0;
    for (qsizetype pos = 12; pos + 8 <= size;) {
        const char *chunk = data + pos;
        const qsizetype length = u32(chunk + 4);
        const qsizetype body = pos + 8;
        const qsizetype available = std::min(length, size - body);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && available >= 16) {
            format = u16(chunk + 8);
            channels = u16(chunk + 10);
            rate = u32(chunk + 12);
            bits = u16(chunk + 22);
            if (format == 0xFFFE && available >= 26)
                format = u16(chunk + 8 + 24);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            pcm = chunk + 8;
            pcmBytes = available;
            break;
        }
        pos = body + length + (length & 1);
    }
    if (!pcm || channels <= 0)
        return failure(u"The WAV file has no sound data."_s);
    const bool integer = format == 1 && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
    const bool floating = format == 3 && bits == 32;
    if (!integer && !floating)
        return failure(u"The WAV file's sample format is not supported (PCM or 32-bit float)."_s);
    if (rate < 8000 || rate > 384000 || channels > 32)
        return failure(u"The WAV file's rate or channel count is out of range."_s);

    CMWavFile out;
    out.sampleRate = int(rate);
    out.channels = channels;
    const qsizetype width = bits / 8;
    const qsizetype count = pcmBytes / width / channels * channels;
    out.samples.resize(std::size_t(count));
    for (qsizetype i = 0; i < count; ++i) {
        const char *p = pcm + i * width;
        float v = 0;
        if (floating) {
            std::memcpy(&v, p, 4);
            v = qFromLittleEndian(v);
            if (!(v >= -1.0f && v <= 1.0f))
                v = v > 0 ? 1.0f : -1.0f; // NaN and overloads clip
        } else if (bits == 8) {
            v = (float(quint8(*p)) - 128.0f) / 128.0f;
        } else if (bits == 16) {
            v = float(qint16(u16(p))) / 32768.0f;
        } else if (bits == 24) {
            const qint32 s = qint32(quint32(quint8(p[0])) << 8 | quint32(quint8(p[1])) << 16
                                    | quint32(quint8(p[2])) << 24);
            v = float(s / 256) / 8388608.0f;
        } else {
            v = float(double(qint32(u32(p))) / 2147483648.0);
        }
        out.samples[std::size_t(i)] = v;
    }
    return out;
}
