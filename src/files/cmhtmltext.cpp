#include "cmhtmltext.h"

#include "cmreader.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>

#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <string_view>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype maxStyleSheetBytes = 1024 * 1024;

bool among(std::string_view name, std::initializer_list<std::string_view> names)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool isBlock(std::string_view name)
{
    return among(name, {"address", "article", "aside", "blockquote", "body", "caption", "center",
                        "dd", "details", "dialog", "dir", "div", "dl", "dt", "fieldset",
                        "figcaption", "figure", "footer", "form", "h1", "h2", "h3", "h4", "h5",
                        "h6", "header", "hgroup", "hr", "html", "legend", "li", "main", "menu",
                        "nav", "ol", "p", "section", "summary", "table", "tbody", "tfoot",
                        "thead", "ul"});
}

bool isSkipped(std::string_view name)
{
    return among(name, {"head", "title", "script", "style", "template", "noscript", "iframe",
                        "object", "embed", "applet", "svg", "select", "datalist", "textarea",
                        "audio", "video", "canvas", "noframes", "noembed", "rp", "rt", "del"});
}

bool containsAny(const QByteArray &lowered, std::initializer_list<const char *> parts)
{
    return std::any_of(parts.begin(), parts.end(),
                       [&lowered](const char *part) { return lowered.contains(part); });
}

// What word processors and converters mark as not body text when they write a page: page
// headers and footers, notes and their marks, comments. Their conventions, not HTML's.
bool isNotBody(std::string_view name, std::string_view value)
{
    const QByteArray lowered = QByteArray(value.data(), qsizetype(value.size())).toLower();
    if (name == "class")
        return containsAny(lowered, {"footnote", "endnote", "annotation", "comment"});
    if (name == "id") {
        static const QRegularExpression note(u"^(_?ftn|ftnt|_?edn|body_ftn|sdfootnote|sdendnote)"_s);
        return note.match(QString::fromLatin1(lowered)).hasMatch();
    }
    if (name == "title")
        return lowered == "header" || lowered == "footer";
    if (name == "style")
        return lowered.contains("mso-element:")
               && containsAny(lowered, {"header", "footer", "footnote", "endnote", "comment"});
    return false;
}

bool isPre(std::string_view name)
{
    return among(name, {"pre", "listing", "xmp", "plaintext"});
}

bool hides(QByteArray style)
{
    style = style.toLower();
    style.replace(' ', QByteArray());
    return style.contains("display:none") || style.contains("visibility:hidden");
}

CMHtmlText *self(void *context)
{
    return static_cast<CMHtmlText *>(static_cast<htmlParserCtxtPtr>(context)->_private);
}

void onStart(void *context, const xmlChar *name, const xmlChar **attributes)
{
    self(context)->startElement(reinterpret_cast<const char *>(name),
                                reinterpret_cast<const char *const *>(attributes));
}

void onEnd(void *context, const xmlChar *name)
{
    self(context)->endElement(reinterpret_cast<const char *>(name));
}

void onCharacters(void *context, const xmlChar *bytes, int length)
{
    self(context)->characters(reinterpret_cast<const char *>(bytes), length);
}

} // namespace

CMHtmlText::CMHtmlText(_xmlParserCtxt *parser, qsizetype maxChars, int maxDepth)
    : m_parser(parser), m_maxChars(maxChars), m_maxDepth(maxDepth)
{
    // Only these events: no tree is built, so memory follows the text.
    std::memset(parser->sax, 0, sizeof(*parser->sax));
    parser->sax->startElement = onStart;
    parser->sax->endElement = onEnd;
    parser->sax->characters = onCharacters;
    parser->sax->ignorableWhitespace = onCharacters;
    parser->userData = parser;
    parser->_private = this;
}

void CMHtmlText::stop(const QString &reason)
{
    if (m_failure.isEmpty())
        m_failure = reason;
    xmlStopParser(m_parser);
}

void CMHtmlText::startElement(const char *name, const char *const *attributes)
{
    if (!m_failure.isEmpty())
        return;
    if (int(m_stack.size()) >= m_maxDepth) {
        stop(u"the page's elements are nested more than %1 deep"_s.arg(m_maxDepth));
        return;
    }
    const std::string_view tag = name;
    Kind kind = Kind::Inline;
    if (tag == "style")
        m_styleSheet = std::make_unique<QByteArray>();
    if (m_skipDepth > 0 || isSkipped(tag) || isHidden(attributes))
        kind = Kind::Skipped;
    else if (tag == "tr")
        kind = Kind::Row;
    else if (tag == "td" || tag == "th")
        kind = Kind::Cell;
    else if (isPre(tag))
        kind = Kind::Pre;
    else if (isBlock(tag))
        kind = Kind::Block;

    switch (kind) {
    case Kind::Skipped: ++m_skipDepth; break;
    case Kind::Block:
    case Kind::Row: breakLine(); break;
    case Kind::Pre: breakLine(); ++m_preDepth; break;
    case Kind::Cell: m_spacePending = false; break;
    case Kind::Inline:
        if (tag == "br") {
            m_spacePending = false;
            append(u"\n");
        }
        break;
    }
    m_stack.push_back({kind, m_text.size()});
}

