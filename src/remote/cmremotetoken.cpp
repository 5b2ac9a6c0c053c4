#include "cmremotetoken.h"

#include <QRandomGenerator>
#include <array>

namespace CMRemoteToken {

QByteArray generate()
{
    std::array<quint32, 8> words;
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray raw(reinterpret_cast<const char *>(words.data()),
                         qsizetype(words.size() * sizeof(quint32)));
    return raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

bool matches(QByteArrayView given, QByteArrayView expected)
{
    if (expected.isEmpty())
        return false;
    unsigned diff = given.size() == expected.size() ? 0u : 1u;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const char g = i < given.size() ? given[i] : '\0';
        diff |= unsigned(static_cast<unsigned char>(g ^ expected[i]));
    }
    return diff == 0;
}

} // namespace CMRemoteToken
