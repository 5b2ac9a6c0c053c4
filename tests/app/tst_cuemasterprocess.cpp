#include <app/cmprivatefolder.h>
#include <app/cmsingleinstance.h>
#include <engine/cmengine.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The real application binary, started the way the desktop starts it.
class TestCuemasterProcess : public QObject
{
    Q_OBJECT

    static QString binary() { return QStringLiteral(CM_APP_BINARY); }

private Q_SLOTS:
    void answersOnTheTerminal_data();
    void answersOnTheTerminal();
    void secondLaunchHandsItsFileToTheFirst();
};

void TestCuemasterProcess::answersOnTheTerminal_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::newRow("version") << QStringList{u"--version"_s} << 0 << u"OVS Cuemaster 1.0 (build "_s;
    QTest::newRow("help") << QStringList{u"--help"_s} << 0 << u"Usage: cuemaster [options] [file]"_s;
    QTest::newRow("help names Qt's options")
        << QStringList{u"--help"_s} << 0 << u"\n  -style <style> "_s;
    QTest::newRow("Qt's options are Qt's")
        << QStringList{u"-platform"_s, u"xcb"_s, u"--display"_s, u":9"_s, u"--version"_s} << 0
        << u"OVS Cuemaster 1.0 (build "_s;
    QTest::newRow("bad option") << QStringList{u"--nope"_s} << 2 << u"Unknown option 'nope'."_s;
    QTest::newRow("bad word") << QStringList{u"-nope"_s} << 2 << u"Unknown option 'nope'."_s;
    QTest::newRow("Qt's option without its value")
        << QStringList{u"-platform"_s} << 2 << u"Missing value after '-platform'."_s;
}

void TestCuemasterProcess::answersOnTheTerminal()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QProcess app;
    app.start(binary(), arguments);
    QVERIFY(app.waitForFinished(30000));
    QCOMPARE(app.exitCode(), exitCode);
    const QString printed =
        QString::fromUtf8(exitCode == 0 ? app.readAllStandardOutput() : app.readAllStandardError());
    QVERIFY2(printed.contains(output), qPrintable(printed));
}

void TestCuemasterProcess::secondLaunchHandsItsFileToTheFirst()
{
    QTemporaryDir dir;
    const QString script = dir.filePath(u"handed over.txt"_s);
    {
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Hello from the second launch\r\n[Smile]");
    }

    // Qt's own options go to Qt.
    QProcess first;
    first.start(binary(), {u"-platform"_s, u"offscreen"_s, u"-style"_s, u"Fusion"_s});
    QVERIFY(first.waitForStarted());
    const QString socket =
        CMSingleInstance(CMPrivateFolder::find(), CMPrivateFolder::user()).socketPath();
    QTRY_VERIFY_WITH_TIMEOUT(
        [&socket] {
            QLocalSocket probe;
            probe.connectToServer(socket);
            return probe.waitForConnected(200);
        }(),
        30000);

    // A path relative to where the second launch runs, which the first does not share.
    QProcess second;
    second.setWorkingDirectory(dir.path());
    second.start(binary(), {QFileInfo(script).fileName()});
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);

    // The first instance opened the file: its autosave holds the normalised text.
    const auto saved = [] {
        QFile f(CMEngine::scriptPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    QTRY_COMPARE_WITH_TIMEOUT(saved(), QByteArray("Hello from the second launch\n[Smile]"), 30000);

    first.kill();
    first.waitForFinished();
}

QTEST_GUILESS_MAIN(TestCuemasterProcess)
#include "tst_cuemasterprocess.moc"
