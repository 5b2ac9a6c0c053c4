#include <app/cmprivatefolder.h>
#include <app/cmsingleinstance.h>
#include <engine/cmengine.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString binary()
{
    return QStringLiteral(CM_APP_BINARY);
}

// The folder the application started from this test meets in (the test's own runtime folder).
QString folder()
{
    return CMPrivateFolder::find();
}

std::unique_ptr<QProcess> launch(const QStringList &arguments)
{
    auto app = std::make_unique<QProcess>();
    app->setProcessChannelMode(QProcess::MergedChannels);
    app->start(binary(), arguments);
    app->waitForStarted();
    return app;
}

bool answers(const QString &socket)
{
    QLocalSocket probe;
    probe.connectToServer(socket);
    return probe.waitForConnected(200);
}

bool lockHeld(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

ino_t inode(const QString &path)
{
    struct stat st = {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

QString writeScript(const QTemporaryDir &dir, const QString &name, const QByteArray &text)
{
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return f.fileName();
}

QByteArray autosaved()
{
    QFile f(CMEngine::scriptPath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Reads the child's terminal output (both channels merged) until `text` appears, without running
// this process's event loop: an in-process primary stays silent meanwhile.
bool waitForOutput(QProcess &app, const QByteArray &text, int timeoutMs)
{
    QByteArray seen;
    QDeadlineTimer deadline(timeoutMs);
    while (!seen.contains(text) && !deadline.hasExpired()) {
        if (app.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            seen += app.readAll();
        else if (app.state() != QProcess::Running)
            break;
    }
    return seen.contains(text);
}

} // namespace

// The application binary as the desktop starts it, and one instance per user: the private
// folder, the checks at both ends, and real launches racing, crashing and starting slowly.
class TestCMSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersOnTheTerminal_data();
    void answersOnTheTerminal();
    void privateFolder_data();
    void privateFolder();
    void onlyTheSameUser();
    void staleSocketAfterKill();
    void simultaneousLaunches();
    void waitsForASlowPrimary();
    void takesOverFromAPrimaryThatDies();
};

void TestCMSingleInstance::answersOnTheTerminal_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::newRow("version") << QStringList{u"--version"_s} << 0 << u"OVS Cuemaster 1.0 (build "_s;
    QTest::newRow("help") << QStringList{u"--help"_s} << 0
                          << u"Usage: cuemaster [options] [file]"_s;
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

void TestCMSingleInstance::answersOnTheTerminal()
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

void TestCMSingleInstance::privateFolder_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("isPrivate");
    QTest::newRow("closed folder") << u"0700"_s << true;
    QTest::newRow("open to the group") << u"0750"_s << false;
    QTest::newRow("open to all") << u"0777"_s << false;
    QTest::newRow("link to a closed folder") << u"link"_s << false;
    QTest::newRow("a file") << u"file"_s << false;
    QTest::newRow("missing") << u"missing"_s << false;
    QTest::newRow("relative") << u"relative"_s << false;
}

// The folder must be the user's own and shut to everyone else: otherwise anyone could listen
// there first, or plant a socket.
void TestCMSingleInstance::privateFolder()
{
    QTemporaryDir dir;
    QFETCH(QString, kind);
    const QString path = dir.filePath(u"candidate"_s);
    const QString closed = dir.filePath(u"closed"_s);
    QVERIFY(QDir().mkdir(closed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    if (kind.startsWith(u'0')) {
        QVERIFY(QDir().mkdir(path));
        QVERIFY(::chmod(QFile::encodeName(path).constData(), kind.toUInt(nullptr, 8)) == 0);
    } else if (kind == u"link"_s) {
        QVERIFY(QFile::link(closed, path));
    } else if (kind == u"file"_s) {
        writeScript(dir, u"candidate"_s, "x");
    }
    const QString asked = kind == u"relative"_s ? u"closed"_s : path;
    QFETCH(bool, isPrivate);
    QCOMPARE(CMPrivateFolder::isPrivate(asked), isPrivate);

    // The first candidate that qualifies; with none, a closed folder of the user's own in the
    // temporary folder, made when missing.
    const QString made =
        dir.filePath(u"ovs-cuemaster-"_s + QString::number(CMPrivateFolder::user()));
    QCOMPARE(CMPrivateFolder::find({asked, closed}, dir.path()), isPrivate ? asked : closed);
    QCOMPARE(CMPrivateFolder::find({asked}, dir.path()), isPrivate ? asked : made);
    QVERIFY(isPrivate || CMPrivateFolder::isPrivate(made));
}

// Each end checks the other runs as the same user: a launch never hands its files to a program
// of someone else, and a primary takes nothing from one. (Other users cannot be had in a test:
// each side is told to expect another user id instead.)
void TestCMSingleInstance::onlyTheSameUser()
{
    QTemporaryDir dir;
    QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0700) == 0);
    const uint me = CMPrivateFolder::user();
    {
        CMSingleInstance primary(dir.path(), me);
        QSignalSpy activated(&primary, &CMSingleInstance::activated);
        QCOMPARE(primary.start({}), CMSingleInstance::Role::Primary);
        CMSingleInstance launch(dir.path(), me + 1);
        QCOMPARE(launch.start({u"/secret.txt"_s}), CMSingleInstance::Role::Alone);
        QTest::qWait(100);
        QCOMPARE(activated.count(), 0);
    }
    {
        CMSingleInstance primary(dir.path(), me + 1);
        QSignalSpy activated(&primary, &CMSingleInstance::activated);
        QCOMPARE(primary.start({}), CMSingleInstance::Role::Primary);
        // Turned away at every try, the launch waits on; the user can stop it.
        CMSingleInstance launch(dir.path(), me);
        connect(&launch, &CMSingleInstance::waiting, &launch, &CMSingleInstance::cancel);
        QCOMPARE(launch.start({u"/script.txt"_s}), CMSingleInstance::Role::Cancelled);
        QCOMPARE(activated.count(), 0);
    }
}

// A primary killed with -9 leaves its socket behind; the next launch is not fooled by it and
// becomes the primary. While a primary lives, it holds the lock.
void TestCMSingleInstance::staleSocketAfterKill()
{
    const CMSingleInstance names(folder(), CMPrivateFolder::user());
    auto first = launch({u"-style"_s, u"Fusion"_s}); // Qt's own options go to Qt
    QTRY_VERIFY_WITH_TIMEOUT(answers(names.socketPath()), 30000);
    QVERIFY(lockHeld(names.lockPath()));
    first->kill();
    first->waitForFinished();
    QVERIFY(QFileInfo::exists(names.socketPath()));
    QVERIFY(!answers(names.socketPath()));
    QVERIFY(!lockHeld(names.lockPath()));

    QTemporaryDir dir;
    const QString script = writeScript(dir, u"after the crash.txt"_s, "Started over");
    auto second = launch({script});
    QTRY_COMPARE_WITH_TIMEOUT(autosaved(), QByteArray("Started over"), 30000);
    QVERIFY(answers(names.socketPath()));
    QCOMPARE(second->state(), QProcess::Running);
    second->kill();
    second->waitForFinished();
}

// Three launches at the same instant: one keeps the file, the others hand it over and leave.
void TestCMSingleInstance::simultaneousLaunches()
{
    QTemporaryDir dir;
    const QString script = writeScript(dir, u"together.txt"_s, "Three at once");
    std::vector<std::unique_ptr<QProcess>> apps;
    for (int i = 0; i < 3; ++i) {
        apps.push_back(std::make_unique<QProcess>());
        apps.back()->start(binary(), {script});
    }
    const auto running = [&] {
        return std::count_if(apps.begin(), apps.end(),
                             [](const auto &a) { return a->state() != QProcess::NotRunning; });
    };
    QTRY_COMPARE_WITH_TIMEOUT(running(), 1, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(autosaved(), QByteArray("Three at once"), 30000);
    QTest::qWait(500);
    QCOMPARE(running(), 1);
    for (const auto &app : apps) {
        if (app->state() == QProcess::NotRunning) {
            QCOMPARE(app->exitStatus(), QProcess::NormalExit);
            QCOMPARE(app->exitCode(), 0);
        }
        app->kill();
        app->waitForFinished();
    }
}

// A primary still busy starting (a long script loading) answers late: the launch says so, waits,
// leaves the primary's socket alone and hands over when the answer comes, its path made absolute
// for a primary that runs in another folder.
void TestCMSingleInstance::waitsForASlowPrimary()
{
    CMSingleInstance primary(folder(), CMPrivateFolder::user());
    QSignalSpy activated(&primary, &CMSingleInstance::activated);
    QCOMPARE(primary.start({}), CMSingleInstance::Role::Primary);
    const ino_t socket = inode(primary.socketPath());

    QTemporaryDir dir;
    const QString script = writeScript(dir, u"late.txt"_s, "x");
    // A launch that gives up before the primary answers leaves nothing behind to open.
    auto quitter = launch({dir.filePath(u"given up.txt"_s)});
    QVERIFY(waitForOutput(*quitter, "still starting", 20000));
    quitter->kill();
    quitter->waitForFinished();

    // Whoever the environment says the user is, the launch finds the same primary.
    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"USER"_s, u"somebody-else"_s);
    env.remove(u"LOGNAME"_s);
    app.setProcessEnvironment(env);
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.setWorkingDirectory(dir.path());
    app.start(binary(), {u"late.txt"_s});
    QVERIFY(waitForOutput(app, "still starting", 20000));
    QCOMPARE(app.state(), QProcess::Running);
    QCOMPARE(inode(primary.socketPath()), socket);
    QCOMPARE(activated.count(), 0);

    // Now the primary's event loop runs.
    QTRY_COMPARE_WITH_TIMEOUT(activated.count(), 1, 20000);
    QCOMPARE(activated.first().first().toStringList(), QStringList{script});
    QTRY_COMPARE_WITH_TIMEOUT(app.state(), QProcess::NotRunning, 20000);
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.exitCode(), 0);
    QCOMPARE(activated.count(), 1);
    QCOMPARE(inode(primary.socketPath()), socket);
}

// A primary that dies before it answers hands the role to the launch waiting for it.
void TestCMSingleInstance::takesOverFromAPrimaryThatDies()
{
    auto primary = std::make_unique<CMSingleInstance>(folder(), CMPrivateFolder::user());
    QCOMPARE(primary->start({}), CMSingleInstance::Role::Primary);
    const QString socket = primary->socketPath();
    QTemporaryDir dir;
    const QString script = writeScript(dir, u"orphan.txt"_s, "Nobody answered");
    auto app = launch({script});
    QVERIFY(waitForOutput(*app, "still starting", 20000));
    primary.reset();

    QTRY_COMPARE_WITH_TIMEOUT(autosaved(), QByteArray("Nobody answered"), 30000);
    QVERIFY(answers(socket));
    QCOMPARE(app->state(), QProcess::Running);
    app->kill();
    app->waitForFinished();
}

QTEST_GUILESS_MAIN(TestCMSingleInstance)
#include "tst_cmsingleinstance.moc"
