#include "cmdocxtext.h"

#include "cmcodepage.h"
#include "cmreader.h"

#include <algorithm>
#include <array>
#include <string_view>

using namespace Qt::StringLiterals;

namespace {

constexpr int maxDepth = 5000;

// The namespaces the reader tells apart, in the scanner's numbering.
enum Namespace : int { Word, WordStrict, Compatibility };

bool isWord(int ns)
{
    return ns == Word || ns == WordStrict;
}

// Elements that never hold body text, or hold text that is not the document's: their whole
// subtree is passed over. Sorted, for a binary search.
bool skipped(std::string_view name)
{
    static constexpr std::array<std::string_view, 23> names = {
        "annotationRef", "commentReference", "customXmlPr", "del", "delInstrText", "delText",
        "endnoteRef", "endnoteReference", "fldData", "footnoteRef", "footnoteReference",
        "instrText", "moveFrom", "sdtEndPr", "sdtPr", "sectPr", "smartTagPr", "softHyphen",
        "tblGrid", "tblPr", "tblPrEx", "tcPr", "trPr"};
    return std::binary_search(names.begin(), names.end(), name);
}

} // namespace

CMDocxText::CMDocxText(qsizetype maxChars)
    : m_xml({"http://schemas.openxmlformats.org/wordprocessingml/2006/main",
             "http://purl.oclc.org/ooxml/wordprocessingml/main",
             "http://schemas.openxmlformats.org/markup-compatibility/2006"},
            *this, maxDepth)
    , m_maxChars(maxChars)
{
}

bool CMDocxText::feed(QByteArrayView chunk)
{
    return m_xml.feed(chunk);
}

bool CMDocxText::finish()
{
    return m_xml.finish();
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

bool CMDocxText::wantsCharacters() const
{
    return m_skipDepth == 0 && !m_stack.empty() && m_stack.back().kind == Kind::Text && live();
}

void CMDocxText::characters(QStringView text)
{
    if (wantsCharacters())
        append(text);
}

void CMDocxText::append(QStringView text)
{
    if (!live())
        return;
    m_text += text;
    if (m_text.size() > m_maxChars)
        m_xml.fail(u"the document's text is longer than %1 million characters"_s.arg(
            m_maxChars / 1'000'000));
}

// A toggle property: on unless its w:val says otherwise.
bool CMDocxText::on() const
{
    QString value = m_xml.attribute(Word, "val");
    if (value.isNull())
        value = m_xml.attribute(WordStrict, "val");
    return !(value == u"0" || value == u"false" || value == u"off");
}

void CMDocxText::startElement(int ns, QByteArrayView bytes)
{
    const std::string_view name(bytes.data(), size_t(bytes.size()));
    if (m_skipDepth > 0) {
        ++m_skipDepth;
        return;
    }
    Frame *parent = m_stack.empty() ? nullptr : &m_stack.back();
    // Alternative renderings of one object (a text box drawn two ways): read one branch only.
    if (ns == Compatibility) {
        if (name == "AlternateContent") {
            m_stack.push_back({Kind::Alternate});
        } else if (parent && parent->kind == Kind::Alternate) {
            if (parent->flag) {
                m_skipDepth = 1;
                return;
            }
            parent->flag = true;
            m_stack.push_back({Kind::Other});
        } else {
            m_stack.push_back({Kind::Other});
        }
        return;
    }
    if (!isWord(ns)) {
        m_stack.push_back({Kind::Other});
        return;
    }
    if (parent && parent->kind == Kind::ParagraphProps) {
        if (name == "rPr")
            m_stack.push_back({Kind::ParagraphMarkProps});
        else
            m_skipDepth = 1;
        return;
    }
    if (parent && parent->kind == Kind::ParagraphMarkProps) {
        if ((name == "del" || name == "moveFrom" || name == "vanish") && on())
            if (Frame *paragraph = nearest(Kind::Paragraph))
                paragraph->flag = true;
        m_skipDepth = 1;
        return;
    }
    if (parent && parent->kind == Kind::RunProps) {
        if (name == "vanish" && on())
            if (Frame *run = nearest(Kind::Run))
                run->flag = true;
        m_skipDepth = 1;
        return;
    }
    startWordElement(name);
}

void CMDocxText::startWordElement(std::string_view name)
{
    const Frame *parent = m_stack.empty() ? nullptr : &m_stack.back();
    const auto push = [this](Kind kind, qsizetype start = 0) {
        m_stack.push_back({kind, start, false});
    };
    if (name == "p") {
        push(Kind::Paragraph);
    } else if (name == "r") {
        push(Kind::Run);
    } else if (name == "t") {
        push(Kind::Text);
    } else if (name == "pPr") {
        push(Kind::ParagraphProps);
    } else if (name == "rPr") {
        if (parent && parent->kind == Kind::Run)
            push(Kind::RunProps);
        else
            m_skipDepth = 1;
    } else if (name == "tr") {
        push(Kind::Row);
    } else if (name == "tc") {
        push(Kind::Cell, m_text.size());
    } else if (name == "txbxContent") {
        if (live() && !m_text.isEmpty() && !m_text.endsWith(u'\n'))
            m_text += u'\n';
        push(Kind::Other);
    } else if (name == "fldChar") {
        const QString type = m_xml.attribute("fldCharType");
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
    } else if (name == "tab" || name == "ptab") {
        append(u"\t");
        m_skipDepth = 1;
    } else if (name == "br" || name == "cr") {
        append(u"\n");
        m_skipDepth = 1;
    } else if (name == "noBreakHyphen") {
        append(u"\u2011");
        m_skipDepth = 1;
    } else if (name == "sym") {
        bool ok = false;
        const uint value = m_xml.attribute("char").toUInt(&ok, 16);
        if (ok) {
            const char32_t c = value >= 0xF000 && value <= 0xF0FF
                                   ? CMCodePage::symbolFontChar(m_xml.attribute("font"),
                                                                uchar(value - 0xF000))
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

void CMDocxText::endElement(int, QByteArrayView)
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
        CMTableText::endCell(m_text, frame.start);
        break;
    case Kind::Row:
        CMTableText::endRow(m_text);
        break;
    default:
        break;
    }
}