void CMHtmlText::endElement(const char *name)
{
    if (m_stack.empty() || !m_failure.isEmpty())
        return;
    const Frame frame = m_stack.back();
    m_stack.pop_back();
    switch (frame.kind) {
    case Kind::Skipped:
        --m_skipDepth;
        if (m_styleSheet && std::string_view(name) == "style") {
            readStyleSheet(*m_styleSheet);
            m_styleSheet.reset();
        }
        break;
    case Kind::Pre: --m_preDepth; breakLine(); break;
    case Kind::Block: breakLine(); break;
    case Kind::Cell:
        m_spacePending = false;
        CMTableText::endCell(m_text, frame.start);
        break;
    case Kind::Row:
        m_spacePending = false;
        if (m_text.endsWith(u'\t'))
            m_text.back() = u'\n';
        else if (!m_text.isEmpty() && !m_text.endsWith(u'\n'))
            m_text += u'\n';
        break;
    case Kind::Inline: break;
    }
}

// Hidden by the `hidden` attribute, an inline style, a class the page's style sheet hides, or
// a word processor's mark for what is not body text.
bool CMHtmlText::isHidden(const char *const *attributes) const
{
    for (const char *const *a = attributes; a && a[0]; a += 2) {
        const std::string_view name = a[0];
        if (name == "hidden")
            return true;
        if (!a[1])
            continue;
        if (isNotBody(name, a[1]) || (name == "style" && hides(a[1])))
            return true;
        if (name == "class" && !m_hiddenClasses.isEmpty()) {
            for (const QByteArray &token : QByteArray(a[1]).split(' '))
                if (m_hiddenClasses.contains(token))
                    return true;
        }
    }
    return false;
}

// The classes a style sheet hides outright (".name { display: none }"); nothing subtler.
void CMHtmlText::readStyleSheet(const QByteArray &css)
{
    static const QRegularExpression rule(u"\\.([A-Za-z0-9_-]+)\\s*\\{([^}]*)\\}"_s);
    auto it = rule.globalMatch(QString::fromUtf8(css));
    while (it.hasNext() && m_hiddenClasses.size() < 10'000) {
        const auto match = it.next();
        if (hides(match.captured(2).toUtf8()))
            m_hiddenClasses.insert(match.captured(1).toUtf8());
    }
}

// A new line, unless the line (or the table cell) has nothing in it yet.
void CMHtmlText::breakLine()
{
    m_spacePending = false;
    qsizetype cellStart = 0;
    for (auto it = m_stack.rbegin(); it != m_stack.rend(); ++it) {
        if (it->kind == Kind::Cell) {
            cellStart = it->start;
            break;
        }
    }
    if (m_text.size() > cellStart && !m_text.endsWith(u'\n'))
        m_text += u'\n';
}

void CMHtmlText::append(QStringView text)
{
    if (m_spacePending) {
        m_spacePending = false;
        m_text += u' ';
    }
    m_text += text;
    if (m_text.size() > m_maxChars)
        stop(CMReadLimits::textTooLong());
}

// Outside <pre>, each run of white space is one space, and none starts or ends a line.
void CMHtmlText::characters(const char *bytes, int length)
{
    if (m_styleSheet && m_styleSheet->size() < maxStyleSheetBytes)
        m_styleSheet->append(bytes, length);
    if (m_skipDepth > 0 || !m_failure.isEmpty() || length <= 0)
        return;
    QString text = QString::fromUtf8(bytes, length);
    text.remove(QChar(0x00AD)); // soft hyphens only show where a line breaks
    if (m_preDepth > 0) {
        append(text);
        return;
    }
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r' && c != u'\f')
            continue;
        if (i > from)
            append(QStringView(text).sliced(from, i - from));
        from = i + 1;
        if (!m_text.isEmpty() && !m_text.endsWith(u'\n') && !m_text.endsWith(u'\t'))
            m_spacePending = true;
    }
    if (from < text.size())
        append(QStringView(text).sliced(from));
}
