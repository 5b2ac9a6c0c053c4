#include "cmrtfreader.h"

#include "cmcodepage.h"

#include <QHash>

#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <vector>

using namespace Qt::StringLiterals;

namespace CMRtfReader {

namespace {

enum class Dest : quint8 {
    Body,
    Skip,
    FontTable,
    Upr,            // {\upr ANSI-text {\*\ud Unicode-text}}: only the Unicode twin is read
    NestProps,      // nested-table row properties: skipped, but they carry the row end
};

struct Group
{
    Dest dest = Dest::Body;
    int uc = 1;
    int font = -1;
    bool hidden = false;
    bool starred = false;        // the group opened with \*
    bool attachment = false;     // an RTFD attachment ({\NeXTGraphic name ...})
};

const std::unordered_set<std::string_view> &skippedDestinations()
{
    static const std::unordered_set<std::string_view> words = {
        "aftncn", "aftnsep", "aftnsepc", "annotation", "atnauthor", "atndate", "atnicn",
        "atnid", "atnparent", "atnref", "atrfend", "atrfstart", "author", "bkmkend",
        "bkmkstart", "blipuid", "buptim", "category", "colorschememapping", "colortbl",
        "comment", "company", "creatim", "datastore", "do", "docvar", "doccomm", "falt",
        "fchars", "filetbl", "fldinst", "footer", "footerf", "footerl", "footerr", "footnote",
        "ftncn", "ftnsep", "ftnsepc", "generator", "header", "headerf", "headerl", "headerr",
        "hlinkbase", "info", "keywords", "latentstyles", "lchars", "listoverridetable",
        "listtable", "manager", "mmathPr", "nonesttables", "nonshppict", "objclass", "objdata",
        "objname", "operator", "panose", "pgdsctbl", "pict", "picprop", "pn", "printim",
        "revtbl", "revtim", "rsidtbl", "rxe", "shp", "shpinst", "shppict", "shprslt",
        "stylesheet", "subject", "tc", "tcn", "template", "themedata", "title", "txe",
        "userprops", "xe", "xmlnstbl"};
    return words;
}

class Parser
{
public:
    explicit Parser(QByteArrayView in) : m_in(in) {}

    CMReadResult run();

private:
    Group &top() { return m_groups.back(); }
    bool reading() { return top().dest == Dest::Body && !top().hidden; }

    void openGroup();
    bool closeGroup();
    void controlWord(std::string_view word, bool hasParam, int param);
    void controlSymbol(char c);
    void textByte(char c);
    void put(QStringView text);
    bool skipFallback();
    void endLine();
    void endRow();
    void flush();
    int codePage();

