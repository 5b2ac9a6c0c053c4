#include <engine/cmmath.h>

#include <QTest>

using namespace Qt::StringLiterals;
using CMMath::LineClass;
using CMMath::Segment;

Q_DECLARE_METATYPE(QList<Segment>)
Q_DECLARE_METATYPE(CMMath::LineClass)

class TestCMMath : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void segments_data();
    void segments();
    void lineClass_data();
    void lineClass();
};

void TestCMMath::segments_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<Segment>>("segments");
    QTest::addColumn<qint64>("words");

    const auto spoken = [](const QString &text) { return Segment{text, false}; };
    const auto cue = [](const QString &text) { return Segment{text, true}; };
    QTest::newRow("empty") << QString() << QList<Segment>{} << qint64(0);
    QTest::newRow("cue then text")
        << u"[Pause] Now we begin"_s << QList{cue(u"[Pause]"_s), spoken(u" Now we begin"_s)}
        << qint64(3);
    QTest::newRow("unclosed bracket is text")
        << u"Note [ this"_s << QList{spoken(u"Note [ this"_s)} << qint64(3);
    QTest::newRow("no nesting") << u"[a [b] c]"_s << QList{cue(u"[a [b]"_s), spoken(u" c]"_s)}
                                << qint64(1);
    QTest::newRow("empty cue") << u"[]"_s << QList{cue(u"[]"_s)} << qint64(0);
    QTest::newRow("consecutive cues")
        << u"[a][b]x"_s << QList{cue(u"[a]"_s), cue(u"[b]"_s), spoken(u"x"_s)} << qint64(1);
    QTest::newRow("cue separates words")
        << u"Hello[cue]world"_s << QList{spoken(u"Hello"_s), cue(u"[cue]"_s), spoken(u"world"_s)}
        << qint64(2);
    QTest::newRow("bracket with combining mark is not a bracket")
        << u"[\u0301a]"_s << QList{spoken(u"[\u0301a]"_s)} << qint64(1);
    QTest::newRow("later cue closes")
        << u"a [b\nc\nd] e [f"_s << QList{spoken(u"a "_s), cue(u"[b\nc\nd]"_s), spoken(u" e [f"_s)}
        << qint64(3);
    QTest::newRow("dash alone counts")
        << u"one — two"_s << QList{spoken(u"one — two"_s)} << qint64(3);
    QTest::newRow("hyphenated once")
        << u"well-known"_s << QList{spoken(u"well-known"_s)} << qint64(1);
    const QString spaces = u"a\tb\nc\rd\u00A0e\u2028f\u2029g\u0085h\u3000i\u000Bj"_s;
    QTest::newRow("all white space kinds") << spaces << QList{spoken(spaces)} << qint64(10);
}

// The word count is one pass of its own; it must agree with the spoken segments.
void TestCMMath::segments()
{
    QFETCH(QString, text);
    QFETCH(QList<Segment>, segments);
    QFETCH(qint64, words);
    QCOMPARE(CMMath::segments(text), segments);
    QCOMPARE(CMMath::words(text), words);
    const QList<CMMath::WordSpan> spans = CMMath::wordSpans(text);
    QCOMPARE(spans.size(), words);
    for (const CMMath::WordSpan &span : spans) {
        const QStringView word = QStringView(text).sliced(span.start, span.length);
        QVERIFY(!word.isEmpty() && !word.front().isSpace() && !word.back().isSpace());
        QVERIFY(!word.contains(u'\n'));
    }
}

void TestCMMath::lineClass_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<LineClass>("expected");

    QTest::newRow("empty") << QString() << LineClass::Blank;
    QTest::newRow("em space") << u"\u2003"_s << LineClass::Blank;
    QTest::newRow("padded cue") << u"  [Pause]  "_s << LineClass::Cue;
    QTest::newRow("two cues and text") << u"[a] text [b]"_s << LineClass::Cue;
    QTest::newRow("empty brackets") << u"[]"_s << LineClass::Cue;
    QTest::newRow("cue then words") << u"[Pause] Now we begin"_s << LineClass::Spoken;
    QTest::newRow("half a spanning cue") << u"[Start"_s << LineClass::Spoken;
}

void TestCMMath::lineClass()
{
    QFETCH(QString, line);
    QTEST(CMMath::lineClass(line), "expected");
}

QTEST_GUILESS_MAIN(TestCMMath)
#include "tst_cmmath.moc"
