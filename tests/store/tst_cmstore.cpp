#include <store/cmatomicfile.h>
#include <store/cmsettingsfile.h>
#include <testsupport.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <QScopeGuard>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace

Q_DECLARE_METATYPE(CMAtomicFile::Kind)

// Files replaced whole or not at all, saved state read without trusting it.
class TestCMStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void realFullDiskNamesTheReason();
    void inspectsWithoutOpening_data();
    void inspectsWithoutOpening();
    void settingsFileFailureKeepsTheOldFileAndRecovers();
    void settingsFileKeepsOtherKeys();
};

void TestCMStore::cleanup()
{
    CMAtomicFile::setFailAfterBytesForTesting(-1);
}

void TestCMStore::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<qint64>("failAfter"); // -1: no injected fault
    QTest::addColumn<QString>("where");    // relative to a fresh folder
    QTest::addColumn<QString>("reason");
    QTest::newRow("disk full at once") << 0LL << u"a.txt"_s << u"No space left on device"_s;
    QTest::newRow("disk full after 3 MB") << (3LL << 20) << u"a.txt"_s << u"No space"_s;
    QTest::newRow("folder missing") << -1LL << u"gone/a.txt"_s << QString();
    QTest::newRow("folder is a file") << -1LL << u"file/a.txt"_s << QString();
}

void TestCMStore::failedWriteKeepsTheOldFile()
{
    QFETCH(qint64, failAfter);
    QFETCH(QString, where);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    writeFile(dir.filePath(u"file"_s), "not a folder");
    const QString path = dir.filePath(where);
    if (!where.contains(u'/'))
        writeFile(path, "the old script");
    CMAtomicFile::setFailAfterBytesForTesting(failAfter);
    const QByteArray big(5 << 20, 'x');
    const auto error = CMAtomicFile::write(path, big);
    QVERIFY(error);
    QVERIFY2(error->contains(reason), qPrintable(*error));
    if (!where.contains(u'/'))
        QCOMPARE(readFile(path), "the old script"_ba);
    // Nothing left behind but the old file (and the stand-in for a folder).
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), where.contains(u'/') ? 1 : 2);

    CMAtomicFile::setFailAfterBytesForTesting(-1);
    QVERIFY(QDir().mkpath(dir.filePath(u"gone"_s)));
    if (where != u"file/a.txt"_s) {
        QVERIFY(!CMAtomicFile::write(path, big));
        QCOMPARE(readFile(path), big);
    }
}

