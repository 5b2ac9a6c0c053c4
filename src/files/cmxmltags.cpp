#include "cmxmlscanner.h"

#include "cmxmlchars.h"

#include <cstring>

using namespace Qt::StringLiterals;
using namespace CMXml;

namespace {

bool isName(QByteArrayView name)
{
    if (name.isEmpty() || name.size() > maxNameBytes || !isNameStart(name.front()))
        return false;
    for (const char c : name)
        if (!(byteClass(c) & nameChar))
            return false;
    return true;
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

