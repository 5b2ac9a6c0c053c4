#include "cmxmlscanner.h"

#include <algorithm>
#include <array>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype maxTagBytes = 1024 * 1024;  // kept of one tag that spans chunks
constexpr qsizetype maxNameBytes = 1024;
constexpr qsizetype maxEntityBytes = 32;
constexpr size_t maxAttributes = 10000;
constexpr qsizetype textPieceBytes = 64 * 1024;

bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

// Byte classes, looked up once per byte in the loops that see every byte of a tag.
enum : quint8 { nameStart = 1, nameChar = 2, tagStop = 4 };

constexpr std::array<quint8, 256> byteClasses = [] {
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

quint8 byteClass(char c)
{
    return byteClasses[static_cast<unsigned char>(c)];
}

bool isNameStart(char c)
{
    return byteClass(c) & nameStart;
}

bool isName(QByteArrayView name)
{
    if (name.isEmpty() || name.size() > maxNameBytes || !isNameStart(name.front()))
        return false;
    for (const char c : name)
        if (!(byteClass(c) & nameChar))
            return false;
    return true;
}

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

std::pair<QByteArrayView, QByteArrayView> split(QByteArrayView qualified)
{
    const auto *colon = static_cast<const char *>(
        std::memchr(qualified.data(), ':', size_t(qualified.size())));
    if (!colon)
        return {{}, qualified};
    const qsizetype at = colon - qualified.data();
    return {qualified.first(at), qualified.sliced(at + 1)};
}

bool declaresNamespaces(QByteArrayView attributes)
{
    const char *p = attributes.data();
    const char *end = p + attributes.size();
    while ((p = static_cast<const char *>(std::memchr(p, 'x', size_t(end - p))))) {
        if (end - p >= 5 && std::memcmp(p, "xmlns", 5) == 0)
            return true;
        ++p;
    }
    return false;
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

// The UTF-8 of an entity reference's name (between '&' and ';'); false when it is none of
// the five predefined ones or a valid character reference.
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

QString decodeValue(QByteArrayView raw)
{
    if (!raw.contains('&'))
        return QString::fromUtf8(raw);
    QByteArray out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const qsizetype semicolon = raw[i] == '&' ? raw.indexOf(';', i) : -1;
        if (semicolon > i && appendEntity(out, raw.sliced(i + 1, semicolon - i - 1))) {
            i = semicolon;
            continue;
        }
        out += raw[i];
    }
    return QString::fromUtf8(out);
}

} // namespace

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

void CMXmlScanner::tag(QByteArrayView tag, bool selfClosing)
{
    if (tag.size() > maxTagBytes) {
        tag.truncate(maxTagBytes);
        m_truncated = true;
    }
    if (tag.size() > 1 && tag[1] == '/')
        endTag(tag);
    else
        startTag(tag, selfClosing);
}

void CMXmlScanner::startTag(QByteArrayView tag, bool selfClosing)
{
    // The name, checked as it is read: it ends at white space, '/' or the end of the tag.
    qsizetype i = 1;
    while (i < tag.size() && (byteClass(tag[i]) & nameChar))
        ++i;
    const QByteArrayView qualified = tag.sliced(1, i - 1);
    if (qualified.isEmpty() || qualified.size() > maxNameBytes || !isNameStart(qualified.front())
        || (i < tag.size() && !isSpace(tag[i]) && tag[i] != '/')) {
        damaged(u"a malformed tag"_s);
        return;
    }
    QByteArrayView rest = tag.sliced(i);
    if (selfClosing && rest.endsWith('/'))
        rest.chop(1);
    if (m_rootSeen && m_openStarts.empty()) {
        damaged(u"content after the end of the document"_s);
        return;
    }
    if (depth() >= m_maxDepth) {
        fail(u"the document's XML is nested more than %1 deep"_s.arg(m_maxDepth));
        return;
    }
    // Attributes are read when the handler asks for one; only namespace declarations are
    // looked for on every tag.
    m_rest = rest;
    m_attributesRead = false;
    if (declaresNamespaces(rest)) {
        if (!readAttributes() && !m_truncated) {
            damaged(u"a malformed tag"_s);
            return;
        }
        for (const Attribute &attribute : std::as_const(m_attributes)) {
            if (attribute.prefix.isEmpty() && attribute.name == "xmlns")
                declare({}, attribute.value);
            else if (attribute.prefix == "xmlns")
                declare(attribute.name, attribute.value);
        }
        m_attributesRead = false; // their prefixes may use these declarations
    }
    const auto [prefix, name] = split(qualified);
    const int ns = resolve(prefix);
    m_openStarts.push_back(qsizetype(m_openNames.size()));
    m_openNames.append(qualified.data(), size_t(qualified.size()));
    m_rootSeen = true;
    m_handler.startElement(ns, name);
    m_rest = {};
    m_attributesRead = true;
    m_attributes.clear();
    if (selfClosing && !failed()) {
        m_handler.endElement(ns, name);
        endTag({});
    }
}

