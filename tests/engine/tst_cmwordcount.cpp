#include <engine/cmmath.h>
#include <engine/cmwordcount.h>

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype chunk = CMScriptBuffer::maxChunk;

QString words(qsizetype length)
{
    QString s;
    s.reserve(length);
    for (qsizetype i = 0; i < length; ++i)
        s.append(i % 7 == 6 ? QChar(u' ') : i % 61 == 60 ? QChar(u'\n') : QChar(char16_t(u'a' + i % 19)));
    return s;
}

} // namespace

class TestCMWordCount : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chunkBordersInside_data();
    void chunkBordersInside();
    void randomEditsCountAsTheJoinedText();
};

void TestCMWordCount::chunkBordersInside_data()
{
    QTest::addColumn<QString>("around");
    QTest::newRow("a word") << u"word"_s;
    QTest::newRow("a cue") << u"x [cue] y"_s;
    QTest::newRow("an opening bracket with no close") << u"x [open y"_s;
    QTest::newRow("a close bracket with a combining mark") << u"x [a ]\u0301 b] y"_s;
    QTest::newRow("the last close bracket") << u"] z"_s;
}

// Chunk borders falling anywhere inside the interesting part: the count of the joined text.
void TestCMWordCount::chunkBordersInside()
{
    QFETCH(QString, around);
    const QString base = words(chunk * 5 / 2);
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
void TestCMWordCount::randomEditsCountAsTheJoinedText()
{
    const QString pieces[] = {u"["_s, u"]"_s, u" "_s, u"\u0301"_s, u"w"_s, u"\n"_s,
                              u"] ["_s, u"ab cd"_s, words(chunk)};
    QRandomGenerator random(14);
    CMScriptBuffer script(words(4 * chunk));
    CMWordCount counter;
    QCOMPARE(counter.count(script), CMMath::words(script.toString()));
    for (int step = 0; step < 300; ++step) {
        const qsizetype at = random.bounded(script.size() + 1);
        const qsizetype removed = random.bounded(8) == 0 ? random.bounded(chunk) : random.bounded(2);
        const QString &inserted = pieces[random.bounded(int(std::size(pieces)))];
        script.replace(at, removed, inserted);
        QCOMPARE(counter.count(script), CMMath::words(script.toString()));
    }
}

QTEST_GUILESS_MAIN(TestCMWordCount)
#include "tst_cmwordcount.moc"