// A real full disk takes part of a write before it refuses the rest: the reason must still
// be the disk's, not "Unknown error".
void TestCMStore::realFullDiskNamesTheReason()
{
    QTemporaryDir dir;
    const QByteArray name = QFile::encodeName(dir.path());
    if (::mount("tmpfs", name.constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("This user may not mount a small disk.");
    const auto unmount = qScopeGuard([&] { ::umount2(name.constData(), MNT_DETACH); });
    const QString path = dir.filePath(u"a.txt"_s);
    writeFile(path, "the old script");
    const auto error = CMAtomicFile::write(path, QByteArray(200 << 10, 'x'));
    QVERIFY(error);
    QVERIFY2(error->contains(u"No space"_s), qPrintable(*error));
    QCOMPARE(readFile(path), "the old script"_ba);
}

void TestCMStore::inspectsWithoutOpening_data()
{
    QTest::addColumn<QString>("make");
    QTest::addColumn<CMAtomicFile::Kind>("kind");
    QTest::addColumn<bool>("readable");
    QTest::newRow("nothing") << u"none"_s << CMAtomicFile::Kind::Missing << false;
    QTest::newRow("small file") << u"file"_s << CMAtomicFile::Kind::Regular << true;
    QTest::newRow("link to a file") << u"link"_s << CMAtomicFile::Kind::Regular << true;
    QTest::newRow("FIFO") << u"fifo"_s << CMAtomicFile::Kind::NotRegular << false;
    QTest::newRow("link to /dev/zero") << u"zero"_s << CMAtomicFile::Kind::NotRegular << false;
    QTest::newRow("dangling link") << u"dangling"_s << CMAtomicFile::Kind::NotRegular << false;
    QTest::newRow("folder") << u"folder"_s << CMAtomicFile::Kind::NotRegular << false;
    QTest::newRow("larger than the bound") << u"huge"_s << CMAtomicFile::Kind::TooLarge << false;
}

// A pipe or a device never reaches open(): the tests finish at once instead of hanging.
void TestCMStore::inspectsWithoutOpening()
{
    QFETCH(QString, make);
    QFETCH(bool, readable);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"state"_s);
    const QByteArray name = QFile::encodeName(path);
    const QByteArray target = QFile::encodeName(dir.filePath(u"target"_s));
    writeFile(dir.filePath(u"target"_s), "hello");
    if (make == u"file"_s)
        writeFile(path, "hello");
    else if (make == u"link"_s)
        QCOMPARE(::symlink(target.constData(), name.constData()), 0);
    else if (make == u"fifo"_s)
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    else if (make == u"zero"_s)
        QCOMPARE(::symlink("/dev/zero", name.constData()), 0);
    else if (make == u"dangling"_s)
        QCOMPARE(::symlink("/nonexistent/nothing", name.constData()), 0);
    else if (make == u"folder"_s)
        QVERIFY(QDir().mkdir(path));
    else if (make == u"huge"_s)
        QCOMPARE(::truncate((QFile(path).open(QIODevice::WriteOnly), name.constData()), 100000), 0);
    QTEST(CMAtomicFile::inspect(path, 1000), "kind");
    const auto bytes = CMAtomicFile::readRegular(path, 1000);
    QCOMPARE(bool(bytes), readable);
    if (readable)
        QCOMPARE(*bytes, "hello"_ba);
}

// The folder of the settings file turned into a file: every write fails and says so, the
// value is kept in memory, and the first write after the folder is back stores it.
void TestCMStore::settingsFileFailureKeepsTheOldFileAndRecovers()
{
    cmtest::clearSettings();
    CMSettingsFile &settings = CMSettingsFile::shared();
    QSignalSpy status(&settings, &CMSettingsFile::statusChanged);
    settings.setValue(u"a"_s, u"first"_s);
    QVERIFY(settings.flush());

    const QString folder = QFileInfo(CMSettingsFile::path()).absolutePath();
    const QString moved = folder + u".moved"_s;
    QVERIFY(QDir().rename(folder, moved));
    writeFile(folder, "in the way");
    settings.setValue(u"a"_s, u"second"_s);
    QVERIFY(!settings.flush());
    QVERIFY(settings.failing());
    QVERIFY(!settings.lastError().isEmpty());
    QCOMPARE(settings.value(u"a"_s).toString(), u"second"_s);
    QTRY_VERIFY(status.count() >= 1);

    QVERIFY(QFile::remove(folder));
    QVERIFY(QDir().rename(moved, folder));
    QCOMPARE(QSettings(CMSettingsFile::path(), QSettings::IniFormat).value(u"a"_s).toString(),
             u"first"_s);
    settings.setValue(u"b"_s, u"more"_s);
    QVERIFY(settings.flush());
    QVERIFY(!settings.failing());
    const QSettings stored(CMSettingsFile::path(), QSettings::IniFormat);
    QCOMPARE(stored.value(u"a"_s).toString(), u"second"_s);
    QCOMPARE(stored.value(u"b"_s).toString(), u"more"_s);
}

void TestCMStore::settingsFileKeepsOtherKeys()
{
    cmtest::clearSettings();
    {
        QSettings other(CMSettingsFile::path(), QSettings::IniFormat);
        other.setValue(u"window/geometry"_s, QByteArray("\x01\x02\x00\xff", 4));
        other.setValue(u"list"_s, QStringList{u"a, b"_s, u"c"_s});
    }
    CMSettingsFile::shared().setValue(u"cm.settings"_s, QByteArray(R"({"speed":3,"a":"b, c"})"));
    QVERIFY(CMSettingsFile::shared().flush());
    const QSettings stored(CMSettingsFile::path(), QSettings::IniFormat);
    QCOMPARE(stored.value(u"window/geometry"_s).toByteArray(), QByteArray("\x01\x02\x00\xff", 4));
    QCOMPARE(stored.value(u"list"_s).toStringList(), (QStringList{u"a, b"_s, u"c"_s}));
    QCOMPARE(stored.value(u"cm.settings"_s).toByteArray(), QByteArray(R"({"speed":3,"a":"b, c"})"));
}

QTEST_GUILESS_MAIN(TestCMStore)
#include "tst_cmstore.moc"
