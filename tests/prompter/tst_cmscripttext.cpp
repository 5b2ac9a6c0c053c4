#include "samplescript.h"

#include <engine/cmsettings.h>
#include <prompter/cmscripttext.h>

#include <QTest>

using namespace Qt::StringLiterals;
using samplescript::script;

namespace {

CMTextStyle styleFor(double fontSize = 72, double lineSpacing = 1.25, bool uppercase = false)
{
    CMSettings settings;
    settings.fontSize = fontSize;
    settings.lineSpacing = lineSpacing;
    settings.uppercase = uppercase;
    return CMTextStyle::fromSettings(settings);
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
    void rowKinds();
    void measureAgreesWithTheLayout();
    void uppercaseLeavesCuesAndEndMark();
    void editsMatchAFreshLayout_data();
    void editsMatchAFreshLayout();
    void typingMeasuresOneRow();
    void wordPlaces_data();
    void wordPlaces();
};

// A line of blanks is a gap, not a spoken line; the script ends with room and the end mark.
void TestCMScriptText::rowKinds()
{
    CMScriptText text;
    text.setScript(u"One\n\t \n[Two]"_s);
    QList<CMRowKind> kinds;
    for (int i = 0; i < text.rowCount(); ++i)
        kinds << text.kind(i);
    QCOMPARE(kinds, (QList<CMRowKind>{CMRowKind::Spoken, CMRowKind::Blank, CMRowKind::Cue,
                                      CMRowKind::Spacer, CMRowKind::EndMark}));
}

// Measuring a row without laying it out gives the height the layout has, and cues inside a
// line keep their own runs, at any spacing.
void TestCMScriptText::measureAgreesWithTheLayout()
{
    const QString line = samplescript::words(12) + u" [look up] "_s + samplescript::words(12);
    for (const double spacing : {1.0, 1.6}) {
        const CMTextStyle style = styleFor(72, spacing);
        const CMRowLayout row = CMRowLayout::build(CMRowKind::Spoken, line, style);
        QVERIFY(row.lines.size() >= 3);
        QCOMPARE(row.height, CMRowLayout::measure(CMRowKind::Spoken, line, style));
        QVERIFY(!glyphsOf(row, CMTextRole::Cue).isEmpty());
    }
}

void TestCMScriptText::uppercaseLeavesCuesAndEndMark()
{
    const CMTextStyle plain = styleFor(72, 1.25, false);
    const CMTextStyle capitals = styleFor(72, 1.25, true);
    const auto glyphs = [](const QString &line, const CMTextStyle &style, CMTextRole role) {
        const CMRowKind kind = line.isNull() ? CMRowKind::EndMark : CMRowLayout::kindOf(line);
        return glyphsOf(CMRowLayout::build(kind, line, style), role);
    };
    const QString mixed = u"good evening [smile] everyone"_s;
    // In capitals, and in plain style as it should then look.
    const std::tuple<QString, QString, CMTextRole> cases[] = {
        {mixed, u"GOOD EVENING [smile] EVERYONE"_s, CMTextRole::Spoken},
        {mixed, mixed, CMTextRole::Cue},
        {u"  [pause here]  "_s, u"  [pause here]  "_s, CMTextRole::Cue},
        {QString(), QString(), CMTextRole::EndMark}};
    for (const auto &[line, looksLike, role] : cases) {
        QVERIFY(!glyphs(line, capitals, role).isEmpty());
        QCOMPARE(glyphs(line, capitals, role), glyphs(looksLike, plain, role));
    }
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
                                   << QString(base).insert(middle, u"\n[New]\n\nA b c\n"_s);
    QTest::newRow("delete a block") << base << QString(base).remove(40, middle - 40);
    QTest::newRow("edit the first line") << base << u"Z"_s + base;
    QTest::newRow("append a line feed") << base << base + u'\n';
    QTest::newRow("turn a line into a cue") << u"a\nb\nc"_s << u"a\n[b]\nc"_s;
    QTest::newRow("same text twice") << u"a\na\na"_s << u"a\na\na\na"_s;
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
    text.measureAll();

    CMScriptText fresh;
    fresh.setScript(after);
    fresh.measureAll();
    QCOMPARE(text.rowCount(), fresh.rowCount());
    for (int i = 0; i < fresh.rowCount(); ++i) {
        QCOMPARE(text.kind(i), fresh.kind(i));
        QCOMPARE(text.rowText(i), fresh.rowText(i));
        QCOMPARE(text.rowHeight(i), fresh.rowHeight(i));
        QCOMPARE(text.rowTop(i), fresh.rowTop(i));
    }
    QCOMPARE(text.height(), fresh.height());
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

void TestCMScriptText::wordPlaces_data()
{
    QTest::addColumn<bool>("uppercase");
    QTest::newRow("as typed") << false;
    QTest::newRow("capitals, ß grows") << true;
}

// Every word is placed on the wrapped line that shows it: line tops only grow through the
// script, a word that wraps starts a lower line, and positionAt() finds each line's first word.
void TestCMScriptText::wordPlaces()
{
    QFETCH(bool, uppercase);
    CMScriptText text;
    text.setStyle(styleFor(72, 1.25, uppercase));
    const QString line = u"Straße words to wrap across the column of the prompter, ten times over "
                         u"and again until this one paragraph takes several wrapped lines."_s;
    const QString s = u"[Intro]\n"_s + line + u"\n\nShort [cue] line.\n"_s + line;
    text.setScript(s);
    text.measureAll();
    double previous = -1;
    int lineStarts = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i].isSpace() || (i > 0 && !s[i - 1].isSpace()))
            continue;
        const double top = text.lineTop(i);
        QVERIFY2(top >= previous, qPrintable(QString::number(i)));
        if (top > previous) {
            ++lineStarts;
            QCOMPARE(text.positionAt(top + 1), i);
        }
        previous = top;
    }
    const int wrapped = int(text.layout(1)->lines.size());
    QVERIFY(wrapped >= 3);
    QCOMPARE(lineStarts, 2 * wrapped + 2); // and the cue line, and the short line
    QCOMPARE(text.lineTop(0), 0.0);
    QCOMPARE(text.positionAt(text.height()), s.size());
}

QTEST_MAIN(TestCMScriptText)
#include "tst_cmscripttext.moc"
