#include "cmdocxtext.h"

#include "cmcodepage.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int maxDepth = 5000;

bool isWordNamespace(QStringView ns)
{
    return ns == u"http://schemas.openxmlformats.org/wordprocessingml/2006/main"
        || ns == u"http://purl.oclc.org/ooxml/wordprocessingml/main";
}

bool isCompatibilityNamespace(QStringView ns)
{
    return ns == u"http://schemas.openxmlformats.org/markup-compatibility/2006";
}

// Elements that never hold body text, or hold text that is not the document's: their whole
// subtree is passed over.
bool skipped(QStringView name)
{
    static const QStringList names = {
        u"del"_s,      u"moveFrom"_s,  u"instrText"_s,  u"delText"_s,    u"delInstrText"_s,
        u"sdtPr"_s,    u"sdtEndPr"_s,  u"sectPr"_s,     u"tblPr"_s,      u"tblGrid"_s,
        u"trPr"_s,     u"tcPr"_s,      u"fldData"_s,    u"customXmlPr"_s, u"smartTagPr"_s,
        u"tblPrEx"_s,  u"softHyphen"_s, u"footnoteReference"_s, u"endnoteReference"_s,
        u"commentReference"_s, u"annotationRef"_s, u"footnoteRef"_s, u"endnoteRef"_s};
    return names.contains(name);
}

} // namespace

CMDocxText::CMDocxText(qsizetype maxChars) : m_maxChars(maxChars)
{
    m_xml.setNamespaceProcessing(true);
}

bool CMDocxText::feed(const QByteArray &chunk)
{
    if (!m_failure.isEmpty())
        return false;
    m_xml.addData(chunk);
    return parse();
}

bool CMDocxText::finish()
{
    if (!m_failure.isEmpty())
        return false;
    if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError || !m_stack.empty()) {
        m_failure = u"the document's XML ends too early"_s;
        return false;
    }
    return true;
}

bool CMDocxText::parse()
{
    while (!m_xml.atEnd()) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::StartElement:
            startElement();
            break;
        case QXmlStreamReader::EndElement:
            endElement();
            break;
        case QXmlStreamReader::Characters:
            if (m_skipDepth == 0 && !m_stack.empty() && m_stack.back().kind == Kind::Text)
                append(m_xml.text());
            break;
        default:
            break;
        }
        if (m_failure.isEmpty() && m_text.size() > m_maxChars)
            m_failure = u"the document's text is longer than %1 million characters"_s.arg(
                m_maxChars / 1'000'000);
        if (!m_failure.isEmpty())
            return false;
    }
    if (m_xml.hasError() && m_xml.error() != QXmlStreamReader::PrematureEndOfDocumentError) {
        m_failure = u"the document's XML is damaged (%1)"_s.arg(m_xml.errorString());
        return false;
    }
    return true;
}

CMDocxText::Frame *CMDocxText::nearest(Kind kind)
{
    for (auto it = m_stack.rbegin(); it != m_stack.rend(); ++it)
        if (it->kind == kind)
            return &*it;
    return nullptr;
}

bool CMDocxText::live() const
{
    if (m_openInstructions > 0)
        return false;
    for (auto it = m_stack.rbegin(); it != m_stack.rend(); ++it) {
        if (it->kind == Kind::Run)
            return !it->flag;
        if (it->kind == Kind::Paragraph)
            return true;
    }
    return true;
}

void CMDocxText::append(QStringView text)
{
    if (live())
        m_text += text;
}

