#include "cmrtfreader.h"

#include "cmcodepage.h"

#include <QHash>
#include <QIODevice>

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
    bool deleted = false;        // a tracked deletion
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
        "listtable", "listtext", "manager", "mmathPr", "nonesttables", "nonshppict", "objclass", "objdata",
        "objname", "operator", "panose", "pgdsctbl", "pict", "picprop", "pn", "pntext", "printim",
        "revtbl", "revtim", "rsidtbl", "rxe", "shp", "shpinst", "shppict", "shprslt",
        "stylesheet", "subject", "tc", "tcn", "template", "themedata", "title", "txe",
        "userprops", "xe", "xmlnstbl"};
    return words;
}

// The document's bytes as the parser takes them: from memory, or from a device in chunks so
// that a large file never has to fit in memory. Looks ahead at most two bytes.
class Input
{
public:
    explicit Input(QByteArrayView bytes) : m_view(bytes) {}
    Input(QIODevice &device, CMReadProgress *progress) : m_device(&device), m_progress(progress)
    {
        m_total = device.size();
    }

    // The byte `ahead` places on, or -1 past the end.
    int peek(qsizetype ahead = 0)
    {
        if (m_pos + ahead >= m_view.size() && !refill(ahead + 1))
            return -1;
        return static_cast<unsigned char>(m_view[m_pos + ahead]);
    }
    int get()
    {
        const int c = peek();
        if (c >= 0)
            ++m_pos;
        return c;
    }
    void skip(qint64 n)
    {
        while (n > 0 && peek() >= 0) {
            const qint64 step = std::min<qint64>(n, m_view.size() - m_pos);
            m_pos += step;
            n -= step;
        }
    }
    bool stopped() const { return !m_failure.isEmpty(); }
    const QString &failure() const { return m_failure; }

private:
    bool refill(qsizetype need)
    {
        if (!m_device || stopped())
            return false;
        if (m_progress && m_progress->cancelled()) {
            m_failure = CMReadProgress::cancelledReason();
            return false;
        }
        m_buffer.remove(0, m_pos);
        m_pos = 0;
        while (m_buffer.size() < need) {
            const QByteArray chunk = m_device->read(chunkBytes);
            if (chunk.isEmpty())
                break;
            m_read += chunk.size();
            m_buffer += chunk;
        }
        if (m_read > CMReadLimits::maxExpandedBytes)
            m_failure = u"the file is larger than %1 MB"_s.arg(CMReadLimits::maxExpandedBytes >> 20);
        if (m_progress)
            m_progress->report(m_read, m_total);
        m_view = m_buffer;
        return m_buffer.size() >= need && !stopped();
    }

    static constexpr qint64 chunkBytes = 256 * 1024;
    QByteArrayView m_view;
    qsizetype m_pos = 0;
    QIODevice *m_device = nullptr;
    CMReadProgress *m_progress = nullptr;
    QByteArray m_buffer;
    qint64 m_read = 0;
    qint64 m_total = 0;
    QString m_failure;
};

class Parser
{
public:
    explicit Parser(Input &in) : m_in(in) {}

    CMReadResult run();

private:
    Group &top() { return m_groups.back(); }
    bool reading() { return top().dest == Dest::Body && !top().hidden && !top().deleted; }

    void openGroup();
    bool closeGroup();
    void controlWord(std::string_view word, bool hasParam, int param);
    void controlSymbol(char c);
    void textByte(char c);
    void put(QStringView text);
    bool skipFallback();
    void endLine();
    void endRow();
    void endCell();
    void flush();
    int codePage();

    Input &m_in;
    std::vector<Group> m_groups;
    QString m_out;
    QByteArray m_pending;
    QByteArray m_word;
    int m_pendingCodePage = CMCodePage::windowsLatin1;
    int m_documentCodePage = CMCodePage::windowsLatin1;
    int m_defaultFont = -1;
    int m_fontEntry = -1;
    QHash<int, int> m_fontCodePages;
    qsizetype m_fallbackLeft = 0;
    qsizetype m_cellStart = 0;   // where the text of the current table cell began
    bool m_dropAttachmentChar = false;
    bool m_ended = false;
    CMCodePage::Decoder m_decoder;
};

