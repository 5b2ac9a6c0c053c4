#include <engine/cmmath.h>
#include <engine/cmscriptbuffer.h>
#include <engine/cmwordcount.h>

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;
using CMMath::LineClass;
using CMMath::Segment;

Q_DECLARE_METATYPE(QList<Segment>)
Q_DECLARE_METATYPE(CMMath::LineClass)

namespace {

constexpr qsizetype chunk = CMScriptBuffer::maxChunk;

QString text(qsizetype length, char16_t seed = u'a')
{
    QString s;
    s.reserve(length);
    for (qsizetype i = 0; i < length; ++i)
        s.append(i % 7 == 6 ? QChar(u' ') : i % 61 == 60 ? QChar(u'\n') : QChar(char16_t(seed + i % 19)));
    return s;
}

// What the buffer holds and the shape it keeps: no empty chunk, none too long, not too many.
void checkMatches(const CMScriptBuffer &buffer, const QString &expected)
{
    QCOMPARE(buffer.size(), expected.size());
    QCOMPARE(buffer.toString(), expected);
    qsizetype total = 0;
    for (const QString &c : buffer.chunks()) {
        QVERIFY(!c.isEmpty());
        QVERIFY(c.size() <= chunk);
        total += c.size();
    }
    QCOMPARE(total, expected.size());
    QVERIFY(qsizetype(buffer.chunks().size()) <= 2 + expected.size() / (chunk / 8));
}

} // namespace

// The script's text: its cues and words, the chunked buffer that holds it, and the word count
// over the chunks.
class TestCMScriptBuffer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void segments_data();
    void segments();
    void lineClass_data();
    void lineClass();
    void editsMatchAString_data();
    void editsMatchAString();
    void randomEdits();
    void readsAcrossChunks();
    void commonPrefixAndSuffix_data();
    void commonPrefixAndSuffix();
    void wordCountChunkBordersInside_data();
    void wordCountChunkBordersInside();
    void wordCountAfterRandomEdits();
};

void TestCMScriptBuffer::segments_data()
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
void TestCMScriptBuffer::segments()
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

void TestCMScriptBuffer::lineClass_data()
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

void TestCMScriptBuffer::lineClass()
{
    QFETCH(QString, line);
    QTEST(CMMath::lineClass(line), "expected");
}

void TestCMScriptBuffer::editsMatchAString_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<qsizetype>("position");
    QTest::addColumn<qsizetype>("removed");
    QTest::addColumn<QString>("inserted");
    const QString big = text(5 * chunk + 123);
    QTest::newRow("type into nothing") << QString() << qsizetype(0) << qsizetype(0) << u"x"_s;
    QTest::newRow("type in the middle") << big << big.size() / 2 << qsizetype(0) << u"x"_s;
    QTest::newRow("type at a chunk border") << big << chunk << qsizetype(0) << u"x"_s;
    QTest::newRow("type at the end") << big << big.size() << qsizetype(0) << u"x"_s;
    QTest::newRow("delete across chunks") << big << chunk - 10 << 2 * chunk << QString();
    QTest::newRow("paste a large block") << big << qsizetype(17) << qsizetype(3)
                                         << text(3 * chunk + 5, u'A');
    QTest::newRow("delete everything") << big << qsizetype(0) << big.size() << QString();
    QTest::newRow("replace everything") << big << qsizetype(0) << big.size() << u"new"_s;
    QTest::newRow("clamped past the end") << big << big.size() + 50 << qsizetype(9) << u"z"_s;
    QTest::newRow("negative position") << u"abc"_s << qsizetype(-4) << qsizetype(1) << u"z"_s;
    QTest::newRow("removed past the end") << u"abc"_s << qsizetype(1) << qsizetype(99) << QString();
    QTest::newRow("shrink a chunk to nothing")
        << big << chunk / 2 << chunk - chunk / 4 << QString();
}

void TestCMScriptBuffer::editsMatchAString()
{
    QFETCH(QString, before);
    QFETCH(qsizetype, position);
    QFETCH(qsizetype, removed);
    QFETCH(QString, inserted);
    CMScriptBuffer buffer(before);
    checkMatches(buffer, before);
    buffer.replace(position, removed, inserted);
    const qsizetype p = std::clamp<qsizetype>(position, 0, before.size());
    const qsizetype r = std::clamp<qsizetype>(removed, 0, before.size() - p);
    checkMatches(buffer, QString(before).replace(p, r, inserted));
}

void TestCMScriptBuffer::randomEdits()
{
    QRandomGenerator random(15);
    QString expected = text(3 * chunk);
    CMScriptBuffer buffer(expected);
    for (int step = 0; step < 400; ++step) {
        const qsizetype position = random.bounded(expected.size() + 1);
        const qsizetype removed =
            random.bounded(4) == 0 ? random.bounded(chunk * 2) : random.bounded(3);
        const qsizetype length =
            random.bounded(4) == 0 ? random.bounded(chunk * 2) : random.bounded(3);
        const QString inserted = text(length, char16_t(u'A' + step % 20));
        buffer.replace(position, removed, inserted);
        expected.replace(position, std::min(removed, expected.size() - position), inserted);
        QCOMPARE(buffer.size(), expected.size());
    }
    checkMatches(buffer, expected);
}