void CMDocxText::startElement()
{
    if (m_skipDepth > 0) {
        ++m_skipDepth;
        return;
    }
    if (m_stack.size() >= size_t(maxDepth)) {
        m_failure = u"the document's XML is nested more than %1 deep"_s.arg(maxDepth);
        return;
    }
    const QStringView ns = m_xml.namespaceUri();
    const QStringView name = m_xml.name();
    Frame *parent = m_stack.empty() ? nullptr : &m_stack.back();
    const auto push = [this](Kind kind, qsizetype start = 0) {
        m_stack.push_back({kind, start, false});
    };

    // Alternative renderings of one object (a text box drawn two ways): read one branch only.
    if (isCompatibilityNamespace(ns)) {
        if (name == u"AlternateContent") {
            push(Kind::Alternate);
        } else if (parent && parent->kind == Kind::Alternate) {
            if (parent->flag) {
                m_skipDepth = 1;
                return;
            }
            parent->flag = true;
            push(Kind::Other);
        } else {
            push(Kind::Other);
        }
        return;
    }
    if (!isWordNamespace(ns)) {
        push(Kind::Other);
        return;
    }

    const auto on = [this] {
        const QStringView value = m_xml.attributes().value(u"http://schemas.openxmlformats.org/wordprocessingml/2006/main"_s, u"val"_s);
        const QStringView strict = m_xml.attributes().value(u"http://purl.oclc.org/ooxml/wordprocessingml/main"_s, u"val"_s);
        const QStringView v = value.isEmpty() ? strict : value;
        return !(v == u"0" || v == u"false" || v == u"off");
    };

    if (parent && parent->kind == Kind::ParagraphProps) {
        if (name == u"rPr")
            push(Kind::ParagraphMarkProps);
        else
            m_skipDepth = 1;
        return;
    }
    if (parent && parent->kind == Kind::ParagraphMarkProps) {
        if ((name == u"del" || name == u"moveFrom" || name == u"vanish") && on())
            if (Frame *paragraph = nearest(Kind::Paragraph))
                paragraph->flag = true;
        m_skipDepth = 1;
        return;
    }
    if (parent && parent->kind == Kind::RunProps) {
        if (name == u"vanish" && on())
            if (Frame *run = nearest(Kind::Run))
                run->flag = true;
        m_skipDepth = 1;
        return;
    }

    if (name == u"p") {
        push(Kind::Paragraph);
    } else if (name == u"pPr") {
        push(Kind::ParagraphProps);
    } else if (name == u"r") {
        push(Kind::Run);
    } else if (name == u"rPr") {
        if (parent && parent->kind == Kind::Run)
            push(Kind::RunProps);
        else
            m_skipDepth = 1;
    } else if (name == u"t") {
        push(Kind::Text);
    } else if (name == u"tr") {
        push(Kind::Row);
    } else if (name == u"tc") {
        push(Kind::Cell, m_text.size());
    } else if (name == u"txbxContent") {
        if (live() && !m_text.isEmpty() && !m_text.endsWith(u'\n'))
            m_text += u'\n';
        push(Kind::Other);
    } else if (name == u"fldChar") {
        const auto attrs = m_xml.attributes();
        QStringView type;
        for (const auto &attr : attrs)
            if (attr.name() == u"fldCharType")
                type = attr.value();
        if (type == u"begin") {
            m_fieldInResult.push_back(false);
            ++m_openInstructions;
        } else if (type == u"separate") {
            if (!m_fieldInResult.empty() && !m_fieldInResult.back()) {
                m_fieldInResult.back() = true;
                --m_openInstructions;
            }
        } else if (type == u"end") {
            if (!m_fieldInResult.empty()) {
                if (!m_fieldInResult.back())
                    --m_openInstructions;
                m_fieldInResult.pop_back();
            }
        }
        m_skipDepth = 1;
    } else if (name == u"tab" || name == u"ptab") {
        append(u"\t");
        m_skipDepth = 1;
    } else if (name == u"br" || name == u"cr") {
        append(u"\n");
        m_skipDepth = 1;
    } else if (name == u"noBreakHyphen") {
        append(u"\u2011");
        m_skipDepth = 1;
    } else if (name == u"sym") {
        QStringView font;
        QStringView code;
        for (const auto &attr : m_xml.attributes()) {
            if (attr.name() == u"font")
                font = attr.value();
            else if (attr.name() == u"char")
                code = attr.value();
        }
        bool ok = false;
        const uint value = code.toUInt(&ok, 16);
        if (ok) {
            const char32_t c = value >= 0xF000 && value <= 0xF0FF
                                   ? CMCodePage::symbolFontChar(font, uchar(value - 0xF000))
                                   : char32_t(value);
            if (c >= 0x20 && c <= 0xFFFF && !QChar::isSurrogate(c)) {
                const char16_t unit = char16_t(c);
                append(QStringView(&unit, 1));
            }
        }
        m_skipDepth = 1;
    } else if (skipped(name)) {
        m_skipDepth = 1;
    } else {
        push(Kind::Other);
    }
}

void CMDocxText::endElement()
{
    if (m_skipDepth > 0) {
        --m_skipDepth;
        return;
    }
    if (m_stack.empty())
        return;
    const Frame frame = m_stack.back();
    m_stack.pop_back();
    switch (frame.kind) {
    case Kind::Paragraph:
        if (!frame.flag)
            m_text += u'\n';
        break;
    case Kind::Cell:
        if (m_text.size() > frame.start && m_text.endsWith(u'\n'))
            m_text.back() = u'\t';
        else
            m_text += u'\t';
        break;
    case Kind::Row:
        if (m_text.endsWith(u'\t'))
            m_text.back() = u'\n';
        else
            m_text += u'\n';
        break;
    default:
        break;
    }
}
