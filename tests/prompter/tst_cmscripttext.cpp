#include <engine/cmsettings.h>
#include <prompter/cmscripttext.h>

#include <QTest>

namespace {

CMTextStyle styleFor(double fontSize = 72, double lineSpacing = 1.25, bool uppercase = false)
{
    CMSettings settings;
    settings.fontSize = fontSize;
    settings.lineSpacing = lineSpacing;
    settings.uppercase = uppercase;
    return CMTextStyle::fromSettings(settings);
}

QString longLine(int words)
{
    QStringList list;
    for (int i = 0; i < words; ++i)
        list << QStringLiteral("word%1").arg(i);
    return list.join(u' ');
}

QString script(int lines)
{
    QStringList list;
    for (int i = 0; i < lines; ++i) {
        if (i % 7 == 3)
            list << QString();
        else if (i % 5 == 4)
            list << QStringLiteral("[Cue %1]").arg(i);
        else
            list << longLine(4 + i % 9);
    }
    return list.join(u'\n');
}

// What a fresh, fully measured layout of the script gives, row by row.
void compareWithFresh(CMScriptText &text)
{
    CMScriptText fresh;
    fresh.setStyle(text.style());
    fresh.setScript(text.script());
    fresh.measureAll();
    text.measureAll();
    QCOMPARE(text.rowCount(), fresh.rowCount());
    for (int i = 0; i < fresh.rowCount(); ++i) {
        QCOMPARE(text.kind(i), fresh.kind(i));
        QCOMPARE(text.rowText(i), fresh.rowText(i));
        QCOMPARE(text.rowHeight(i), fresh.rowHeight(i));
        QCOMPARE(text.rowTop(i), fresh.rowTop(i));
    }
    QCOMPARE(text.height(), fresh.height());
}

QList<quint32> glyphsOf(const CMRowLayout &row, CMTextRole role)
{
    QList<quint32> glyphs;
    for (const auto &line : row.lines) {
        for (const auto &run : line.runs) {
            if (run.role == role)
                glyphs += run.glyphs.glyphIndexes();
        }
    }
    return glyphs;
}

} // namespace

class TestCMScriptText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void gapsAndFixedHeights_data();
    void gapsAndFixedHeights();
    void wrappedLinesAndInlineCues();
    void uppercaseLeavesCuesAndEndMark();
    void addingALineGrowsByGapAndRow();
    void editsMatchAFreshLayout_data();
    void editsMatchAFreshLayout();
    void typingMeasuresOneRow();
    void restyleIsExactDownToTheFrame();
};

void TestCMScriptText::gapsAndFixedHeights_data()
{
    QTest::addColumn<double>("fontSize");
    QTest::addColumn<double>("lineSpacing");
    QTest::addColumn<double>("rowGap");
    QTest::addColumn<double>("blank");

    QTest::newRow("defaults") << 72.0 << 1.25 << 22.0 << 43.2;
    QTest::newRow("spacing 1") << 72.0 << 1.0 << 4.0 << 43.2;
    QTest::newRow("size 120, spacing 2") << 120.0 << 2.0 << 124.0 << 72.0;
}

void TestCMScriptText::gapsAndFixedHeights()
{
    QFETCH(double, fontSize);
    QFETCH(double, lineSpacing);
    QFETCH(double, rowGap);
    QFETCH(double, blank);
    CMScriptText text;
    text.setStyle(styleFor(fontSize, lineSpacing));
    text.setScript(QStringLiteral("One\n\t \nTwo"));
    text.measureAll();
    QCOMPARE(text.rowCount(), 5);
    QCOMPARE(text.kind(1), CMRowKind::Blank);
    QCOMPARE(text.kind(3), CMRowKind::Spacer);
    QCOMPARE(text.kind(4), CMRowKind::EndMark);
    QCOMPARE(text.rowHeight(1), blank);
    QCOMPARE(text.rowHeight(3), 40.0);
    for (int i = 0; i + 1 < text.rowCount(); ++i)
        QCOMPARE(text.rowTop(i + 1) - text.rowTop(i) - text.rowHeight(i), rowGap);
    QCOMPARE(text.height(), text.rowTop(4) + text.rowHeight(4));
}

void TestCMScriptText::wrappedLinesAndInlineCues()
{
    for (const double spacing : {1.0, 1.6}) {
        const CMTextStyle style = styleFor(72, spacing);
        const CMRowLayout row = CMRowLayout::build(
            CMRowKind::Spoken, longLine(12) + QStringLiteral(" [look up] ") + longLine(12), style);
        QVERIFY(row.lines.size() >= 3);
        for (std::size_t i = 1; i < row.lines.size(); ++i) {
            const double gap = row.lines[i].top - row.lines[i - 1].top - row.lines[i - 1].height;
            QCOMPARE_LE(qAbs(gap - style.wrapGap), 1.0 / 64); // Qt keeps 1/64 points
        }
        QCOMPARE(row.height, row.lines.back().top + row.lines.back().height);
        QCOMPARE(row.height, CMRowLayout::measure(CMRowKind::Spoken, longLine(12)
                                 + QStringLiteral(" [look up] ") + longLine(12), style));

        bool sawCue = false;
        for (const auto &line : row.lines) {
            for (const auto &run : line.runs) {
                const QRawFont font = run.glyphs.rawFont();
                if (run.role == CMTextRole::Cue) {
                    sawCue = true;
                    QCOMPARE_LE(qAbs(font.pixelSize() - 72 * 0.55), 1.0);
                    QCOMPARE(font.style(), QFont::StyleItalic);
                } else {
                    QCOMPARE(font.pixelSize(), 72.0);
                }
            }
        }
        QVERIFY(sawCue);
    }
}