void TestCMScriptBuffer::readsAcrossChunks()
{
    const QString s = text(3 * chunk + 7);
    const CMScriptBuffer buffer(s);
    for (const qsizetype at : {qsizetype(0), chunk - 3, 2 * chunk - 1, s.size() - 5}) {
        QCOMPARE(buffer.at(at), s.at(at));
        QCOMPARE(buffer.mid(at, 40), s.mid(at, 40));
        QString scratch;
        QCOMPARE(buffer.view(at, 5, scratch), QStringView(s).sliced(at, 5));
        QCOMPARE(buffer.indexOf(u'\n', at), s.indexOf(u'\n', at));
    }
    QCOMPARE(buffer.indexOf(u'#'), -1);
    QCOMPARE(buffer.indexOf(u'a', s.size()), -1);
    QString scratch;
    QVERIFY(buffer.view(s.size() - 2, 5, scratch).isEmpty());
}

void TestCMScriptBuffer::commonPrefixAndSuffix_data()
{
    QTest::addColumn<qsizetype>("position");
    QTest::addColumn<qsizetype>("removed");
    QTest::addColumn<QString>("inserted");
    QTest::newRow("one letter") << 2 * chunk + 5 << qsizetype(0) << u"q"_s;
    QTest::newRow("replace a letter by itself") << qsizetype(10) << qsizetype(1) << u"k"_s;
    QTest::newRow("a long paste") << chunk - 1 << qsizetype(2) << text(2 * chunk, u'B');
    QTest::newRow("at the start") << qsizetype(0) << qsizetype(1) << QString();
    QTest::newRow("at the end") << 6 * chunk << qsizetype(0) << u"\n"_s;
}

void TestCMScriptBuffer::commonPrefixAndSuffix()
{
    QFETCH(qsizetype, position);
    QFETCH(qsizetype, removed);
    QFETCH(QString, inserted);
    const QString before = text(6 * chunk);
    const QString after = QString(before).replace(position, removed, inserted);
    const qsizetype prefix =
        std::mismatch(before.begin(), before.end(), after.begin(), after.end()).first
        - before.begin();
    qsizetype suffix = 0;
    while (suffix < std::min(before.size(), after.size()) - prefix
           && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    const CMScriptBuffer a(before);
    CMScriptBuffer shared = a;
    shared.replace(position, removed, inserted);
    const CMScriptBuffer unshared(after);
    for (const CMScriptBuffer *b : {&std::as_const(shared), &unshared}) {
        QCOMPARE(CMScriptBuffer::commonPrefix(a, *b), prefix);
        QCOMPARE(CMScriptBuffer::commonSuffix(a, *b, prefix), suffix);
    }
    QCOMPARE(CMScriptBuffer::commonPrefix(a, after), prefix);
    QCOMPARE(CMScriptBuffer::commonSuffix(a, after, prefix), suffix);
    QCOMPARE(shared == after, true);
    QCOMPARE(a == after, before == after);
}

void TestCMScriptBuffer::wordCountChunkBordersInside_data()
{
    QTest::addColumn<QString>("around");
    QTest::newRow("a word") << u"word"_s;
    QTest::newRow("a cue") << u"x [cue] y"_s;
    QTest::newRow("an opening bracket with no close") << u"x [open y"_s;
    QTest::newRow("a close bracket with a combining mark") << u"x [a ]\u0301 b] y"_s;
    QTest::newRow("the last close bracket") << u"] z"_s;
}

// Chunk borders falling anywhere inside the interesting part: the count of the joined text.
void TestCMScriptBuffer::wordCountChunkBordersInside()
{
    QFETCH(QString, around);
    const QString base = text(chunk * 5 / 2);
    const qsizetype border = CMScriptBuffer(base).chunks().front().size();
    for (qsizetype shift = 0; shift <= around.size(); ++shift) {
        const QString script = QString(base).replace(border - shift, around.size(), around);
        const CMScriptBuffer buffer(script);
        QCOMPARE(buffer.chunks().front().size(), border);
        QCOMPARE(CMWordCount().count(buffer), CMMath::words(script));
    }
}

// Typing, pasting and deleting brackets, marks and spaces anywhere, counted after each edit by
// one counter that keeps what it learnt from the edits before.
void TestCMScriptBuffer::wordCountAfterRandomEdits()
{
    const QString pieces[] = {u"["_s, u"]"_s, u" "_s, u"\u0301"_s, u"w"_s, u"\n"_s,
                              u"] ["_s, u"ab cd"_s, text(chunk)};
    QRandomGenerator random(14);
    CMScriptBuffer script(text(4 * chunk));
    CMWordCount counter;
    QCOMPARE(counter.count(script), CMMath::words(script.toString()));
    for (int step = 0; step < 300; ++step) {
        const qsizetype at = random.bounded(script.size() + 1);
        const qsizetype removed =
            random.bounded(8) == 0 ? random.bounded(chunk) : random.bounded(2);
        const QString &inserted = pieces[random.bounded(int(std::size(pieces)))];
        script.replace(at, removed, inserted);
        QCOMPARE(counter.count(script), CMMath::words(script.toString()));
    }
}

QTEST_GUILESS_MAIN(TestCMScriptBuffer)
#include "tst_cmscriptbuffer.moc"
