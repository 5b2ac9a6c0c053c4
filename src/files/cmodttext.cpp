#include "cmodttext.h"

#include "cmreader.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int maxDepth = 5000;
constexpr int maxStyleChain = 32;
constexpr int maxSpaces = 1000;

enum Namespace : int { Office, Text, Table, StyleNs, Draw, Svg };

// Elements of the text namespace whose subtree is never body text.
bool skippedText(QByteArrayView name)
{
    static constexpr QByteArrayView names[] = {
        "tracked-changes", "note", "note-citation", "sequence-decls", "variable-decls",
        "user-field-decls", "dde-connection-decls", "number", "hidden-text", "hidden-paragraph",
        "ruby-text", "table-of-content-source", "illustration-index-source",
        "alphabetical-index-source", "table-index-source", "object-index-source",
        "user-index-source", "bibliography-source", "alphabetical-index-mark",
        "toc-mark", "user-index-mark"};
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

} // namespace

CMOdtText::CMOdtText(qsizetype maxChars)
    : m_xml({"urn:oasis:names:tc:opendocument:xmlns:office:1.0",
             "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
             "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
             "urn:oasis:names:tc:opendocument:xmlns:style:1.0",
             "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0",
             "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"},
            *this, maxDepth)
    , m_maxChars(maxChars)
{
}

bool CMOdtText::finish()
{
    return m_xml.finish();
}

bool CMOdtText::inBody() const
{
    return m_bodyDepth > 0;
}

bool CMOdtText::live() const
{
    if (!inBody())
        return false;
    return std::none_of(m_stack.begin(), m_stack.end(), [](const Frame &f) { return f.hidden; });
}

bool CMOdtText::wantsCharacters() const
{
    return m_skipDepth == 0 && m_paragraphDepth > 0 && live();
}

bool CMOdtText::hiddenStyle(const QString &family, const QString &name) const
{
    QString key = family + u':' + name;
    for (int i = 0; i < maxStyleChain && !name.isEmpty(); ++i) {
        const auto it = m_styles.constFind(key);
        if (it == m_styles.constEnd())
            return false;
        if (it->hidden)
            return *it->hidden;
        if (it->parent.isEmpty())
            return false;
        key = family + u':' + it->parent;
    }
    return false;
}

void CMOdtText::append(QStringView text)
{
    if (m_spacePending) {
        m_spacePending = false;
        m_text += u' ';
    }
    m_text += text;
    if (m_text.size() > m_maxChars)
        m_xml.fail(CMReadLimits::textTooLong());
}

// Runs of white space in a paragraph are one space, and none at its start.
void CMOdtText::characters(QStringView text)
{
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QChar(0x00AD)) { // a soft hyphen only shows where a line breaks
            if (i > from)
                append(text.sliced(from, i - from));
            from = i + 1;
            continue;
        }
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
            continue;
        if (i > from)
            append(text.sliced(from, i - from));
        from = i + 1;
        if (!m_text.isEmpty() && !m_text.endsWith(u'\n') && !m_text.endsWith(u'\t')
            && !m_text.endsWith(u' '))
            m_spacePending = true;
    }
    if (from < text.size())
        append(text.sliced(from));
}

void CMOdtText::newLineIfNeeded()
{
    m_spacePending = false;
    if (live() && !m_text.isEmpty() && !m_text.endsWith(u'\n'))
        m_text += u'\n';
}

