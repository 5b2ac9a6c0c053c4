#include "cmpdflayout.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace CMPdfLayout {

namespace {

// Running headers and footers live in this share of the page at its top and bottom.
constexpr double marginShare = 0.12;

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

Column column(const std::vector<const Line *> &lines, double documentRight)
{
    Column c;
    if (lines.empty())
        return c;
    // Too few lines to show where the column ends: the document's usual right edge.
    if (lines.size() < 3) {
        c.left = lines.front()->left;
        c.right = documentRight;
        for (const Line *line : lines) {
            c.left = std::min(c.left, line->left);
            c.right = std::max(c.right, line->right);
        }
        return c;
    }
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

// A line was wrapped, not ended, when the next line's first word would not have fitted after
// it.
bool wrapped(const Line &line, const Column &c, const Line &next)
{
    const qsizetype space = next.text.indexOf(u' ');
    const qsizetype firstWord = space < 0 ? next.text.size() : space;
    const double needed = double(firstWord + 1) * charWidth(next);
    return c.right - line.right < needed + 0.5 * charWidth(line);
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
    if (previous.tabular || next.tabular || !wrapped(previous, pc, next)
        || startsItem(next.text) || !similarSize(previous, next))
        return false;
    // On to the next page or column: the paragraph goes on where that column's text starts.
    if (!samePage || next.left >= previous.right)
        return !indented(next, nc);
    // A first line is indented, or set further apart.
    if (next.left > previous.left + std::max(1.5 * charWidth(next), 6.0))
        return false;
    const double gap = next.top - previous.bottom;
    return gap <= pc.gap + 0.3 * previous.height() && gap > -previous.height();
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

// A line as it sits on the page: its words left to right, and the runs of them that wide
// gaps separate.
struct VisualLine
{
    std::vector<const Word *> words;
    std::vector<bool> wideGap; // before each word: a gap that may part two cells
    std::vector<Line> segments;
    double top = 0, bottom = 0;
};

// A note's mark raised above the line in small type: a number or a dagger.
bool isNoteMark(const Word &word, double lineHeight, double baseline)
{
    static const QRegularExpression mark(u"^(?:\\d{1,3}|[*†‡§]{1,3})$"_s);
    const double height = word.bottom - word.top;
    return height < 0.75 * lineHeight && word.bottom < baseline - 0.15 * lineHeight
           && mark.match(word.text).hasMatch();
}

VisualLine visualLine(std::vector<const Word *> row)
{
    VisualLine line;
    std::sort(row.begin(), row.end(), [](const Word *a, const Word *b) { return a->left < b->left; });
    if (row.size() > 1) {
        std::vector<double> heights, bottoms;
        for (const Word *word : row) {
            heights.push_back(word->bottom - word->top);
            bottoms.push_back(word->bottom);
        }
        std::nth_element(heights.begin(), heights.begin() + long(heights.size() / 2), heights.end());
        std::nth_element(bottoms.begin(), bottoms.begin() + long(bottoms.size() / 2), bottoms.end());
        const double height = heights[heights.size() / 2];
        const double baseline = bottoms[bottoms.size() / 2];
        std::erase_if(row, [&](const Word *w) { return isNoteMark(*w, height, baseline); });
    }
    line.words = std::move(row);
    line.top = line.words.front()->top;
    line.bottom = line.words.front()->bottom;
    for (const Word *word : line.words) {
        line.top = std::min(line.top, word->top);
        line.bottom = std::max(line.bottom, word->bottom);
    }
    const double height = line.bottom - line.top;
    std::vector<double> gaps;
    for (size_t i = 1; i < line.words.size(); ++i)
        gaps.push_back(line.words[i]->left - line.words[i - 1]->right);
    double typical = 0.35 * height;
    if (gaps.size() >= 3) {
        std::vector<double> sorted = gaps;
        std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
        typical = std::min(typical, sorted[sorted.size() / 2]);
    }
    line.wideGap.assign(line.words.size(), false);
    for (size_t i = 1; i < line.words.size(); ++i)
        line.wideGap[i] = gaps[i - 1] > std::max(0.8 * height, 2.5 * typical);
    return line;
}

// A wide gap parts two cells only when the word after it starts where a word starts on the
// line above or below (after a wide gap too, or exactly there): table columns and tab stops
// line up, the stretched spaces of a justified line do not.
bool aligned(const VisualLine &line, size_t index, const VisualLine *neighbour)
{
    if (!neighbour)
        return false;
    const double x = line.words[index]->left;
    const double height = line.bottom - line.top;
    for (size_t k = 1; k < neighbour->words.size(); ++k) {
        const double off = std::abs(neighbour->words[k]->left - x);
        if (off <= 0.1 * height || (neighbour->wideGap[k] && off <= 0.3 * height))
            return true;
    }
    return false;
}

void buildSegments(VisualLine &line, const VisualLine *above, const VisualLine *below)
{

    const double height = line.bottom - line.top;
    for (size_t i = 0; i < line.words.size(); ++i) {
        const Word *word = line.words[i];
        const bool cell = line.wideGap[i] && (aligned(line, i, above) || aligned(line, i, below));
        if (i == 0 || cell) {
            line.segments.push_back({word->text, word->left, line.top, word->right, line.bottom});
        } else {
            Line &segment = line.segments.back();
            if (!segment.text.endsWith(u' ') && word->left - segment.right > 0.15 * height)
                segment.text += u' ';
            segment.text += word->text;
            segment.right = std::max(segment.right, word->right);
        }
        if (word->spaceAfter)
            line.segments.back().text += u' ';
    }
    for (Line &segment : line.segments)
        segment.text = segment.text.trimmed();
}

std::vector<std::vector<const Word *>> rows(std::vector<const Word *> words)
{
    std::sort(words.begin(), words.end(), [](const Word *a, const Word *b) {
        return a->top + a->bottom < b->top + b->bottom;
    });
    // Words whose boxes overlap by half the smaller height share a line (a raised note mark
    // included).
    std::vector<std::vector<const Word *>> result;
    double top = 0, bottom = 0;
    for (const Word *word : words) {
        const double overlap = std::min(bottom, word->bottom) - std::max(top, word->top);
        if (result.empty() || overlap < 0.5 * std::min(bottom - top, word->bottom - word->top)) {
            result.push_back({});
            top = word->top;
            bottom = word->bottom;
        }
        result.back().push_back(word);
        top = std::min(top, word->top);
        bottom = std::max(bottom, word->bottom);
    }
    return result;
}

// Rows of words as lines: cells of a row separated by tabs.
void appendLines(std::vector<Line> &out, const std::vector<const Word *> &words)
{
    std::vector<VisualLine> visual;
    for (auto &row : rows(words))
        visual.push_back(visualLine(std::move(row)));
    for (size_t i = 0; i < visual.size(); ++i) {
        VisualLine &line = visual[i];
        buildSegments(line, i > 0 ? &visual[i - 1] : nullptr,
                      i + 1 < visual.size() ? &visual[i + 1] : nullptr);
        if (line.segments.empty())
            continue;
        Line joined = line.segments.front();
        joined.tabular = line.segments.size() > 1;
        for (size_t k = 1; k < line.segments.size(); ++k) {
            joined.text += u'\t';
            joined.text += line.segments[k].text;
            joined.right = line.segments[k].right;
        }
        out.push_back(std::move(joined));
    }
}

// The share of the rows of words that reach across most of the width they share: near 1 for
// prose, low for the short cells of a table.
double fullRows(const std::vector<const Word *> &words)
{
    if (words.empty())
        return 0;
    double left = words.front()->left, right = words.front()->right;
    for (const Word *word : words) {
        left = std::min(left, word->left);
        right = std::max(right, word->right);
    }
    const auto grouped = rows(words);
    int full = 0;
    for (const auto &row : grouped) {
        double extent = 0;
        for (const Word *word : row)
            extent = std::max(extent, word->right);
        if (extent >= right - 0.15 * (right - left))
            ++full;
    }
    return double(full) / double(grouped.size());
}

// The middle of the gutter between two columns of prose: a band down the page that almost no
// word crosses, with sentences on both sides. A table's columns hold short cells and are no
// columns of prose.
std::optional<double> columnGutter(const std::vector<const Word *> &words)
{
    if (words.size() < 40)
        return std::nullopt;
    double left = words.front()->left, right = words.front()->right;
    for (const Word *word : words) {
        left = std::min(left, word->left);
        right = std::max(right, word->right);
    }
    constexpr int bins = 200;
    const double width = (right - left) / bins;
    if (width <= 0)
        return std::nullopt;
    std::vector<int> crossing(bins, 0);
    for (const Word *word : words) {
        const int from = std::clamp(int((word->left - left) / width), 0, bins - 1);
        const int to = std::clamp(int((word->right - left) / width), 0, bins - 1);
        for (int b = from; b <= to; ++b)
            ++crossing[size_t(b)];
    }
    const int allowed = std::max(1, int(words.size() / 50));
    int bestFrom = -1, bestLength = 0;
    for (int b = bins / 5; b < bins * 4 / 5;) {
        if (crossing[size_t(b)] > allowed) {
            ++b;
            continue;
        }
        int e = b;
        while (e < bins * 4 / 5 && crossing[size_t(e)] <= allowed)
            ++e;
        if (e - b > bestLength) {
            bestFrom = b;
            bestLength = e - b;
        }
        b = e;
    }
    if (bestFrom < 0 || bestLength < 2)
        return std::nullopt;
    const double gutter = left + (bestFrom + bestLength / 2.0) * width;
    // Columns of a page are as wide as each other; a table's rarely are.
    const double leftWidth = gutter - left, rightWidth = right - gutter;
    if (std::abs(leftWidth - rightWidth) > 0.25 * std::max(leftWidth, rightWidth))
        return std::nullopt;
    std::vector<const Word *> leftWords, rightWords;
    for (const Word *word : words)
        (word->right <= gutter ? leftWords : rightWords).push_back(word);
    if (std::max(fullRows(leftWords), fullRows(rightWords)) < 0.5)
        return std::nullopt;
    return gutter;
}

} // namespace

std::vector<Line> lines(std::vector<Word> words)
{
    std::erase_if(words, [](const Word &w) { return w.text.isEmpty() || w.bottom <= w.top; });
    std::vector<const Word *> all;
    for (const Word &word : words)
        all.push_back(&word);
    std::vector<Line> result;
    const auto gutter = columnGutter(all);
    if (!gutter) {
        appendLines(result, all);
        return result;
    }
    // Rows that cross the gutter (a title over both columns) keep their place; between them,
    // the left column is read before the right one.
    std::vector<const Word *> leftColumn, rightColumn;
    const auto flush = [&] {
        appendLines(result, leftColumn);
        appendLines(result, rightColumn);
        leftColumn.clear();
        rightColumn.clear();
    };
    for (const auto &row : rows(all)) {
        const bool crosses = std::any_of(row.begin(), row.end(), [&](const Word *w) {
            return w->left < *gutter && w->right > *gutter;
        });
        if (crosses) {
            flush();
            appendLines(result, row);
            continue;
        }
        for (const Word *word : row)
            (word->right <= *gutter ? leftColumn : rightColumn).push_back(word);
    }
    flush();
    return result;
}

namespace {

// Where the notes at the foot of a page begin: a run of smaller lines at its bottom whose
// first starts with a note's mark. body.size() when there are none.
size_t notesStart(const std::vector<const Line *> &body, const Page &page)
{
    if (body.size() < 3)
        return body.size();
    std::vector<double> heights;
    for (const Line *line : body)
        heights.push_back(line->height());
    std::nth_element(heights.begin(), heights.begin() + long(heights.size() / 2), heights.end());
    const double typical = heights[heights.size() / 2];
    size_t k = body.size();
    while (k > 1 && body[k - 1]->height() < 0.85 * typical && body[k - 1]->top > 0.5 * page.height)
        --k;
    static const QRegularExpression mark(u"^(?:\\d{1,3}|[*†‡§]{1,3})\\s?\\S"_s);
    if (k == body.size() || !mark.match(body[k]->text).hasMatch()
        || body[k]->top - body[k - 1]->bottom < 0.5 * typical)
        return body.size();
    return k;
}

} // namespace

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

    // Where most long lines of the document end, for columns too short to tell.
    std::vector<double> rights;
    for (const Page &page : pages)
        for (const Line &line : page.lines)
            if (!inMargin(line, page))
                rights.push_back(line.right);
    double documentRight = 0;
    if (!rights.empty()) {
        const size_t at = size_t(double(rights.size() - 1) * 0.9);
        std::nth_element(rights.begin(), rights.begin() + long(at), rights.end());
        documentRight = rights[at];
    }

    QString out;
    QString paragraph;
    const Line *previous = nullptr;
    Column previousColumn;
    for (const Page &page : pages) {
        std::vector<const Line *> body;
        for (const Line &line : page.lines)
            if (!line.text.isEmpty() && !(inMargin(line, page) && running(marginKey(line.text))))
                body.push_back(&line);
        // Each run of lines that overlap across the page is a column of its own (two columns
        // of prose, a table beside the text): its edges decide which lines are full, and the
        // notes at its foot are left out.
        std::vector<const Line *> kept;
        std::vector<Column> columns;
        for (size_t from = 0; from < body.size();) {
            size_t to = from + 1;
            while (to < body.size() && body[to]->left < body[to - 1]->right
                   && body[to - 1]->left < body[to]->right)
                ++to;
            std::vector<const Line *> group(body.begin() + long(from), body.begin() + long(to));
            group.resize(notesStart(group, page));
            const Column c = column(group, documentRight);
            kept.insert(kept.end(), group.begin(), group.end());
            columns.insert(columns.end(), group.size(), c);
            from = to;
        }
        body = std::move(kept);
        for (size_t i = 0; i < body.size(); ++i) {
            const Line *line = body[i];
            if (previous && continues(*previous, previousColumn, *line, columns[i], i > 0)) {
                join(paragraph, line->text);
            } else {
                if (previous) {
                    out += paragraph;
                    out += u'\n';
                }
                paragraph = line->text;
            }
            previous = line;
            previousColumn = columns[i];
        }
    }
    if (previous) {
        out += paragraph;
        out += u'\n';
    }
    return out;
}

} // namespace CMPdfLayout
