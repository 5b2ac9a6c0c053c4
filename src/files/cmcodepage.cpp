#include "cmcodepage.h"

#include <QHash>

#include <array>
#include <cerrno>
#include <iconv.h>

using namespace Qt::StringLiterals;

namespace CMCodePage {

namespace {

// 0 marks the five bytes that Windows-1252 leaves undefined.
constexpr std::array<char16_t, 32> cp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Mac OS Roman 0x80..0xFF (the euro sign at 0xDB; 0xF0 is the private-use U+F8FF).
constexpr std::array<char16_t, 128> macRomanHigh = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4,
    0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF,
    0x00F1, 0x00F3, 0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020,
    0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4,
    0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202,
    0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1,
    0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3,
    0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA,
    0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A,
    0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC,
    0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC, 0x00AF,
    0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7};

constexpr char16_t replacement = 0xFFFD;

char16_t tableChar(unsigned char byte, int codePage)
{
    if (byte < 0x80)
        return byte;
    if (codePage == macRoman)
        return macRomanHigh[byte - 0x80];
    if (byte >= 0xA0)
        return byte;
    return cp1252High[byte - 0x80];
}

bool hasTable(int codePage)
{
    return codePage == windowsLatin1 || codePage == macRoman;
}

const char *iconvName(int codePage)
{
    switch (codePage) {
    case 437: return "CP437";
    case 850: return "CP850";
    case 866: return "CP866";
    case 874: return "CP874";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    case 1361: return "CP1361";
    case 10001: return "CP932";
    case 10007: return "MAC-CYRILLIC";
    case 10029: return "MAC-CENTRALEUROPE";
    case 10079: return "MAC-IS";
    default: return nullptr;
    }
}

} // namespace

std::optional<QString> decodeStrict(QByteArrayView bytes, int codePage)
{
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    for (const char c : bytes) {
        const char16_t u = tableChar(static_cast<unsigned char>(c), codePage);
        if (u == 0 && c != 0)
            return std::nullopt;
        *dst++ = u;
    }
    return out;
}

int fromCharset(int charset)
{
    switch (charset) {
    case 77: return macRoman;
    case 78: return 10001;
    case 89: return 10007;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
    }
}

char32_t symbolFontChar(QStringView fontName, unsigned char code)
{
    if (fontName.contains(u"wingdings", Qt::CaseInsensitive)) {
        switch (code) {
        case 0x6C: return 0x25CF;
        case 0x6E: return 0x25A0;
        case 0x71: return 0x2751;
        case 0x76: return 0x2756;
        case 0x9F: return 0x2022;
        case 0xA7: return 0x25AA;
        case 0xA8: return 0x25FB;
        case 0xD8: return 0x27A2;
        case 0xFB: return 0x2717;
        case 0xFC: return 0x2713;
        default: return 0;
        }
    }
    if (fontName.contains(u"symbol", Qt::CaseInsensitive)) {
        static constexpr char16_t upper[] = u"\u0391\u0392\u03A7\u0394\u0395\u03A6\u0393\u0397"
                                            u"\u0399\u03D1\u039A\u039B\u039C\u039D\u039F\u03A0"
                                            u"\u0398\u03A1\u03A3\u03A4\u03A5\u03C2\u03A9\u039E"
                                            u"\u03A8\u0396";
        static constexpr char16_t lower[] = u"\u03B1\u03B2\u03C7\u03B4\u03B5\u03C6\u03B3\u03B7"
                                            u"\u03B9\u03D5\u03BA\u03BB\u03BC\u03BD\u03BF\u03C0"
                                            u"\u03B8\u03C1\u03C3\u03C4\u03C5\u03D6\u03C9\u03BE"
                                            u"\u03C8\u03B6";
        if (code >= 'A' && code <= 'Z')
            return upper[code - 'A'];
        if (code >= 'a' && code <= 'z')
            return lower[code - 'a'];
        switch (code) {
        case 0x2D: return 0x2212;
        case 0xA3: return 0x2264;
        case 0xA5: return 0x221E;
        case 0xAC: return 0x2190;
        case 0xAE: return 0x2192;
        case 0xB0: return 0x00B0;
        case 0xB1: return 0x00B1;
        case 0xB3: return 0x2265;
        case 0xB4: return 0x00D7;
        case 0xB7: return 0x2022;
        case 0xB8: return 0x00F7;
        case 0xB9: return 0x2260;
        case 0xBB: return 0x2248;
        default: return code >= 0x20 && code < 0x7F ? code : 0;
        }
    }
    const char16_t c = tableChar(code, windowsLatin1);
    return c >= 0x20 ? c : 0;
}

struct Decoder::Converters
{
    QHash<int, iconv_t> open;
};

Decoder::Decoder() : m_converters(new Converters) {}

Decoder::~Decoder()
{
    for (iconv_t cd : std::as_const(m_converters->open))
        if (cd != iconv_t(-1))
            iconv_close(cd);
    delete m_converters;
}

void Decoder::append(QString &out, QByteArrayView bytes, int codePage)
{
    if (bytes.isEmpty())
        return;
    iconv_t cd = iconv_t(-1);
    if (!hasTable(codePage)) {
        auto it = m_converters->open.find(codePage);
        if (it == m_converters->open.end()) {
            const char *name = iconvName(codePage);
            it = m_converters->open.insert(codePage,
                                           name ? iconv_open("UTF-16LE", name) : iconv_t(-1));
        }
        cd = *it;
    }
    if (cd == iconv_t(-1)) {
        const int table = codePage == macRoman ? macRoman : windowsLatin1;
        out.reserve(out.size() + bytes.size());
        for (const char c : bytes) {
            const char16_t u = tableChar(static_cast<unsigned char>(c), table);
            out += QChar(u == 0 && c != 0 ? replacement : u);
        }
        return;
    }

    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    // UTF-16 never needs more than two units per input byte from these code pages.
    QByteArray buffer(bytes.size() * 4 + 8, Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char *outPtr = buffer.data();
        size_t outLeft = size_t(buffer.size());
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const qsizetype produced = buffer.size() - qsizetype(outLeft);
        out += QStringView(reinterpret_cast<const char16_t *>(buffer.constData()), produced / 2);
        if (rc != size_t(-1))
            break;
        if (errno == E2BIG)
            continue;
        out += QChar(replacement);
        if (errno == EINVAL)
            break;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
}

} // namespace CMCodePage
