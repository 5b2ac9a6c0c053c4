#include <testsupport.h>

#include <engine/cmengine.h>
#include <kit/ovswitch.h>
#include <mainwindow/cmvoicestrip.h>
#include <voice/cmvoicefollower.h>

#include <QAudioDevice>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMediaDevices>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Where voice following cannot work, switching it on says why and changes nothing else; the
// microphone picker lists the microphones there are, as they come and go. The sound server is
// a private one, started here when the machine has one.
class TestCMVoiceStrip : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void unavailableSaysWhy_data();
    void unavailableSaysWhy();
    void microphonesComeAndGo();

private:
    bool pactl(const QStringList &arguments);

    QTemporaryDir m_folder;
    QProcess m_server;
};

void TestCMVoiceStrip::initTestCase()
{
    const QString server = QStandardPaths::findExecutable(u"pulseaudio"_s);
    if (server.isEmpty() || QStandardPaths::findExecutable(u"pactl"_s).isEmpty())
        return;
    QVERIFY(m_folder.isValid());
    const QString socket = m_folder.filePath(u"native"_s);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, m_folder.path());
    environment.insert(u"XDG_CONFIG_HOME"_s, m_folder.path());
    environment.insert(u"PULSE_RUNTIME_PATH"_s, m_folder.filePath(u"run"_s));
    m_server.setProcessEnvironment(environment);
    m_server.start(server, {u"-n"_s, u"--daemonize=no"_s, u"--exit-idle-time=-1"_s,
                            u"--use-pid-file=no"_s,
                            u"--load=module-native-protocol-unix auth-anonymous=1 socket="_s
                                + socket});
    QVERIFY(m_server.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket), 10000);
    // Before anything asks for the devices: this process's sound server is the private one.
    qputenv("PULSE_SERVER", "unix:" + socket.toLocal8Bit());
}

void TestCMVoiceStrip::cleanupTestCase()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000))
            m_server.kill();
    }
}

bool TestCMVoiceStrip::pactl(const QStringList &arguments)
{
    QProcess tool;
    tool.start(u"pactl"_s, arguments);
    const bool ok = tool.waitForFinished(10000) && tool.exitCode() == 0;
    if (!ok)
        qWarning("pactl: %s", tool.readAllStandardError().constData());
    return ok;
}

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

// A microphone plugged in while the window is open joins the picker, and goes when unplugged.
void TestCMVoiceStrip::microphonesComeAndGo()
{
    if (m_server.state() != QProcess::Running)
        QSKIP("no sound server to plug a microphone into (Debian package pulseaudio)");
    CMEngine engine;
    CMVoiceStrip strip(engine);
    strip.show();
    QComboBox *picker = strip.microphonePicker();
    QCOMPARE(picker->currentText(), u"No microphone"_s);
    QVERIFY(!picker->isEnabled());

    QVERIFY(pactl({u"load-module"_s, u"module-null-source"_s, u"source_name=desk"_s,
                   u"description=Desk"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(picker->currentText(), u"Desk"_s, 5000);
    QVERIFY(picker->isEnabled());
    QCOMPARE(picker->count(), 1);
    Q_EMIT picker->activated(0);
    QCOMPARE(strip.follower()->device(), QByteArray("desk"));

    // Unplugged: the voice goes back to the system's microphone, whichever it is.
    QVERIFY(pactl({u"unload-module"_s, u"module-null-source"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(picker->currentText(), u"No microphone"_s, 5000);
    QVERIFY(!picker->isEnabled());
    QCOMPARE(strip.follower()->device(), QByteArray());
}

QTEST_MAIN(TestCMVoiceStrip)
#include "tst_cmvoicestrip.moc"
