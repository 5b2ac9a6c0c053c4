#include "speechfixture.h"

#include <voice/cmrecogniser.h>
#include <voice/cmvoicelanguage.h>
#include <voice/cmvoiceoffline.h>

#include <QFile>
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
    QFile dictionary(CMRecogniser::dictionaryPath());
    QVERIFY(dictionary.open(QIODevice::ReadOnly));
    m_language = CMVoiceLanguage::build(CMSpeech::script(), dictionary.readAll());
    QCOMPARE(m_language.words, CMSpeech::firstWord(int(CMSpeech::sentences().size())));
}

void TestCMVoiceFollow::follows_data()
{
    QTest::addColumn<CMSpeech::Case>("plan");
    QTest::addColumn<double>("maxMedianError");
    QTest::addColumn<double>("maxError");
    // Off-script words can only be heard as script words: an ad-lib that sounds like a
    // phrase a little further on may pull the place there until the reader goes on.
    for (const CMSpeech::Case &c : CMSpeech::cases())
        QTest::newRow(qPrintable(c.name)) << c << 2.0 << (c.name == u"adlib" ? 25.0 : 8.0);
}

void TestCMVoiceFollow::follows()
{
    QFETCH(CMSpeech::Case, plan);
    QFETCH(double, maxMedianError);
    QFETCH(double, maxError);
    const CMSpeech::Recording recording = CMSpeech::record(plan);
    QVERIFY2(recording.error.isEmpty(), qPrintable(recording.error));

    QList<CMVoiceOffline::Point> points;
    const CMVoiceOffline::Result result = CMVoiceOffline::follow(
        m_language, recording.wav, [&points](const CMVoiceOffline::Point &p) { points << p; });
    QVERIFY(result.ok);
    const CMSpeech::Score score = CMSpeech::score(recording, points);
    qInfo("%s: sentence-end error median %.1f max %.0f words; delay median %.2f s; cpu %.0f %%",
          qPrintable(plan.name), CMSpeech::median(score.sentenceErrors),
          CMSpeech::percentile(score.sentenceErrors, 1.0), CMSpeech::median(score.delays),
          100 * result.cpuSeconds / result.audioSeconds);

    QVERIFY(!points.isEmpty());
    // The place never runs back, and the reader is found to the end.
    QCOMPARE(CMSpeech::percentile(score.backSteps, 1.0), 0.0);
    QVERIFY(points.back().word >= m_language.words - 3);
    QVERIFY2(CMSpeech::median(score.sentenceErrors) <= maxMedianError,
             qPrintable(u"median error %1"_s.arg(CMSpeech::median(score.sentenceErrors))));
    QVERIFY2(CMSpeech::percentile(score.sentenceErrors, 1.0) <= maxError,
             qPrintable(u"largest error %1"_s.arg(CMSpeech::percentile(score.sentenceErrors, 1.0))));
}

QTEST_GUILESS_MAIN(TestCMVoiceFollow)
#include "tst_cmvoicefollow.moc"
