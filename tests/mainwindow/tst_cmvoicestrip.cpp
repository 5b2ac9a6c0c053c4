#include <testsupport.h>

#include <engine/cmengine.h>
#include <kit/ovswitch.h>
#include <mainwindow/cmvoicestrip.h>
#include <voice/cmvoicefollower.h>

#include <QAudioDevice>
#include <QLabel>
#include <QMediaDevices>
#include <QSettings>
#include <QTest>

using namespace Qt::StringLiterals;

// Where voice following cannot work, switching it on says why and changes nothing else.
class TestCMVoiceStrip : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unavailableSaysWhy_data();
    void unavailableSaysWhy();
};

void TestCMVoiceStrip::unavailableSaysWhy_data()
{
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<QString>("why");
    QTest::newRow("no speech model") << QByteArray("/nonexistent/model")
                                     << u"No English speech model is installed"_s;
    QTest::newRow("no microphone") << QByteArray() << u"No microphone found."_s;
}

void TestCMVoiceStrip::unavailableSaysWhy()
{
    QFETCH(QByteArray, model);
    QFETCH(QString, why);
    if (model.isEmpty() && !QMediaDevices::audioInputs().isEmpty())
        QSKIP("this machine has a microphone");
    if (model.isEmpty())
        qunsetenv("CM_VOICE_MODEL");
    else
        qputenv("CM_VOICE_MODEL", model);
    cmtest::clearSettings();
    CMEngine engine;
    CMVoiceStrip strip(engine);
    strip.show();
    const QString script = engine.script();
    const CMSettings settings = engine.settings();

    QTest::mouseClick(strip.voiceSwitch(), Qt::LeftButton);
    QVERIFY(!strip.voiceSwitch()->isOn());
    QVERIFY(!strip.follower()->enabled());
    QCOMPARE(strip.follower()->state(), CMVoiceFollower::State::Unavailable);
    QVERIFY2(strip.stateLabel()->text().startsWith(why), qPrintable(strip.stateLabel()->text()));
    QVERIFY(strip.voiceSwitch()->toolTip().startsWith(why));
    // Nothing else moved: the run and the script are as they were.
    engine.play();
    QTest::qWait(250);
    QVERIFY(!engine.steering());
    QCOMPARE(engine.script(), script);
    QCOMPARE(engine.settings(), settings);
    qunsetenv("CM_VOICE_MODEL");
}

QTEST_MAIN(TestCMVoiceStrip)
#include "tst_cmvoicestrip.moc"
