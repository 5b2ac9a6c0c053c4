#pragma once

#include <QByteArrayView>
#include <QtEndian>

// Little-endian reads from untrusted bytes: anything past the end reads as zero, so a short
// structure can never be read out of bounds. Callers that must tell "zero" from "missing" check
// fits() first.
namespace CMBytes {

inline bool fits(QByteArrayView bytes, qint64 offset, qint64 length)
{
    return offset >= 0 && length >= 0 && offset <= bytes.size() && length <= bytes.size() - offset;
}

inline quint8 u8(QByteArrayView bytes, qint64 offset)
{
    return fits(bytes, offset, 1) ? quint8(bytes[offset]) : 0;
}

inline quint16 u16(QByteArrayView bytes, qint64 offset)
{
    return fits(bytes, offset, 2) ? qFromLittleEndian<quint16>(bytes.data() + offset) : 0;
}

inline quint32 u32(QByteArrayView bytes, qint64 offset)
{
    return fits(bytes, offset, 4) ? qFromLittleEndian<quint32>(bytes.data() + offset) : 0;
}

inline quint64 u64(QByteArrayView bytes, qint64 offset)
{
    return fits(bytes, offset, 8) ? qFromLittleEndian<quint64>(bytes.data() + offset) : 0;
}

// The part of bytes at [offset, offset + length), clipped to what exists.
inline QByteArrayView slice(QByteArrayView bytes, qint64 offset, qint64 length)
{
    if (offset < 0 || offset >= bytes.size() || length <= 0)
        return {};
    return bytes.sliced(offset, std::min<qint64>(length, bytes.size() - offset));
}

} // namespace CMBytes
