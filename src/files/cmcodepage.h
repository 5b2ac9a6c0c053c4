#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// Single-byte and East Asian code pages of Windows and the classic Mac OS, as documents name
// them (RTF \ansicpg, \cpg and font charsets).
namespace CMCodePage {

constexpr int windowsLatin1 = 1252;
constexpr int macRoman = 10000;

// Every byte must be defined in the code page; nullopt otherwise (the plain-text rules try the
// next encoding). Only Windows-1252 and Mac OS Roman are decoded this strictly.
std::optional<QString> decodeStrict(QByteArrayView bytes, int codePage);

// The code page an RTF font charset stands for (0 when the charset says nothing of its own).
int fromCharset(int charset);

// The Unicode character that a symbol font draws for a byte (Word stores symbol-font
// characters as U+F000 + byte); 0 when it has none worth showing in a script.
char32_t symbolFontChar(QStringView fontName, unsigned char code);

// Decodes text of a document: undefined bytes become U+FFFD, never an error. Code pages this
// machine cannot decode fall back to Windows-1252.
class Decoder
{
public:
    Decoder();
    ~Decoder();
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;

    void append(QString &out, QByteArrayView bytes, int codePage);

private:
    struct Converters;
    Converters *m_converters;
};

} // namespace CMCodePage
