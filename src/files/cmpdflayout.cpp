#include "cmpdflayout.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace CMPdfLayout {

namespace {

// Running headers and footers live in this share of the page at its top and bottom.
constexpr double marginShare = 0.12;

bool sameLine(const Line &line, const Word &word)
{
    const double overlap = std::min(line.bottom, word.bottom) - std::max(line.top, word.top);
    const double smaller = std::min(line.height(), word.bottom - word.top);
    return overlap >= 0.5 * smaller && word.left >= line.right - 0.5 * line.height();
}

// A margin line's text with its numbers made alike, so "Page 3" and "Page 4" repeat.
QString marginKey(const QString &text)
{
    static const QRegularExpression digits(u"\\d+"_s);
    return text.simplified().toLower().replace(digits, u"#"_s);
}

bool isPageNumber(const QString &key)
{
    static const QRegularExpression number(
        u"^(?:(?:page|p\\.|seite|página|pagina)\\s*)?[-–—(\\[]?\\s*(?:#|[ivxlcdm]+)\\s*[-–—)\\]]?"
        "(?:\\s*(?:/|of|de|von|sur)\\s*#)?$"_s);
    return number.match(key).hasMatch();
}

bool inMargin(const Line &line, const Page &page)
{
    return line.bottom <= page.height * marginShare || line.top >= page.height * (1 - marginShare);
}

bool startsItem(const QString &text)
{
    static const QRegularExpression item(u"^(?:[•▪●◦■□‣∙·*–—-]\\s|\\(?\\w{1,3}[.)]\\s)"_s);
    return item.match(text).hasMatch();
}

// Where a page's text column starts and ends: the leftmost start, and the right edge most of
// its long lines reach.
struct Column
{
    double left = 0, right = 0, gap = 0;
};

Column column(const std::vector<const Line *> &lines)
{
    Column c;
    if (lines.empty())
        return c;
    std::vector<double> rights, gaps;
    c.left = lines.front()->left;
    for (size_t i = 0; i < lines.size(); ++i) {
        c.left = std::min(c.left, lines[i]->left);
        rights.push_back(lines[i]->right);
        if (i > 0) {
            const double gap = lines[i]->top - lines[i - 1]->bottom;
            if (gap > -lines[i]->height() && gap < 4 * lines[i]->height())
                gaps.push_back(gap);
        }
    }
    std::sort(rights.begin(), rights.end());
    c.right = rights[size_t(double(rights.size() - 1) * 0.9)];
    if (!gaps.empty()) {
        std::nth_element(gaps.begin(), gaps.begin() + long(gaps.size() / 2), gaps.end());
        c.gap = gaps[gaps.size() / 2];
    }
    return c;
}

double charWidth(const Line &line)
{
    return (line.right - line.left) / std::max<qsizetype>(1, line.text.size());
}

bool fillsColumn(const Line &line, const Column &c)
{
    return line.right >= c.right - std::max(0.08 * (c.right - c.left), 3 * charWidth(line));
}

bool indented(const Line &line, const Column &c)
{
    return line.left > c.left + std::max(1.5 * charWidth(line), 6.0);
}

bool similarSize(const Line &a, const Line &b)
{
    return std::abs(a.height() - b.height()) <= 0.2 * std::max(a.height(), b.height());
}

// Whether `next` goes on in the paragraph `previous` ends, on the same page or the next.
bool continues(const Line &previous, const Column &pc, const Line &next, const Column &nc,
               bool samePage)
{
    if (!fillsColumn(previous, pc) || indented(next, nc) || startsItem(next.text)
        || !similarSize(previous, next))
        return false;
    if (!samePage)
        return true;
    const double gap = next.top - previous.bottom;
    return gap <= pc.gap + 0.5 * previous.height() && gap > -previous.height();
}

void join(QString &paragraph, const QString &next)
{
    const qsizetype n = paragraph.size();
    if (n >= 2 && !next.isEmpty() && next.front().isLower() && paragraph[n - 2].isLetter()) {
        const QChar last = paragraph.back();
        if (last == u'\u00AD' || last == u'-' || last == u'\u2010') {
            paragraph.chop(1);
            paragraph += next;
            return;
        }
    }
    if (!paragraph.isEmpty() && paragraph.back() == u'\u00AD')
        paragraph.chop(1);
    paragraph += u' ';
    paragraph += next;
}

} // namespace

std::vector<Line> lines(const std::vector<Word> &words)
{
    std::vector<Line> result;
    for (const Word &word : words) {
        if (word.text.isEmpty())
            continue;
        if (!result.empty() && sameLine(result.back(), word)) {
            Line &line = result.back();
            const double gap = word.left - line.right;
            if (!line.text.endsWith(u' ') && gap > 0.15 * line.height())
                line.text += u' ';
            line.text += word.text;
            line.right = std::max(line.right, word.right);
            line.top = std::min(line.top, word.top);
            line.bottom = std::max(line.bottom, word.bottom);
        } else {
            if (!result.empty())
                result.back().text = result.back().text.trimmed();
            result.push_back({word.text, word.left, word.top, word.right, word.bottom});
        }
        if (word.spaceAfter)
            result.back().text += u' ';
    }
    if (!result.empty())
        result.back().text = result.back().text.trimmed();
    return result;
}

QString text(const std::vector<Page> &pages)
{
    // Margin texts that come back on at least half the pages (and twice) are running heads.
    QHash<QString, int> seen;
    for (const Page &page : pages) {
        QSet<QString> keys;
        for (const Line &line : page.lines)
            if (inMargin(line, page))
                keys.insert(marginKey(line.text));
        for (const QString &key : std::as_const(keys))
            ++seen[key];
    }
    const int pageCount = int(pages.size());
    const auto running = [&](const QString &key) {
        const int count = seen.value(key);
        return (count >= 2 && 2 * count >= pageCount) || (pageCount >= 2 && isPageNumber(key));
    };

    QString out;
    QString paragraph;
    const Line *previous = nullptr;
    Column previousColumn;
    for (const Page &page : pages) {
        std::vector<const Line *> body;
        for (const Line &line : page.lines)
            if (!line.text.isEmpty() && !(inMargin(line, page) && running(marginKey(line.text))))
                body.push_back(&line);
        const Column pageColumn = column(body);
        bool first = true;
        for (const Line *line : body) {
            if (previous && continues(*previous, previousColumn, *line, pageColumn, !first)) {
                join(paragraph, line->text);
            } else {
                if (previous) {
                    out += paragraph;
                    out += u'\n';
                }
                paragraph = line->text;
            }
            previous = line;
            previousColumn = pageColumn;
            first = false;
        }
    }
    if (previous) {
        out += paragraph;
        out += u'\n';
    }
    return out;
}

} // namespace CMPdfLayout