void CMOdtText::startElement(int ns, QByteArrayView name)
{
    if (m_skipDepth > 0) {
        ++m_skipDepth;
        return;
    }
    const auto push = [this](Kind kind, qsizetype start = 0, bool hidden = false) {
        m_stack.push_back({kind, start, hidden});
    };
    if (ns == Office) {
        if (name == "document") {
            m_mimeType = m_xml.attribute(Office, "mimetype");
            push(Kind::Other);
        } else if (name == "text" && m_paragraphDepth == 0) {
            m_sawBody = true;
            ++m_bodyDepth;
            push(Kind::Text);
        } else if (name == "annotation" || name == "annotation-end" || name == "scripts"
                   || name == "forms" || name == "font-face-decls" || name == "master-styles"
                   || name == "settings" || name == "meta" || name == "event-listeners"
                   || name == "binary-data") {
            m_skipDepth = 1;
        } else {
            push(Kind::Other);
        }
        return;
    }
    if (ns == StyleNs) {
        startStyle(name);
        return;
    }
    if (ns == Text) {
        startTextElement(name);
        return;
    }
    if (ns == Table && inBody()) {
        if (name == "table-row")
            push(Kind::Row);
        else if (name == "table-cell")
            push(Kind::Cell, m_text.size());
        else if (name == "covered-table-cell")
            m_skipDepth = 1;
        else
            push(Kind::Other);
        return;
    }
    if (ns == Draw && inBody() && (name == "text-box" || name == "custom-shape" || name == "rect"
                                   || name == "ellipse" || name == "polygon" || name == "path")) {
        newLineIfNeeded();
        push(Kind::Box);
        return;
    }
    if ((ns == Svg && (name == "title" || name == "desc")) || (ns == Draw && name == "image")) {
        m_skipDepth = 1;
        return;
    }
    push(Kind::Other);
}

void CMOdtText::startStyle(QByteArrayView name)
{
    if (name == "style" || name == "default-style") {
        const QString family = m_xml.attribute(StyleNs, "family");
        const QString styleName = m_xml.attribute(StyleNs, "name");
        m_styleKey = styleName.isEmpty() ? QString() : family + u':' + styleName;
        if (!m_styleKey.isEmpty() && m_styles.size() < 100'000)
            m_styles.insert(m_styleKey, {m_xml.attribute(StyleNs, "parent-style-name"), {}});
        m_stack.push_back({Kind::Style});
        return;
    }
    if (name == "text-properties" && !m_stack.empty() && m_stack.back().kind == Kind::Style
        && !m_styleKey.isEmpty()) {
        const QString display = m_xml.attribute(Text, "display");
        const auto it = m_styles.find(m_styleKey);
        if (!display.isNull() && it != m_styles.end())
            it->hidden = display == u"none";
    }
    m_stack.push_back({Kind::Other});
}

void CMOdtText::startTextElement(QByteArrayView name)
{
    const auto push = [this](Kind kind, bool hidden = false) {
        m_stack.push_back({kind, 0, hidden});
    };
    if (!inBody() || skippedText(name)) {
        if (inBody())
            m_skipDepth = 1;
        else
            push(Kind::Other);
        return;
    }
    if (name == "p" || name == "h") {
        const bool hidden = hiddenStyle(u"paragraph"_s, m_xml.attribute(Text, "style-name"));
        if (m_paragraphDepth > 0 && !hidden)
            newLineIfNeeded(); // a paragraph of a text box inside a paragraph
        ++m_paragraphDepth;
        m_spacePending = false;
        push(Kind::Paragraph, hidden);
    } else if (name == "span") {
        push(Kind::Span, hiddenStyle(u"text"_s, m_xml.attribute(Text, "style-name")));
    } else if (name == "s") {
        bool ok = false;
        const int count = std::clamp(m_xml.attribute(Text, "c").toInt(&ok), 1, maxSpaces);
        if (live())
            append(QString(ok ? count : 1, u' '));
        m_skipDepth = 1;
    } else if (name == "tab") {
        if (live())
            append(u"\t");
        m_skipDepth = 1;
    } else if (name == "line-break") {
        if (live()) {
            m_spacePending = false;
            m_text += u'\n';
        }
        m_skipDepth = 1;
    } else {
        push(Kind::Other);
    }
}

void CMOdtText::endElement(int, QByteArrayView)
{
    if (m_skipDepth > 0) {
        --m_skipDepth;
        return;
    }
    if (m_stack.empty())
        return;
    const Frame frame = m_stack.back();
    const bool wasLive = live();
    m_stack.pop_back();
    switch (frame.kind) {
    case Kind::Text:
        --m_bodyDepth;
        break;
    case Kind::Paragraph:
        --m_paragraphDepth;
        m_spacePending = false;
        if (wasLive)
            m_text += u'\n';
        break;
    case Kind::Box:
        m_spacePending = false;
        break;
    case Kind::Style:
        m_styleKey.clear();
        break;
    case Kind::Cell:
        if (!live())
            break;
        CMTableText::endCell(m_text, frame.start);
        break;
    case Kind::Row:
        if (!live())
            break;
        CMTableText::endRow(m_text);
        break;
    default:
        break;
    }
}
