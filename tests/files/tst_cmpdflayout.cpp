#include <files/cmpdflayout.h>

#include <QTest>

using namespace Qt::StringLiterals;
using CMPdfLayout::Page;
using CMPdfLayout::Word;

namespace {

constexpr double lineHeight = 12, charWidth = 6, pageWidth = 600, pageHeight = 800;

// Words as a simple typewriter sets them: 6 points a character, 14 points a line, from
// `left` down from `top`. In `rows`, "|" starts a table cell (every 150 points), "^" before a
// word raises it small (a note's mark), and an empty row is paragraph spacing.
void set(std::vector<Word> &words, const QStringList &rows, double top, double left)
{
    double y = top;
    for (const QString &row : rows) {
        if (row.isEmpty()) {
            y += lineHeight;
            continue;
        }
        const QStringList cells = row.split(u'|');
        for (qsizetype c = 0; c < cells.size(); ++c) {
            double x = left + 150 * double(c);
            for (QString word : cells[c].split(u' ', Qt::SkipEmptyParts)) {
                const bool raised = word.startsWith(u'^');
                if (raised)
                    word.remove(0, 1);
                const double width = charWidth * double(word.size()) * (raised ? 0.6 : 1);
                const double wordTop = raised ? y - 3 : y;
                words.push_back({word, x, wordTop, x + width, wordTop + (raised ? 7 : lineHeight), false});
                x += width + charWidth;
            }
        }
        y += lineHeight + 2;
    }
}

Page page(const QStringList &rows, double top = 100)
{
    std::vector<Word> words;
    set(words, rows, top, 60);
    return {pageWidth, pageHeight, CMPdfLayout::lines(std::move(words))};
}

QString layOut(const std::vector<Page> &pages)
{
    return CMPdfLayout::text(pages);
}

// Lines of about 80 characters that fill the column from 60 to 540 points.
const QString full1 = u"The council met on Tuesday to discuss the new bridge after three hours of the"_s;
const QString full2 = u"debate the members agreed that the work should begin in the spring this year of"_s;

} // namespace

// The PDF page layout: lines made from words, paragraphs joined, running heads, notes and
// columns, on pages of synthetic words (the fixtures in tst_cmcorpus hold real PDFs).
class TestCMPdfLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void paragraphs_data();
    void paragraphs();
    void runningHeadsAndPageNumbersLeftOut();
    void twoColumnsReadInTurn();
};

void TestCMPdfLayout::paragraphs_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("expected");

    QTest::newRow("wrapped lines joined, a short line ends the paragraph")
        << QStringList{full1, full2, u"weather permitting."_s, u"Next paragraph."_s}
        << full1 + u' ' + full2 + u" weather permitting.\nNext paragraph.\n"_s;
    QTest::newRow("paragraph spacing ends a paragraph")
        << QStringList{full1, full2, QString(), full1, full2, u"end."_s}
        << full1 + u' ' + full2 + u'\n' + full1 + u' ' + full2 + u" end.\n"_s;
    QTest::newRow("hyphenated word made whole")
        << QStringList{u"The council met on Tuesday to discuss the new bridge after three hours of in-"_s,
                       u"tense debate."_s}
        << u"The council met on Tuesday to discuss the new bridge after three hours of intense debate.\n"_s;
    QTest::newRow("a hyphen before a capital stays")
        << QStringList{u"The council met on Tuesday to discuss the new bridge after three hours of Anglo-"_s,
                       u"Saxon debate."_s}
        << u"The council met on Tuesday to discuss the new bridge after three hours of Anglo- Saxon debate.\n"_s;
    QTest::newRow("list items are lines of their own")
        << QStringList{u"- first item"_s, u"- second item"_s} << u"- first item\n- second item\n"_s;
    QTest::newRow("table rows keep their cells")
        << QStringList{u"Item|Presenter|Time"_s, u"Bridge|Anna|2:30"_s}
        << u"Item\tPresenter\tTime\nBridge\tAnna\t2:30\n"_s;
    QTest::newRow("note marks left out") << QStringList{u"the seventies. ^1 And more"_s}
                                         << u"the seventies. And more\n"_s;
}

void TestCMPdfLayout::paragraphs()
{
    QFETCH(QStringList, rows);
    QTEST(layOut({page(rows)}), "expected");
}

void TestCMPdfLayout::runningHeadsAndPageNumbersLeftOut()
{
    std::vector<Page> pages;
    for (int n = 1; n <= 3; ++n) {
        Page p = page({u"Evening News Script"_s}, 30);
        const Page body = page({full1, full2, u"Body of page %1."_s.arg(n)}, 300);
        const Page foot = page({u"Page %1 of 3"_s.arg(n)}, 770);
        p.lines.insert(p.lines.end(), body.lines.begin(), body.lines.end());
        p.lines.insert(p.lines.end(), foot.lines.begin(), foot.lines.end());
        pages.push_back(p);
    }
    const QString body = full1 + u' ' + full2 + u" Body of page %1.\n"_s;
    QCOMPARE(layOut(pages), body.arg(1) + body.arg(2) + body.arg(3));
    // A margin line on one page only is the document's own.
    QCOMPARE(layOut({pages.front()}), u"Evening News Script\n"_s + body.arg(1) + u"Page 1 of 3\n"_s);
}

void TestCMPdfLayout::twoColumnsReadInTurn()
{
    // Two columns of prose whose lines sit at different heights: each is read whole.
    QStringList left, right;
    for (int i = 0; i < 12; ++i) {
        left << u"left column line %1 of prose ok"_s.arg(i, 2, 10, QChar(u'0'));
        right << u"right column line %1 of prose"_s.arg(i, 2, 10, QChar(u'0'));
    }
    std::vector<Word> words;
    set(words, left, 100, 40);
    set(words, right, 105, 330);
    const QString got = layOut({{pageWidth, pageHeight, CMPdfLayout::lines(std::move(words))}});
    QVERIFY2(got.indexOf(u"left column line 11"_s) < got.indexOf(u"right column line 00"_s),
             qPrintable(got));
    QVERIFY(!got.contains(u'\t'));
}

QTEST_GUILESS_MAIN(TestCMPdfLayout)
#include "tst_cmpdflayout.moc"
