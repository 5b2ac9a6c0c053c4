#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstddef>

// The byte-level rules the XML scanner's two halves share (cmxmlscanner.cpp reads the stream,
// cmxmltags.cpp the tags in it).
namespace CMXml {

inline constexpr qsizetype maxTagBytes = 1024 * 1024; // kept of one tag that spans chunks
inline constexpr qsizetype maxNameBytes = 1024;
inline constexpr qsizetype maxEntityBytes = 32;
inline constexpr size_t maxAttributes = 10000;
inline constexpr qsizetype textPieceBytes = 64 * 1024;

inline bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

// Byte classes, looked up once per byte in the loops that see every byte of a tag.
enum : quint8 { nameStart = 1, nameChar = 2, tagStop = 4 };

inline constexpr std::array<quint8, 256> byteClasses = [] {
    std::array<quint8, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        const bool start = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':'
                           || c >= 0x80;
        if (start)
            classes[size_t(c)] |= nameStart | nameChar;
        if ((c >= '0' && c <= '9') || c == '-' || c == '.')
            classes[size_t(c)] |= nameChar;
    }
    for (const char c : {'"', '\'', '>'})
        classes[static_cast<unsigned char>(c)] |= tagStop;
    return classes;
}();

inline quint8 byteClass(char c)
{
    return byteClasses[static_cast<unsigned char>(c)];
}

inline bool isNameStart(char c)
{
    return byteClass(c) & nameStart;
}

// The UTF-8 of an entity reference's name (between '&' and ';'); false when it is none of
// the five predefined ones or a valid character reference.
bool appendEntity(QByteArray &out, QByteArrayView name);

} // namespace CMXml
