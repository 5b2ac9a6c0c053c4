#include <voice/cmvoicealigner.h>
#include <voice/cmvoicepacer.h>

#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// A script of words as sound ids: each distinct word its own id, "?" a word the recogniser
// cannot hear.
struct Script
{
    QStringList words;
    std::shared_ptr<const std::vector<int>> ids;

    explicit Script(const QString &text)
        : words(text.split(u' ', Qt::SkipEmptyParts))
    {
        auto out = std::make_shared<std::vector<int>>();
        for (const QString &w : words)
            out->push_back(w == u"?" ? -1 : int(words.indexOf(w)));
        ids = out;
    }
    int id(const QString &word) const
    {
        const qsizetype i = words.indexOf(word);
        return word == u"?" ? -1 : int(i);
    }
};

const QString story = u"the boat left the harbour at dawn with four men on board "
                      u"they sailed north past the old lighthouse and into open water "
                      u"by noon the wind had turned and the sky grew dark "
                      u"the captain ordered the sails down and waited for the storm "
                      u"it came at dusk and lasted until the morning"_s;

} // namespace

class TestCMVoiceAligner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void follows_data();
    void follows();
    void pacerGlidesAndStops();
};

void TestCMVoiceAligner::follows_data()
{
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<QString>("heard");
    QTest::addColumn<qsizetype>("expected");
    QTest::addColumn<bool>("lost");

    QTest::newRow("straight") << qsizetype(0) << u"the boat left the harbour at dawn"_s
                              << qsizetype(7) << false;
    QTest::newRow("a missed word") << qsizetype(0) << u"the boat the harbour at"_s
                                   << qsizetype(6) << false;
    QTest::newRow("a misheard word") << qsizetype(0) << u"the boat storm the harbour"_s
                                     << qsizetype(5) << false;
    QTest::newRow("a skipped sentence")
        << qsizetype(12) << u"by noon the wind had turned"_s << qsizetype(29) << false;
    QTest::newRow("one stray word far ahead does not jump")
        << qsizetype(12) << u"lighthouse"_s << qsizetype(12) << false;
    QTest::newRow("stray words out of order do not jump")
        << qsizetype(12) << u"storm captain noon dusk morning"_s << qsizetype(12) << false;
    QTest::newRow("a repeated sentence holds, then reading goes on")
        << qsizetype(12) << u"the boat left the harbour at dawn they sailed north"_s
        << qsizetype(15) << false;
    QTest::newRow("silence waits") << qsizetype(20) << QString() << qsizetype(20) << false;
    QTest::newRow("fillers stay") << qsizetype(12) << u"? ? ? they sailed"_s << qsizetype(14)
                                  << false;
    QTest::newRow("an ad-lib of stray words gets lost")
        << qsizetype(12) << u"? dawn ? storm ? noon ? dusk ? ?"_s << qsizetype(12) << true;
}

// The aligner's place after hearing a sequence of words.
void TestCMVoiceAligner::follows()
{
    QFETCH(qsizetype, start);
    QFETCH(QString, heard);
    QFETCH(qsizetype, expected);
    QFETCH(bool, lost);
    const Script script(story);
    CMVoiceAligner aligner(script.ids);
    aligner.reset(start);
    qsizetype highest = start;
    for (const QString &word : heard.split(u' ', Qt::SkipEmptyParts)) {
        aligner.feed(script.id(word));
        QVERIFY2(aligner.position() >= highest, qPrintable(word)); // never back
        highest = aligner.position();
    }
    QCOMPARE(aligner.position(), expected);
    QCOMPARE(aligner.lost(), lost);
}

// With ten points a word, the pacer brings the text to the reader and holds it there once
// the reader stops, without ever reversing or changing rate by more than its bound.
void TestCMVoiceAligner::pacerGlidesAndStops()
{
    CMVoicePacer::Options options;
    CMVoicePacer pacer(options);
    const CMVoicePacer::Place place = [](double words) { return words * 10; };
    pacer.reset(0, 0);
    double offset = 0, rate = 0, t = 0;
    const double dt = 0.1;
    double words = 0;
    for (int step = 0; step < 200; ++step) {
        t += dt;
        if (t < 10 && std::fmod(t, 0.4) < dt) // two and a half words a second for ten seconds
            pacer.heard(++words, t);
        const double next = pacer.rate(t, offset, rate, dt, place);
        QVERIFY(next >= 0);
        QVERIFY(std::abs(next - rate) <= options.acceleration * dt + 1e-9);
        rate = next;
        offset += rate * dt;
        if (t > 3 && t < 10) // following: within two words of the reader
            QVERIFY2(std::abs(offset / 10 - words) < 2.0, qPrintable(QString::number(t)));
    }
    QCOMPARE(rate, 0.0); // stopped with the reader
    QVERIFY2(offset / 10 >= words - 0.5 && offset / 10 <= words + options.lead + 0.25,
             qPrintable(u"%1 %2"_s.arg(offset / 10).arg(words)));
}

QTEST_GUILESS_MAIN(TestCMVoiceAligner)
#include "tst_cmvoicealigner.moc"
