#include <voice/cmvoicealigner.h>
#include <voice/cmvoicelanguage.h>
#include <voice/cmvoicepacer.h>
#include <voice/cmvoicetracker.h>

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
    void everydayWordsWeighLess_data();
    void everydayWordsWeighLess();
    void pacerGlidesAndStops();
    void pacerCarriesAsFarAsTold_data();
    void pacerCarriesAsFarAsTold();
    void trackerReach_data();
    void trackerReach();
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
    QTest::newRow("misheard words stand for as many script words")
        << qsizetype(0) << u"the boat ? ? ? at"_s << qsizetype(6) << false;
    QTest::newRow("a run far ahead needs a word more")
        << qsizetype(12) << u"captain ordered the"_s << qsizetype(12) << false;
    QTest::newRow("and takes it")
        << qsizetype(12) << u"captain ordered the sails"_s << qsizetype(39) << false;
    QTest::newRow("an ad-lib of stray words gets lost")
        << qsizetype(12) << u"? dawn ? storm ? noon ? dusk ? ?"_s << qsizetype(12) << true;
}

// The aligner's place after hearing a sequence of words.
void TestCMVoiceAligner::follows()
{
    QFETCH(qsizetype, start);
    QFETCH(QString, heard);
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
    QTEST(aligner.position(), "expected");
    QCOMPARE(aligner.lost(), lost);
}

void TestCMVoiceAligner::everydayWordsWeighLess_data()
{
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<QString>("heard");
    QTest::addColumn<qsizetype>("expected");
    QTest::newRow("a sentence on: every word counts")
        << qsizetype(14) << u"wind had turned"_s << qsizetype(29);
    QTest::newRow("further: everyday words count half")
        << qsizetype(12) << u"and the sky"_s << qsizetype(12);
    QTest::newRow("until enough is heard") << qsizetype(12) << u"and the sky grew"_s
                                           << qsizetype(33);
}

// A run of everyday words far ahead is likely chance; one close ahead is likely the reader.
void TestCMVoiceAligner::everydayWordsWeighLess()
{
    QFETCH(qsizetype, start);
    QFETCH(QString, heard);
    const Script script(story);
    const QStringList everyday{u"the"_s, u"and"_s, u"had"_s, u"at"_s, u"it"_s, u"with"_s};
    auto weak = std::make_shared<std::vector<bool>>();
    for (const QString &word : script.words)
        weak->push_back(everyday.contains(word));
    CMVoiceAligner aligner(script.ids, weak);
    aligner.reset(start);
    for (const QString &word : heard.split(u' '))
        aligner.feed(script.id(word));
    QTEST(aligner.position(), "expected");
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
        if (t < 10 && std::fmod(t, 0.4) < dt) { // two and a half words a second for ten seconds
            pacer.heard(++words, t);
            pacer.setReach(1);
        }
        const double next = pacer.rate(t, offset, rate, dt, place);
        QVERIFY(next >= 0);
        QVERIFY(std::abs(next - rate) <= options.acceleration * dt + 1e-9);
        rate = next;
        offset += rate * dt;
        if (t > 3 && t < 10) // following: within two words of the reader
            QVERIFY2(std::abs(offset / 10 - words) < 2.0, qPrintable(QString::number(t)));
    }
    QCOMPARE(rate, 0.0); // stopped with the reader
    QVERIFY2(offset / 10 >= words - 0.5 && offset / 10 <= words + 1.25,
             qPrintable(u"%1 %2"_s.arg(offset / 10).arg(words)));
}

void TestCMVoiceAligner::pacerCarriesAsFarAsTold_data()
{
    QTest::addColumn<double>("reach");
    QTest::addColumn<double>("after");    // seconds after the last word heard
    QTest::addColumn<double>("expected"); // words read believed then
    // The pace measured is two words a second.
    QTest::newRow("nothing heard since: stays") << 0.0 << 3.0 << 10.0;
    QTest::newRow("carried at the pace") << 3.0 << 1.0 << 12.0;
    QTest::newRow("no further than told") << 3.0 << 5.0 << 13.0;
}

// Between heard words the place moves on at the reader's pace, as far as the words heard
// since allow.
void TestCMVoiceAligner::pacerCarriesAsFarAsTold()
{
    QFETCH(double, reach);
    QFETCH(double, after);
    CMVoicePacer pacer;
    pacer.reset(0, 0);
    for (int word = 1; word <= 10; ++word)
        pacer.heard(word, word * 0.5);
    QCOMPARE(pacer.wordsPerSecond(), 2.0);
    pacer.setReach(reach);
    QTEST(pacer.target(5 + after), "expected");
}

void TestCMVoiceAligner::trackerReach_data()
{
    QTest::addColumn<QString>("heard");
    QTest::addColumn<qint64>("wordsRead");
    QTest::addColumn<int>("reach");
    QTest::newRow("nothing heard") << QString() << qint64(0) << 0;
    QTest::newRow("words not placed yet") << u"hello hello"_s << qint64(0) << 2;
    QTest::newRow("in step: the next word") << u"red green"_s << qint64(2) << 1;
    QTest::newRow("a sentence read: stops") << u"red green blue"_s << qint64(3) << 0;
    QTest::newRow("words heard past its end") << u"red green blue hello"_s << qint64(3) << 1;
    QTest::newRow("misheard words, not past the end")
        << u"red hello hello"_s << qint64(1) << 2;
    QTest::newRow("no further than four")
        << u"red green blue hello hello hello hello hello hello"_s << qint64(3) << 4;
}

// How far past the last word placed the reader may have gone, by the words heard since.
void TestCMVoiceAligner::trackerReach()
{
    QFETCH(QString, heard);
    QFETCH(qint64, wordsRead);
    QFETCH(int, reach);
    const QByteArray dictionary = "blue B L UW\ngreen G R IY N\nhello HH AH L OW\nred R EH D\n"
                                  "one W AH N\ntwo T UW\nthree TH R IY\nfour F AO R\n"
                                  "five F AY V\nsix S IH K S\nseven S EH V AH N\n";
    auto language = std::make_shared<const CMVoiceLanguage>(CMVoiceLanguage::build(
        u"Red green blue. One two three four five six seven."_s, dictionary,
        {{u"hello"_s, 1.0}}));
    CMVoiceTracker tracker;
    tracker.setLanguage(language);
    QList<CMHeardWord> words;
    for (const QString &word : heard.split(u' ', Qt::SkipEmptyParts)) {
        words.append({word, 0.3 * double(words.size() + 1)});
        tracker.hear(words, false);
    }
    tracker.hear(words, true);
    QCOMPARE(tracker.wordsRead(), wordsRead);
    QCOMPARE(tracker.reach(), reach);
}

QTEST_GUILESS_MAIN(TestCMVoiceAligner)
#include "tst_cmvoicealigner.moc"