    QByteArrayView m_in;
    qsizetype m_pos = 0;
    std::vector<Group> m_groups;
    QString m_out;
    QByteArray m_pending;
    int m_pendingCodePage = CMCodePage::windowsLatin1;
    int m_documentCodePage = CMCodePage::windowsLatin1;
    int m_defaultFont = -1;
    int m_fontEntry = -1;
    QHash<int, int> m_fontCodePages;
    qsizetype m_fallbackLeft = 0;
    bool m_dropAttachmentChar = false;
    bool m_ended = false;
    CMCodePage::Decoder m_decoder;
};

constexpr int symbolCodePage = -2;

CMReadResult Parser::run()
{
    qsizetype start = 0;
    while (start < m_in.size() && (m_in[start] == ' ' || m_in[start] == '\r' || m_in[start] == '\n'
                                   || m_in[start] == '\t'))
        ++start;
    if (!m_in.sliced(start).startsWith("{\\rtf"))
        return CMReadResult::fail(u"this is not an RTF document"_s);
    m_pos = start;

    while (m_pos < m_in.size() && !m_ended) {
        const char c = m_in[m_pos++];
        switch (c) {
        case '{':
            if (int(m_groups.size()) >= maxGroupDepth)
                return CMReadResult::fail(
                    u"the RTF groups are nested more than %1 deep"_s.arg(maxGroupDepth));
            openGroup();
            break;
        case '}':
            m_ended = closeGroup();
            break;
        case '\\': {
            if (m_pos >= m_in.size())
                break;
            const char next = m_in[m_pos];
            if (!((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z'))) {
                ++m_pos;
                controlSymbol(next);
                break;
            }
            const qsizetype wordStart = m_pos;
            while (m_pos < m_in.size()
                   && ((m_in[m_pos] >= 'a' && m_in[m_pos] <= 'z')
                       || (m_in[m_pos] >= 'A' && m_in[m_pos] <= 'Z')))
                ++m_pos;
            const std::string_view word(m_in.data() + wordStart, size_t(m_pos - wordStart));
            bool negative = false;
            if (m_pos < m_in.size() && m_in[m_pos] == '-') {
                negative = true;
                ++m_pos;
            }
            bool hasParam = false;
            qint64 param = 0;
            while (m_pos < m_in.size() && m_in[m_pos] >= '0' && m_in[m_pos] <= '9') {
                hasParam = true;
                param = std::min<qint64>(param * 10 + (m_in[m_pos] - '0'), 1'000'000'000);
                ++m_pos;
            }
            if (negative && !hasParam)
                --m_pos;
            if (m_pos < m_in.size() && m_in[m_pos] == ' ')
                ++m_pos;
            controlWord(word, hasParam, int(negative ? -param : param));
            break;
        }
        case '\r':
        case '\n':
            break;
        default:
            if (m_groups.empty())
                break;
            textByte(c);
            break;
        }
    }
    flush();
    if (!m_ended)
        return CMReadResult::fail(u"the RTF document ends before all its groups are closed"_s);
    return CMReadResult::ok(std::move(m_out));
}

void Parser::openGroup()
{
    flush();
    m_fallbackLeft = 0;
    Group group = m_groups.empty() ? Group{} : top();
    group.starred = false;
    group.attachment = false;
    if (group.dest == Dest::NestProps)
        group.dest = Dest::Skip;
    m_groups.push_back(group);
}

// True when the document's outermost group closes: whatever follows is not part of it.
bool Parser::closeGroup()
{
    flush();
    m_fallbackLeft = 0;
    if (m_groups.empty())
        return false;
    const bool attachment = top().attachment;
    m_groups.pop_back();
    if (m_groups.empty())
        return true;
    m_dropAttachmentChar = attachment;
    return false;
}

int Parser::codePage()
{
    const int font = top().font;
    if (font >= 0) {
        const auto it = m_fontCodePages.constFind(font);
        if (it != m_fontCodePages.constEnd() && *it != 0)
            return *it;
    }
    return m_documentCodePage;
}

void Parser::flush()
{
    if (m_pending.isEmpty())
        return;
    if (m_pendingCodePage == symbolCodePage) {
        for (const char c : std::as_const(m_pending)) {
            switch (static_cast<unsigned char>(c)) {
            case 0xB7: m_out += QChar(0x2022); break;
            case 0xA7: m_out += QChar(0x25AA); break;
            default: m_decoder.append(m_out, QByteArrayView(&c, 1), CMCodePage::windowsLatin1);
            }
        }
    } else {
        m_decoder.append(m_out, m_pending, m_pendingCodePage);
    }
    m_pending.clear();
}

// Consumes one character of the ANSI stand-in that follows a \u character.
bool Parser::skipFallback()
{
    if (m_fallbackLeft <= 0)
        return false;
    --m_fallbackLeft;
    return true;
}

void Parser::textByte(char c)
{
    if (!reading() || skipFallback())
        return;
    const bool attachmentChar = m_dropAttachmentChar;
    m_dropAttachmentChar = false;
    if (attachmentChar && static_cast<unsigned char>(c) == 0xAC)
        return;
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
        return;
    const int cp = codePage();
    if (!m_pending.isEmpty() && cp != m_pendingCodePage)
        flush();
    m_pendingCodePage = cp;
    m_pending += c;
}

void Parser::put(QStringView text)
{
    flush();
    m_dropAttachmentChar = false;
    m_out += text;
}

void Parser::endLine()
{
    flush();
    if (!m_out.isEmpty() && !m_out.endsWith(u'\n'))
        m_out += u'\n';
}

void Parser::endRow()
{
    flush();
    if (m_out.endsWith(u'\t'))
        m_out.back() = u'\n';
    else
        m_out += u'\n';
}

void Parser::controlSymbol(char c)
{
    if (c == '\'') {
        const auto hex = [](char h) {
            if (h >= '0' && h <= '9') return h - '0';
            if (h >= 'a' && h <= 'f') return h - 'a' + 10;
            if (h >= 'A' && h <= 'F') return h - 'A' + 10;
            return -1;
        };
        if (m_pos + 1 >= m_in.size())
            return;
        const int hi = hex(m_in[m_pos]);
        const int lo = hex(m_in[m_pos + 1]);
        if (hi < 0 || lo < 0)
            return;
        m_pos += 2;
        textByte(char(hi * 16 + lo));
        return;
    }
    if (m_groups.empty())
        return;
    if (c == '*') {
        top().starred = true;
        return;
    }
    if (!reading() || skipFallback())
        return;
    switch (c) {
    case '\\':
    case '{':
    case '}':
        textByte(c);
        break;
    case '~': put(u"\u00A0"); break;
    case '_': put(u"\u2011"); break;
    case '\r':
    case '\n': put(u"\n"); break;
    default: break; // \- optional hyphen, \: index subentry, \| formula
    }
}

void Parser::controlWord(std::string_view word, bool hasParam, int param)
{
    if (word == "bin") {
        // Raw binary data: never text, and its bytes may look like anything.
        if (hasParam && param > 0)
            m_pos = std::min<qsizetype>(m_in.size(), m_pos + param);
        return;
    }
    if (m_groups.empty())
        return;
    flush();
    Group &group = top();

    // Document-wide properties are honoured wherever they appear.
    if (word == "ansicpg") {
        if (hasParam && param > 0)
            m_documentCodePage = param;
        return;
    }
    if (word == "ansi") { m_documentCodePage = CMCodePage::windowsLatin1; return; }
    if (word == "mac") { m_documentCodePage = CMCodePage::macRoman; return; }
    if (word == "pc") { m_documentCodePage = 437; return; }
    if (word == "pca") { m_documentCodePage = 850; return; }
    if (word == "deff") {
        m_defaultFont = param;
        if (group.font < 0)
            group.font = param;
        return;
    }
    if (word == "uc") {
        group.uc = std::clamp(param, 0, 8);
        return;
    }

    if (group.dest == Dest::FontTable) {
        if (word == "f") {
            m_fontEntry = param;
        } else if (word == "fcharset" && m_fontEntry >= 0) {
            const int cp = param == 2 ? symbolCodePage : CMCodePage::fromCharset(param);
            if (!m_fontCodePages.contains(m_fontEntry) || cp != 0)
                m_fontCodePages.insert(m_fontEntry, cp);
        } else if (word == "cpg" && m_fontEntry >= 0 && param > 0) {
            m_fontCodePages.insert(m_fontEntry, param);
        } else if (group.starred || skippedDestinations().count(word)) {
            group.dest = Dest::Skip;
        }
        return;
    }

    // Destinations.
    if (word == "fonttbl") {
        group.dest = Dest::FontTable;
        return;
    }
    if (word == "upr") {
        if (group.dest == Dest::Body)
            group.dest = Dest::Upr;
        return;
    }
    if (word == "ud") {
        if (m_groups.size() >= 2 && m_groups[m_groups.size() - 2].dest == Dest::Upr)
            group.dest = Dest::Body;
        else
            group.dest = Dest::Skip;
        return;
    }
    if (word == "nesttableprops") {
        group.dest = group.dest == Dest::Body ? Dest::NestProps : Dest::Skip;
        return;
    }
    if (word == "nestrow" && group.dest == Dest::NestProps) {
        endRow();
        return;
    }
    if (word == "NeXTGraphic") {
        group.dest = Dest::Skip;
        group.attachment = true;
        return;
    }
    if (skippedDestinations().count(word) || group.starred) {
        group.dest = Dest::Skip;
        return;
    }
    if (group.dest != Dest::Body)
        return;

    // Character formatting that decides what is text.
    if (word == "f") {
        group.font = param;
        return;
    }
    if (word == "plain") {
        group.hidden = false;
        group.font = m_defaultFont;
        return;
    }
    if (word == "v") {
        group.hidden = !(hasParam && param == 0);
        return;
    }
    if (group.hidden)
        return;

    if (word == "u") {
        if (skipFallback())
            return;
        const char16_t unit = char16_t(param < 0 ? param + 65536 : param);
        put(QStringView(&unit, 1));
        m_fallbackLeft = group.uc;
        return;
    }
    if (skipFallback())
        return;

    static const QHash<QByteArray, QString> characters = {
        {"par", u"\n"_s},        {"line", u"\n"_s},       {"lbr", u"\n"_s},
        {"tab", u"\t"_s},        {"emdash", u"\u2014"_s}, {"endash", u"\u2013"_s},
        {"lquote", u"\u2018"_s}, {"rquote", u"\u2019"_s}, {"ldblquote", u"\u201C"_s},
        {"rdblquote", u"\u201D"_s}, {"bullet", u"\u2022"_s}, {"emspace", u"\u2003"_s},
        {"enspace", u"\u2002"_s}, {"qmspace", u"\u2005"_s}, {"zwj", u"\u200D"_s},
        {"zwnj", u"\u200C"_s},   {"zwbo", u"\u200B"_s},   {"ltrmark", u"\u200E"_s},
        {"rtlmark", u"\u200F"_s}};
    const auto it = characters.constFind(QByteArray::fromRawData(word.data(), qsizetype(word.size())));
    if (it != characters.constEnd()) {
        put(*it);
        return;
    }
    if (word == "cell" || word == "nestcell") {
        put(u"\t");
    } else if (word == "row") {
        endRow();
    } else if (word == "page" || word == "sect") {
        endLine();
    }
}

} // namespace

CMReadResult read(QByteArrayView bytes)
{
    return Parser(bytes).run();
}

} // namespace CMRtfReader
