#include "cmplaintext.h"

#include "cmcodepage.h"

#include <QStringDecoder>

namespace CMPlainText {

namespace {

enum class Endian { Little, Big };

// Strict: an odd byte count or an unpaired surrogate is not UTF-16.
std::optional<QString> decodeUtf16(QByteArrayView bytes, Endian endian)
{
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    QString out(bytes.size() / 2, Qt::Uninitialized);
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype units = bytes.size() / 2;
    bool expectLow = false;
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t u = endian == Endian::Little ? char16_t(p[2 * i] | p[2 * i + 1] << 8)
                                                    : char16_t(p[2 * i] << 8 | p[2 * i + 1]);
        const bool high = QChar::isHighSurrogate(u);
        const bool low = QChar::isLowSurrogate(u);
        if (expectLow != low || (expectLow && high))
            return std::nullopt;
        expectLow = high;
        dst[i] = u;
    }
    if (expectLow)
        return std::nullopt;
    return out;
}

std::optional<QString> decodeUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString out = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return out;
}

// Text saved as UTF-16 without a byte-order mark shows its NULs in every other byte; any
// other NUL means the file is not text at all.
std::optional<QString> decodeWithNuls(QByteArrayView bytes)
{
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    qsizetype evenNuls = 0;
    qsizetype oddNuls = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (bytes[i] == 0)
            ++(i % 2 ? oddNuls : evenNuls);
    const qsizetype units = bytes.size() / 2;
    if (evenNuls == 0 && oddNuls * 4 >= units)
        return decodeUtf16(bytes, Endian::Little);
    if (oddNuls == 0 && evenNuls * 4 >= units)
        return decodeUtf16(bytes, Endian::Big);
    return std::nullopt;
}

} // namespace

std::optional<QString> decode(QByteArrayView bytes)
{
    if (bytes.size() >= 2) {
        const auto b0 = static_cast<unsigned char>(bytes[0]);
        const auto b1 = static_cast<unsigned char>(bytes[1]);
        if (b0 == 0xFF && b1 == 0xFE)
            return decodeUtf16(bytes.sliced(2), Endian::Little);
        if (b0 == 0xFE && b1 == 0xFF)
            return decodeUtf16(bytes.sliced(2), Endian::Big);
    }
    if (bytes.contains('\0'))
        return decodeWithNuls(bytes);
    if (auto text = decodeUtf8(bytes))
        return text;
    if (auto text = CMCodePage::decodeStrict(bytes, CMCodePage::windowsLatin1))
        return text;
    return CMCodePage::decodeStrict(bytes, CMCodePage::macRoman);
}

} // namespace CMPlainText
