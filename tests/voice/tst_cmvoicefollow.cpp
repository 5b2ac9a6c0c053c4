#include "speechfixture.h"

#include <voice/cmrecogniser.h>
#include <voice/cmvoicelanguage.h>
#include <voice/cmvoiceoffline.h>

#include <QTest>

using namespace Qt::StringLiterals;

// Voice following over synthesised speech: each plan read aloud, followed as the application
// follows the microphone, and scored against when each script word was really spoken.
class TestCMVoiceFollow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void follows_data();
    void follows();

private:
    CMVoiceLanguage m_language;
};

void TestCMVoiceFollow::initTestCase()
{
    if (const auto why = CMRecogniser::unavailable())
        QFAIL(qPrintable(*why));
    m_language = CMRecogniser::language(CMSpeech::script());
    QCOMPARE(m_language.words, CMSpeech::firstWord(int(CMSpeech::sentences().size())));
}

void TestCMVoiceFollow::follows_data()
{
    QTest::addColumn<CMSpeech::Case>("plan");
    for (const CMSpeech::Case &c : CMSpeech::cases())
        QTest::newRow(qPrintable(c.name)) << c;
}

void TestCMVoiceFollow::follows()
{
    QFETCH(CMSpeech::Case, plan);
    const CMSpeech::Recording recording = CMSpeech::record(plan);
    QVERIFY2(recording.error.isEmpty(), qPrintable(recording.error));

    QList<CMVoiceOffline::Point> points;
    const CMVoiceOffline::Result result = CMVoiceOffline::follow(
        m_language, recording.wav, [&points](const CMVoiceOffline::Point &p) { points << p; });
    QVERIFY(result.ok);
    const CMSpeech::Score score = CMSpeech::score(recording, points);
    const double largest = CMSpeech::percentile(score.sentenceErrors, 1.0);
    const double furthestAhead = CMSpeech::percentile(score.ahead, 1.0);
    qInfo("%s: sentence-end error median %.1f max %.0f words; ahead at most %.0f words; "
          "delay median %.2f s, 95th percentile %.2f s; cpu %.0f %%",
          qPrintable(plan.name), CMSpeech::median(score.sentenceErrors), largest, furthestAhead,
          CMSpeech::median(score.delays), CMSpeech::percentile(score.delays, 0.95),
          100 * result.cpuSeconds / result.audioSeconds);

    QVERIFY(!points.isEmpty());
    // The place never runs back, and the reader is found to the end.
    QCOMPARE(CMSpeech::percentile(score.backSteps, 1.0), 0.0);
    QVERIFY(points.back().word >= m_language.words - 3);
    QVERIFY2(CMSpeech::median(score.sentenceErrors) <= 2,
             qPrintable(u"median error %1"_s.arg(CMSpeech::median(score.sentenceErrors))));
    QVERIFY2(largest <= 8, qPrintable(u"largest error %1"_s.arg(largest)));
    // Nothing heard (an ad-lib, a stray phrase) runs the place far past the reader.
    QVERIFY2(furthestAhead <= 8, qPrintable(u"ahead by %1"_s.arg(furthestAhead)));
}

QTEST_GUILESS_MAIN(TestCMVoiceFollow)
#include "tst_cmvoicefollow.moc"
