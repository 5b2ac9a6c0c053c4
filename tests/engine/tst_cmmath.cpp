#include <QTest>
#include <engine/cmmath.h>

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
    void words_data();
    void words();
    void lineClass_data();
    void lineClass();
};

void TestCMMath::segments_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<Segment>>("expected");

    QTest::newRow("empty") << QString() << QList<Segment>{};
    QTest::newRow("cue then text")
        << u"[Pause] Now we begin"_s
        << QList<Segment>{{u"[Pause]"_s, true}, {u" Now we begin"_s, false}};
    QTest::newRow("unclosed") << u"Note [ this"_s << QList<Segment>{{u"Note [ this"_s, false}};
    QTest::newRow("no nesting") << u"[a [b] c]"_s
                                << QList<Segment>{{u"[a [b]"_s, true}, {u" c]"_s, false}};
    QTest::newRow("empty cue") << u"[]"_s << QList<Segment>{{u"[]"_s, true}};
    QTest::newRow("consecutive cues")
        << u"[a][b]x"_s << QList<Segment>{{u"[a]"_s, true}, {u"[b]"_s, true}, {u"x"_s, false}};
    QTest::newRow("spaces stay with text")
        << u"a [b] c"_s << QList<Segment>{{u"a "_s, false}, {u"[b]"_s, true}, {u" c"_s, false}};
    QTest::newRow("closed then unclosed")
        << u"[a] b [c"_s << QList<Segment>{{u"[a]"_s, true}, {u" b [c"_s, false}};
    QTest::newRow("bracket with combining mark is not a bracket")
        << u"[\u0301a]"_s << QList<Segment>{{u"[\u0301a]"_s, false}};
    QTest::newRow("spans lines") << u"[Start\nhere] go"_s
                                 << QList<Segment>{{u"[Start\nhere]"_s, true}, {u" go"_s, false}};
}

void TestCMMath::segments()
{
    QFETCH(QString, text);
    QFETCH(QList<Segment>, expected);
    QCOMPARE(CMMath::segments(text), expected);
}

void TestCMMath::words_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("empty") << QString() << qint64(0);
    QTest::newRow("cue then words") << u"[Pause] Now we begin"_s << qint64(3);
    QTest::newRow("unclosed bracket is a word") << u"Note [ this"_s << qint64(3);
    QTest::newRow("cue across lines") << u"[Start\nhere]"_s << qint64(0);
    QTest::newRow("cue separates words") << u"Hello[cue]world"_s << qint64(2);
    QTest::newRow("dash alone counts") << u"one — two"_s << qint64(3);
    QTest::newRow("hyphenated once") << u"well-known"_s << qint64(1);
    QTest::newRow("all white space kinds")
        << u"a\tb\nc\rd\u00A0e\u2028f\u2029g\u0085h\u3000i\u000Bj"_s << qint64(10);
    QTest::newRow("only spaces") << u"   \n\t  "_s << qint64(0);
    QTest::newRow("later cue closes") << u"a [b\nc\nd] e [f"_s << qint64(3);
}

void TestCMMath::words()
{
    QFETCH(QString, script);
    QFETCH(qint64, expected);
    QCOMPARE(CMMath::words(script), expected);
}

void TestCMMath::lineClass_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<LineClass>("expected");

    QTest::newRow("empty") << QString() << LineClass::Blank;
    QTest::newRow("tabs") << u"\t\t\t"_s << LineClass::Blank;
    QTest::newRow("em space") << u"\u2003"_s << LineClass::Blank;
    QTest::newRow("padded cue") << u"  [Pause]  "_s << LineClass::Cue;
    QTest::newRow("two cues and text") << u"[a] text [b]"_s << LineClass::Cue;
    QTest::newRow("empty brackets") << u"[]"_s << LineClass::Cue;
    QTest::newRow("lone open") << u"["_s << LineClass::Spoken;
    QTest::newRow("cue then words") << u"[Pause] Now we begin"_s << LineClass::Spoken;
    QTest::newRow("half a spanning cue") << u"[Start"_s << LineClass::Spoken;
}

void TestCMMath::lineClass()
{
    QFETCH(QString, line);
    QFETCH(LineClass, expected);
    QCOMPARE(CMMath::lineClass(line), expected);
}

QTEST_GUILESS_MAIN(TestCMMath)
#include "tst_cmmath.moc"