void TestCMScriptText::uppercaseLeavesCuesAndEndMark()
{
    const CMTextStyle plain = styleFor(72, 1.25, false);
    const CMTextStyle capitals = styleFor(72, 1.25, true);
    const auto build = [](const QString &line, const CMTextStyle &style) {
        return CMRowLayout::build(CMRowLayout::kindOf(line), line, style);
    };
    const QString mixed = QStringLiteral("good evening [smile] everyone");
    QCOMPARE(glyphsOf(build(mixed, capitals), CMTextRole::Spoken),
             glyphsOf(build(QStringLiteral("GOOD EVENING [smile] EVERYONE"), plain),
                      CMTextRole::Spoken));
    QCOMPARE(glyphsOf(build(mixed, capitals), CMTextRole::Cue),
             glyphsOf(build(mixed, plain), CMTextRole::Cue));
    QCOMPARE(glyphsOf(build(QStringLiteral("  [pause here]  "), capitals), CMTextRole::Cue),
             glyphsOf(build(QStringLiteral("  [pause here]  "), plain), CMTextRole::Cue));
    QCOMPARE(glyphsOf(CMRowLayout::build(CMRowKind::EndMark, {}, capitals), CMTextRole::EndMark),
             glyphsOf(CMRowLayout::build(CMRowKind::EndMark, {}, plain), CMTextRole::EndMark));
}

void TestCMScriptText::addingALineGrowsByGapAndRow()
{
    CMScriptText text;
    text.setScript(script(40));
    text.measureAll();
    const double before = text.height();
    text.setScript(script(40) + QStringLiteral("\nOne more line to read"));
    text.measureAll();
    const int added = text.rowCount() - 3;
    QCOMPARE(text.height(), before + text.style().rowGap + text.rowHeight(added));
}

void TestCMScriptText::editsMatchAFreshLayout_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    const QString base = script(60);
    const qsizetype middle = base.indexOf(u'\n', base.size() / 2);
    QTest::newRow("type a letter") << base << QString(base).insert(middle - 3, u'x');
    QTest::newRow("split a line") << base << QString(base).insert(middle - 6, u'\n');
    QTest::newRow("join two lines") << base << QString(base).remove(middle, 1);
    QTest::newRow("paste a block") << base
                                   << QString(base).insert(middle, QStringLiteral("\n[New]\n\nA b c\n"));
    QTest::newRow("delete a block") << base << QString(base).remove(40, middle - 40);
    QTest::newRow("edit the first line") << base << QStringLiteral("Z") + base;
    QTest::newRow("append a line feed") << base << base + u'\n';
    QTest::newRow("turn a line into a cue") << QStringLiteral("a\nb\nc")
                                            << QStringLiteral("a\n[b]\nc");
    QTest::newRow("same text twice") << QStringLiteral("a\na\na") << QStringLiteral("a\na\na\na");
    QTest::newRow("clear everything") << base << QString();
    QTest::newRow("from nothing") << QString() << base;
}

void TestCMScriptText::editsMatchAFreshLayout()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    CMScriptText text;
    text.setScript(before);
    text.measureAll();
    text.setScript(after);
    compareWithFresh(text);
}

void TestCMScriptText::typingMeasuresOneRow()
{
    CMScriptText text;
    QString s = script(1000);
    text.setScript(s);
    text.measureAll();
    const qint64 before = text.measurements();
    const qsizetype at = s.indexOf(u'\n', s.size() / 2) - 2;
    const int edited = int(QStringView(s).first(at).count(u'\n'));
    const quint64 above = text.serial(edited - 1);
    const quint64 row = text.serial(edited);
    const quint64 below = text.serial(edited + 1);
    s.insert(at, u'k');
    text.setScript(s);
    QCOMPARE(text.measurements() - before, 1);
    QCOMPARE(text.serial(edited - 1), above);
    QVERIFY(text.serial(edited) != row);
    QCOMPARE(text.serial(edited + 1), below);
    QVERIFY(text.complete());

    text.setStyle(styleFor(80));
    QVERIFY(!text.complete());
    QVERIFY(text.serial(edited + 1) != below);
}

void TestCMScriptText::restyleIsExactDownToTheFrame()
{
    CMScriptText text;
    text.setScript(script(2000));
    text.measureAll();
    text.setStyle(styleFor(96, 1.4));
    const double depth = 40000;
    text.prepareThrough(depth);
    QVERIFY(!text.complete());
    const int row = text.rowAt(depth);
    QVERIFY(row > 100 && row < 1900);

    CMScriptText fresh;
    fresh.setStyle(text.style());
    fresh.setScript(text.script());
    fresh.measureAll();
    QCOMPARE(text.rowTop(row), fresh.rowTop(row));
    QCOMPARE(text.rowAt(depth), fresh.rowAt(depth));
    for (int i = 0; i <= row; ++i)
        QVERIFY(text.isMeasured(i));

    while (!text.measureFor(std::chrono::milliseconds(2))) {
    }
    QCOMPARE(text.height(), fresh.height());
}

QTEST_MAIN(TestCMScriptText)
#include "tst_cmscripttext.moc"
