#include "cmxmlscanner.h"

#include "cmxmlchars.h"

#include <algorithm>
#include <cstring>

using namespace Qt::StringLiterals;
using namespace CMXml;

namespace {

// Where the tag that starts at `p` ends (its '>'), quoted values passed over; null when the
// end is not before `end`. `quote` carries an open quote into and out of the search.
const char *tagEnd(const char *p, const char *end, char &quote)
{
    while (p < end) {
        if (quote) {
            const char *close = static_cast<const char *>(std::memchr(p, quote, size_t(end - p)));
            if (!close)
                return nullptr;
            quote = 0;
            p = close + 1;
            continue;
        }
        while (p < end && !(byteClass(*p) & tagStop))
            ++p;
        if (p == end)
            return nullptr;
        if (*p == '>')
            return p;
        quote = *p++;
    }
    return nullptr;
}

void appendUtf8(QByteArray &out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

} // namespace

namespace CMXml {

bool appendEntity(QByteArray &out, QByteArrayView name)
{
    if (name == "lt") { out += '<'; return true; }
    if (name == "gt") { out += '>'; return true; }
    if (name == "amp") { out += '&'; return true; }
    if (name == "quot") { out += '"'; return true; }
    if (name == "apos") { out += '\''; return true; }
    if (name.size() < 2 || name[0] != '#')
        return false;
    const bool hex = name[1] == 'x';
    const QByteArrayView digits = name.sliced(hex ? 2 : 1);
    if (digits.isEmpty())
        return false;
    char32_t c = 0;
    for (const char d : digits) {
        int v;
        if (d >= '0' && d <= '9')
            v = d - '0';
        else if (hex && d >= 'a' && d <= 'f')
            v = d - 'a' + 10;
        else if (hex && d >= 'A' && d <= 'F')
            v = d - 'A' + 10;
        else
            return false;
        c = c * (hex ? 16 : 10) + char32_t(v);
        if (c > 0x10FFFF)
            return false;
    }
    if (c == 0 || (c >= 0xD800 && c <= 0xDFFF))
        return false;
    appendUtf8(out, c);
    return true;
}

} // namespace CMXml

CMXmlScanner::CMXmlScanner(QList<QByteArrayView> namespaces, Handler &handler, int maxDepth)
    : m_handler(handler), m_maxDepth(maxDepth), m_decoder(QStringDecoder::Utf8)
{
    for (const QByteArrayView ns : namespaces)
        m_namespaces.append(ns.toByteArray());
}

void CMXmlScanner::damaged(const QString &what)
{
    fail(u"the document's XML is damaged (%1)"_s.arg(what));
}

void CMXmlScanner::fail(const QString &reason)
{
    if (m_failure.isEmpty())
        m_failure = reason;
}

bool CMXmlScanner::feed(QByteArrayView chunk)
{
    if (failed())
        return false;
    if (m_state == State::Start) {
        // The encoding shows in the first four bytes (a byte-order mark, or "<?" in UTF-16).
        m_first += chunk;
        if (m_first.size() < 4)
            return true;
        const QByteArray first = std::exchange(m_first, {});
        m_state = State::Text;
        if (first.startsWith("\xFF\xFE") || first.startsWith("<\0?\0"_ba)) {
            m_utf16 = true;
            m_utf16Decoder = QStringDecoder(QStringDecoder::Utf16LE);
        } else if (first.startsWith("\xFE\xFF") || first.startsWith("\0<\0?"_ba)) {
            m_utf16 = true;
            m_utf16Decoder = QStringDecoder(QStringDecoder::Utf16BE);
        }
        const bool bom = !m_utf16 && first.startsWith("\xEF\xBB\xBF");
        return feed(QByteArrayView(first).sliced(bom ? 3 : 0));
    }
    if (m_utf16) {
        const QByteArray utf8 = QString(m_utf16Decoder.decode(chunk)).toUtf8();
        scan(utf8.constData(), utf8.constData() + utf8.size());
    } else {
        scan(chunk.data(), chunk.data() + chunk.size());
    }
    return !failed();
}

bool CMXmlScanner::finish()
{
    if (m_state == State::Start) {
        const QByteArray first = std::exchange(m_first, {});
        m_state = State::Text;
        scan(first.constData(), first.constData() + first.size());
    }
    flushText();
    if (failed())
        return false;
    if (m_state != State::Text || !m_openStarts.empty() || !m_rootSeen) {
        fail(u"the document's XML ends too early"_s);
        return false;
    }
    return true;
}

void CMXmlScanner::scan(const char *p, const char *end)
{
    while (p < end && !failed()) {
        switch (m_state) {
        case State::Start:
        case State::Text: p = scanText(p, end); break;
        case State::Markup: p = scanMarkup(p, end); break;
        case State::Tag: p = scanTag(p, end); break;
        case State::Entity: p = scanEntity(p, end); break;
        case State::Comment: p = scanSkipped(p, end, '-', 2); break;
        case State::Pi: p = scanSkipped(p, end, '?', 1); break;
        case State::CData: p = scanCData(p, end); break;
        }
    }
    if (m_text.size() >= textPieceBytes)
        flushText();
}

const char *CMXmlScanner::scanText(const char *p, const char *end)
{
    const char *q = p;
    while (q < end && *q != '<' && *q != '&')
        ++q;
    addText(p, q - p);
    if (q == end)
        return end;
    if (*q == '&') {
        m_token.resize(0);
        m_state = State::Entity;
        return q + 1;
    }
    flushText();
    if (m_decoderUsed) {
        m_decoder.resetState();
        m_decoderUsed = false;
    }
    // A tag wholly inside this chunk is read where it lies.
    if (q + 1 < end && (q[1] == '/' || isNameStart(q[1]))) {
        char quote = 0;
        if (const char *r = tagEnd(q + 1, end, quote)) {
            m_truncated = false;
            tag(QByteArrayView(q, r - q), r[-1] == '/');
            return r + 1;
        }
    }
    m_token = "<"_ba;
    m_state = State::Markup;
    return q + 1;
}

// After '<': what kind of markup it opens, once enough of it is there to tell.
const char *CMXmlScanner::scanMarkup(const char *p, const char *end)
{
    while (p < end) {
        m_token += *p++;
        const char c = m_token[1];
        if (c == '/' || isNameStart(c)) {
            m_state = State::Tag;
            m_quote = 0;
            m_truncated = false;
            m_tagLast = c;
            return p;
        }
        if (c == '?') {
            m_state = State::Pi;
            m_run = 0;
            return p;
        }
        if (c != '!') {
            damaged(u"a stray \u201C<\u201D"_s);
            return end;
        }
        static constexpr QByteArrayView comment = "<!--", cdata = "<![CDATA[", doctype = "<!DOCTYPE";
        if (m_token == comment) {
            m_state = State::Comment;
            m_run = 0;
            return p;
        }
        if (m_token == cdata) {
            m_state = State::CData;
            m_run = 0;
            return p;
        }
        if (m_token == doctype) {
            damaged(u"a document type declaration"_s);
            return end;
        }
        if (!comment.startsWith(m_token) && !cdata.startsWith(m_token) && !doctype.startsWith(m_token)) {
            damaged(u"a stray \u201C<!\u201D"_s);
            return end;
        }
    }
    return p;
}

// A tag that did not fit in one chunk: gathered up to its '>', the part beyond the cap
// passed over (its remaining attributes are lost, never its end).
const char *CMXmlScanner::scanTag(const char *p, const char *end)
{
    const char *found = tagEnd(p, end, m_quote);
    const char *q = found ? found : end;
    if (q > p)
        m_tagLast = q[-1];
    const qsizetype room = std::max<qsizetype>(0, maxTagBytes - m_token.size());
    if (q - p > room)
        m_truncated = true;
    m_token.append(p, std::min<qsizetype>(q - p, room));
    if (q == end)
        return end;
    m_state = State::Text;
    tag(m_token, m_tagLast == '/');
    m_token.resize(0);
    return q + 1;
}

const char *CMXmlScanner::scanEntity(const char *p, const char *end)
{
    const qsizetype look = std::min<qsizetype>(end - p, maxEntityBytes + 1);
    const char *semicolon = static_cast<const char *>(std::memchr(p, ';', size_t(look)));
    m_token.append(p, (semicolon ? semicolon : p + look) - p);
    if (m_token.size() > maxEntityBytes) {
        damaged(u"an unknown entity"_s);
        return end;
    }
    if (!semicolon)
        return end;
    QByteArray utf8;
    if (!appendEntity(utf8, m_token)) {
        damaged(u"an unknown entity \u201C&%1;\u201D"_s.arg(QString::fromUtf8(m_token)));
        return end;
    }
    m_state = State::Text;
    addText(utf8.constData(), utf8.size());
    return semicolon + 1;
}

// Comments and processing instructions: passed over up to the closing "-->" or "?>" without
// being kept, however long they are.
const char *CMXmlScanner::scanSkipped(const char *p, const char *end, char repeated, int count)
{
    while (p < end) {
        const char *gt = static_cast<const char *>(std::memchr(p, '>', size_t(end - p)));
        const char *stop = gt ? gt : end;
        const char *r = stop;
        while (r > p && r[-1] == repeated)
            --r;
        const int run = int(std::min<qsizetype>(stop - r, count)) + (r == p ? m_run : 0);
        m_run = std::min(run, count);
        if (!gt)
            return end;
        if (m_run >= count) {
            m_state = State::Text;
            m_run = 0;
            return gt + 1;
        }
        m_run = 0;
        p = gt + 1;
    }
    return p;
}

// CDATA content is text as it stands; a ']' is held back until it is known not to begin "]]>".
const char *CMXmlScanner::scanCData(const char *p, const char *end)
{
    while (p < end) {
        if (m_run == 0) {
            const char *bracket = static_cast<const char *>(std::memchr(p, ']', size_t(end - p)));
            if (!bracket) {
                addText(p, end - p);
                return end;
            }
            addText(p, bracket - p);
            p = bracket + 1;
            m_run = 1;
            continue;
        }
        const char c = *p;
        if (c == ']') {
            if (m_run == 2)
                addText("]", 1);
            m_run = 2;
            ++p;
            continue;
        }
        if (c == '>' && m_run == 2) {
            m_run = 0;
            m_state = State::Text;
            return p + 1;
        }
        addText("]]", m_run);
        m_run = 0;
    }
    return end;
}

void CMXmlScanner::addText(const char *p, qsizetype n)
{
    if (n <= 0)
        return;
    if (m_openStarts.empty()) {
        if (!std::all_of(p, p + n, isSpace))
            damaged(u"text outside the document"_s);
        return;
    }
    if (!m_handler.wantsCharacters())
        return;
    m_text.append(p, n);
    if (m_text.size() >= textPieceBytes)
        flushText();
}

void CMXmlScanner::flushText()
{
    if (m_text.isEmpty())
        return;
    if (m_decoded.size() < m_text.size())
        m_decoded.resize(m_text.size());
    const QChar *end = m_decoder.appendToBuffer(m_decoded.data(), m_text);
    m_decoderUsed = true;
    m_text.resize(0);
    m_handler.characters(QStringView(m_decoded.constData(), end - m_decoded.constData()));
}
