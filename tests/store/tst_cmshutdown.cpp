#include <engine/cmengine.h>
#include <engine/cmsettings.h>
#include <store/cmsettingsfile.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

// A process told to end writes what is pending; a setting is on disk as soon as it changes.
class TestCMShutdown : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void pendingScriptIsWrittenBeforeTheEnd_data();
    void pendingScriptIsWrittenBeforeTheEnd();
    void settingSurvivesACrash();

private:
    static void startChild(QProcess &child, const QStringList &arguments);
};

void TestCMShutdown::init()
{
    QFile::remove(CMEngine::scriptPath());
    QFile::remove(CMSettingsFile::path());
}

void TestCMShutdown::startChild(QProcess &child, const QStringList &arguments)
{
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral(CM_SAVECHILD), arguments);
    QVERIFY(child.waitForStarted(10000));
    QElapsedTimer waited;
    waited.start();
    while (!child.canReadLine() && waited.elapsed() < 20000)
        child.waitForReadyRead(100);
    QCOMPARE(child.readLine().trimmed(), "ready"_ba);
}

void TestCMShutdown::pendingScriptIsWrittenBeforeTheEnd_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("signalNumber"); // 0: none, the child calls exit()
    QTest::addColumn<int>("exitCode");
    QTest::newRow("SIGTERM (the session ends)") << u"script"_s << SIGTERM << 128 + SIGTERM;
    QTest::newRow("SIGHUP (the terminal closes)") << u"script"_s << SIGHUP << 128 + SIGHUP;
    QTest::newRow("SIGINT (Ctrl+C)") << u"script"_s << SIGINT << 128 + SIGINT;
    QTest::newRow("exit() (the display connection is lost)") << u"exit"_s << 0 << 3;
}

void TestCMShutdown::pendingScriptIsWrittenBeforeTheEnd()
{
    QFETCH(QString, mode);
    QFETCH(int, signalNumber);
    QFETCH(int, exitCode);
    const QString text = u"Typed just before the end \u2014 %1"_s.arg(QLatin1StringView(QTest::currentDataTag()));
    QProcess child;
    startChild(child, {mode, text});
    if (signalNumber)
        ::kill(pid_t(child.processId()), signalNumber);
    QVERIFY(child.waitForFinished(20000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), exitCode);
    QFile file(CMEngine::scriptPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()), text);
}

// Mirror, then a crash 150 ms later: the setting is on disk.
void TestCMShutdown::settingSurvivesACrash()
{
    QProcess child;
    startChild(child, {u"settings"_s});
    QTest::qWait(150);
    child.kill();
    QVERIFY(child.waitForFinished(20000));
    const QSettings stored(CMSettingsFile::path(), QSettings::IniFormat);
    const auto settings =
        CMSettings::fromJson(stored.value(QLatin1StringView(CMEngine::settingsKey)).toByteArray());
    QVERIFY(settings);
    QVERIFY(settings->mirror);
}

QTEST_GUILESS_MAIN(TestCMShutdown)
#include "tst_cmshutdown.moc"