constexpr int symbolCodePage = -2;

CMReadResult Parser::run()
{
    while (m_in.peek() == ' ' || m_in.peek() == '\r' || m_in.peek() == '\n' || m_in.peek() == '\t')
        m_in.get();
    for (qsizetype i = 0; i < 5; ++i) {
        if (m_in.peek(i) != "{\\rtf"[i])
            return CMReadResult::fail(m_in.stopped() ? m_in.failure()
                                                     : u"this is not an RTF document"_s);
    }

    int c;
    while (!m_ended && (c = m_in.get()) >= 0) {
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
            const int next = m_in.peek();
            if (next < 0)
                break;
            if (!((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z'))) {
                m_in.get();
                controlSymbol(char(next));
                break;
            }
            m_word.clear();
            for (int l = m_in.peek(); (l >= 'a' && l <= 'z') || (l >= 'A' && l <= 'Z'); l = m_in.peek()) {
                // Control words are at most 32 letters; a longer one is no word anyone knows.
                if (m_word.size() < 64)
                    m_word += char(l);
                m_in.get();
            }
            bool negative = false;
            if (m_in.peek() == '-' && m_in.peek(1) >= '0' && m_in.peek(1) <= '9') {
                negative = true;
                m_in.get();
            }
            bool hasParam = false;
            qint64 param = 0;
            for (int d = m_in.peek(); d >= '0' && d <= '9'; d = m_in.peek()) {
                hasParam = true;
                param = std::min<qint64>(param * 10 + (d - '0'), 1'000'000'000);
                m_in.get();
            }
            if (m_in.peek() == ' ')
                m_in.get();
            controlWord(std::string_view(m_word.constData(), size_t(m_word.size())), hasParam,
                        int(negative ? -param : param));
            break;
        }
        case '\r':
        case '\n':
            break;
        default:
            if (m_groups.empty())
                break;
            textByte(char(c));
            break;
        }
        if (m_out.size() > CMReadLimits::maxTextChars)
            return CMReadResult::fail(CMReadLimits::textTooLong());
    }
    flush();
    if (m_in.stopped())
        return CMReadResult::fail(m_in.failure());
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
    m_cellStart = m_out.size();
}

// A paragraph mark that ends a cell's last paragraph is the cell's end, not a line.
void Parser::endCell()
{
    flush();
    m_dropAttachmentChar = false;
    if (m_out.size() > m_cellStart && m_out.endsWith(u'\n'))
        m_out.back() = u'\t';
    else
        m_out += u'\t';
    m_cellStart = m_out.size();
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
        const int first = m_in.peek();
        const int second = m_in.peek(1);
        if (first < 0 || second < 0)
            return;
        const int hi = hex(char(first));
        const int lo = hex(char(second));
        if (hi < 0 || lo < 0)
            return;
        m_in.skip(2);
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
            m_in.skip(param);
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
        group.deleted = false;
        group.font = m_defaultFont;
        return;
    }
    if (word == "v") {
        group.hidden = !(hasParam && param == 0);
        return;
    }
    if (word == "deleted") {
        group.deleted = !(hasParam && param == 0);
        return;
    }
    if (group.hidden || group.deleted)
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
        endCell();
    } else if (word == "row") {
        endRow();
    } else if (word == "trowd") {
        m_cellStart = m_out.size();
    } else if (word == "page" || word == "sect") {
        endLine();
    }
}

} // namespace

CMReadResult read(QByteArrayView bytes)
{
    Input input(bytes);
    return Parser(input).run();
}

CMReadResult read(const CMSource &source, CMReadProgress *progress)
{
    if (!source.isFile())
        return read(source.bytes());
    QString reason;
    const auto device = source.open(&reason);
    if (!device)
        return CMReadResult::fail(reason);
    Input input(*device, progress);
    return Parser(input).run();
}

} // namespace CMRtfReader