// The end of the innermost element; `tag` is its end tag, or empty after a self-closing tag.
void CMXmlScanner::endTag(QByteArrayView tag)
{
    if (!tag.isEmpty()) {
        QByteArrayView qualified = tag.sliced(2);
        while (!qualified.isEmpty() && isSpace(qualified.back()))
            qualified.chop(1);
        if (m_openStarts.empty()) {
            damaged(u"an end tag without its start"_s);
            return;
        }
        const std::string_view open = std::string_view(m_openNames).substr(size_t(m_openStarts.back()));
        if (std::string_view(qualified.data(), size_t(qualified.size())) != open) {
            damaged(u"an end tag that doesn't match its start"_s);
            return;
        }
        const auto [prefix, name] = split(qualified);
        m_handler.endElement(resolve(prefix), name);
    }
    m_openNames.resize(size_t(m_openStarts.back()));
    m_openStarts.pop_back();
    const int level = depth();
    if (!m_declarations.empty() && m_declarations.back().depth > level) {
        while (!m_declarations.empty() && m_declarations.back().depth > level)
            m_declarations.pop_back();
        for (CacheEntry &entry : m_cache)
            entry.valid = false;
    }
}

// The attributes of the current start tag, their prefixes resolved. False when the tag is
// malformed; what was read before the fault is kept.
bool CMXmlScanner::readAttributes() const
{
    if (m_attributesRead)
        return true;
    m_attributesRead = true;
    m_attributes.clear();
    const QByteArrayView rest = m_rest;
    const qsizetype n = rest.size();
    qsizetype i = 0;
    for (;;) {
        while (i < n && isSpace(rest[i]))
            ++i;
        if (i >= n)
            return true;
        if (m_attributes.size() >= maxAttributes)
            return false;
        const qsizetype start = i;
        while (i < n && !isSpace(rest[i]) && rest[i] != '=')
            ++i;
        const QByteArrayView qualified = rest.sliced(start, i - start);
        while (i < n && isSpace(rest[i]))
            ++i;
        if (!isName(qualified) || i >= n || rest[i] != '=')
            return false;
        ++i;
        while (i < n && isSpace(rest[i]))
            ++i;
        if (i >= n || (rest[i] != '"' && rest[i] != '\''))
            return false;
        const qsizetype close = rest.indexOf(rest[i], i + 1);
        if (close < 0)
            return false;
        const auto [prefix, name] = split(qualified);
        int ns = noNamespace;
        if (prefix == "xmlns")
            ns = otherNamespace;
        else if (!prefix.isEmpty())
            ns = resolve(prefix);
        m_attributes.push_back({prefix, name, rest.sliced(i + 1, close - i - 1), ns});
        i = close + 1;
    }
}

void CMXmlScanner::declare(QByteArrayView prefix, QByteArrayView uri)
{
    const QByteArray decoded = decodeValue(uri).toUtf8();
    const int ns = int(m_namespaces.indexOf(decoded));
    m_declarations.push_back({prefix.toByteArray(), ns < 0 ? otherNamespace : ns, depth() + 1});
    for (CacheEntry &entry : m_cache)
        entry.valid = false;
}

int CMXmlScanner::resolve(QByteArrayView prefix) const
{
    const std::string_view key(prefix.data(), size_t(prefix.size()));
    for (const CacheEntry &entry : m_cache)
        if (entry.valid && entry.prefix == key)
            return entry.ns;
    int ns = prefix.isEmpty() ? noNamespace : otherNamespace;
    if (prefix == "xml") {
        ns = xmlNamespace;
    } else {
        for (auto it = m_declarations.rbegin(); it != m_declarations.rend(); ++it) {
            if (it->prefix == prefix) {
                ns = it->ns;
                break;
            }
        }
    }
    // A document uses few prefixes on most of its tags; the lookups stay in two entries.
    CacheEntry &slot = m_cache[m_cacheNext];
    m_cacheNext ^= 1;
    slot.prefix.assign(key);
    slot.ns = ns;
    slot.valid = true;
    return ns;
}

QString CMXmlScanner::attribute(int ns, QByteArrayView name) const
{
    readAttributes();
    for (const Attribute &attribute : m_attributes)
        if (attribute.ns == ns && attribute.name == name)
            return decodeValue(attribute.value);
    return {};
}

QString CMXmlScanner::attribute(QByteArrayView name) const
{
    readAttributes();
    for (const Attribute &attribute : m_attributes)
        if (attribute.name == name && attribute.prefix != "xmlns")
            return decodeValue(attribute.value);
    return {};
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
