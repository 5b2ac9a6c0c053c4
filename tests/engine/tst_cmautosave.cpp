#include <testsupport.h>
#include <engine/cmengine.h>
#include <store/cmatomicfile.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QSignalSpy>
#include <QElapsedTimer>
#include <QTest>

#include <cmath>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

void storeSettings(const QVariant &value)
{
    QSettings().setValue(QLatin1StringView(CMEngine::settingsKey), value);
}

QJsonObject defaultObject()
{
    return QJsonDocument::fromJson(CMSettings{}.toJson()).object();
}

} // namespace

Q_DECLARE_METATYPE(CMSettings)
Q_DECLARE_METATYPE(std::optional<CMSettings>)

// Script storage, and the settings: how they are read back, and across engine lifetimes.
class TestCMAutosave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void scriptPath();
    void cleanup();
    void loadsAutosave_data();
    void loadsAutosave();
    void typingIsSavedInPauses();
    void failedSaveIsReportedKeptAndRetried_data();
    void failedSaveIsReportedKeptAndRetried();
    void pendingSaveIsWrittenAtQuit();
    void storedSettings_data();
    void storedSettings();
    void absurdStoredSettingsDoNotBreakTheClock();
    void decodeIsAllOrNothing_data();
    void decodeIsAllOrNothing();
    void clampedIsSafeForAbsurdValues();

private:
    std::optional<cmtest::ReadOnlyFolder> m_readOnly;
};

void TestCMAutosave::init()
{
    const QDir folder = QFileInfo(CMEngine::scriptPath()).dir();
    for (const QString &name : folder.entryList(QDir::Files | QDir::System))
        QFile::remove(folder.filePath(name));
    cmtest::clearSettings();
}

void TestCMAutosave::cleanup()
{
    CMAtomicFile::setFailAfterBytesForTesting(-1);
    m_readOnly.reset();
}

// Where every earlier version left the script.
void TestCMAutosave::scriptPath()
{
    QVERIFY(CMEngine::scriptPath().endsWith(u"/Orvelle Software/Cuemaster/current-script.txt"_s));
}

void TestCMAutosave::loadsAutosave_data()
{
    QTest::addColumn<QString>("make"); // what is at the autosave's place
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("keptAs"); // where the unusable file goes; empty: stays
    const QString sample = CMEngine::sampleScript();
    const QString aside = u"current-script.txt.unreadable"_s;
    QTest::newRow("no file: the sample") << u"none"_s << QByteArray() << sample << QString();
    QTest::newRow("zero bytes: an empty script") << u"file"_s << ""_ba << QString() << QString();
    QTest::newRow("utf-8") << u"file"_s << "Caf\xc3\xa9\n[cue]\n"_ba << u"Café\n[cue]\n"_s
                           << QString();
    QTest::newRow("not utf-8") << u"file"_s << "Latin-1 caf\xe9"_ba << sample << aside;
    QTest::newRow("a second unreadable file keeps the first")
        << u"second"_s << "\xff"_ba << sample << u"current-script.txt.unreadable-2"_s;
    QTest::newRow("FIFO") << u"fifo"_s << QByteArray() << sample << aside;
    QTest::newRow("link to /dev/zero") << u"zero"_s << QByteArray() << sample << aside;
    QTest::newRow("larger than 64 MB") << u"huge"_s << QByteArray() << sample << aside;
}

// Nothing on the start's way can hang it, crash it or lose a file: an unusable autosave is set
// aside at once (never over an earlier one), the sample is shown, and a notice says where the
// old file went. Loading writes nothing else.
void TestCMAutosave::loadsAutosave()
{
    QFETCH(QString, make);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, script);
    QFETCH(QString, keptAs);
    const QString path = CMEngine::scriptPath();
    const QByteArray name = QFile::encodeName(path);
    if (make == u"file"_s || make == u"second"_s)
        writeFile(path, bytes);
    if (make == u"second"_s)
        writeFile(path + u".unreadable"_s, "the first");
    if (make == u"fifo"_s)
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    if (make == u"zero"_s)
        QCOMPARE(::symlink("/dev/zero", name.constData()), 0);
    if (make == u"huge"_s) {
        writeFile(path, "x");
        QCOMPARE(::truncate(name.constData(), (64LL << 20) + 1), 0);
    }
    {
        CMEngine engine;
        QCOMPARE(engine.script(), script);
        QVERIFY(!engine.savePending());
        QCOMPARE(engine.startNotice().isEmpty(), keptAs.isEmpty());
        if (!keptAs.isEmpty()) {
            QVERIFY2(engine.startNotice().contains(u"\u201C%1\u201D"_s.arg(keptAs)),
                     qPrintable(engine.startNotice()));
            QVERIFY(engine.startNotice().contains(QFileInfo(path).absolutePath()));
        }
    }
    const QString keptPath = QFileInfo(path).dir().filePath(keptAs);
    if (keptAs.isEmpty()) {
        QCOMPARE(QFile::exists(path), make != u"none"_s);
        if (make != u"none"_s)
            QCOMPARE(readFile(path), bytes);
    } else {
        QVERIFY(!QFileInfo::exists(path) && !QFileInfo(path).isSymLink());
        QVERIFY(QFileInfo(keptPath).isSymLink() || QFileInfo::exists(keptPath));
        if (!bytes.isEmpty())
            QCOMPARE(readFile(keptPath), bytes);
        if (make == u"second"_s)
            QCOMPARE(readFile(path + u".unreadable"_s), "the first"_ba);
    }
    {
        CMEngine engine;
        engine.setScript(u"new"_s);
    }
    QCOMPARE(readFile(path), "new"_ba);
}

// No write at every key; one at most 2 s after the first unsaved change, however long the
// typing goes on; and once the typing stops, the last text, and then nothing more.
void TestCMAutosave::typingIsSavedInPauses()
{
    CMEngine engine;
    QSignalSpy saved(&engine, &CMEngine::scriptSaved);
    QElapsedTimer typing;
    typing.start();
    qint64 firstSave = -1;
    QString text;
    while (typing.elapsed() < 3000) {
        text += QChar(char16_t(u'a' + text.size() % 26));
        engine.setScript(text);
        QTest::qWait(50);
        if (firstSave < 0 && saved.count() > 0)
            firstSave = typing.elapsed();
    }
    QVERIFY2(firstSave > 0 && firstSave <= 2000, qPrintable(QString::number(firstSave)));
    QVERIFY2(saved.count() <= 3, qPrintable(QString::number(saved.count())));
    QTRY_VERIFY_WITH_TIMEOUT(!engine.scriptUnsaved(), 3000);
    QTest::qWait(900); // the last save's report, and any save after it
    QVERIFY(saved.last().first().toBool());
    QCOMPARE(readFile(CMEngine::scriptPath()), text.toUtf8());
    const qsizetype settled = saved.count();
    QTest::qWait(900);
    QCOMPARE(saved.count(), settled);
}

// The bytes are the text's exact UTF-8: no line endings changed, no final break added.
void TestCMAutosave::pendingSaveIsWrittenAtQuit()
{
    CMEngine engine;
    engine.setScript(u"é\n[Cue]\r\nno final break"_s);
    QVERIFY(engine.savePending());
    QVERIFY(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit"));
    QVERIFY(!engine.savePending());
    QCOMPARE(readFile(CMEngine::scriptPath()), QByteArray("\xc3\xa9\n[Cue]\r\nno final break"));
}

void TestCMAutosave::failedSaveIsReportedKeptAndRetried_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("disk full after 5 bytes") << u"full:5"_s << u"No space left on device"_s;
    QTest::newRow("read-only folder") << u"read-only"_s << QString();
}

// A failed autosave never touches the file on disk, keeps the text, says why, and is tried
// again: every few seconds, and once more at quit.
void TestCMAutosave::failedSaveIsReportedKeptAndRetried()
{
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    const QString folder = QFileInfo(CMEngine::scriptPath()).absolutePath();
    writeFile(CMEngine::scriptPath(), "the old script");
    CMEngine engine;
    engine.setSaveTimingsForTesting(50, 300);
    QSignalSpy saved(&engine, &CMEngine::scriptSaved);
    QSignalSpy status(&engine, &CMEngine::saveStatusChanged);
    const auto injectFault = [&] {
        if (fault.startsWith(u"full:"_s)) {
            CMAtomicFile::setFailAfterBytesForTesting(fault.mid(5).toLongLong());
        } else {
            m_readOnly.emplace(folder);
        }
    };
    injectFault();
    if (m_readOnly && m_readOnly->way() == cmtest::ReadOnlyFolder::Way::Injected)
        qInfo("This superuser may not mount: the read-only folder is the writer's injected fault.");
    engine.setScript(u"a long script that does not fit any more"_s);
    QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, 5000);
    QCOMPARE(saved.first().first().toBool(), false);
    QVERIFY2(!engine.saveError().isEmpty() && engine.saveError().contains(reason),
             qPrintable(engine.saveError()));
    QCOMPARE(status.count(), 1);
    QVERIFY(engine.scriptUnsaved());
    QCOMPARE(readFile(CMEngine::scriptPath()), "the old script"_ba);
    QVERIFY(!engine.flushPendingSave()); // the try at quit fails too: the caller asks
    QCOMPARE(readFile(CMEngine::scriptPath()), "the old script"_ba);

    cleanup();
    QTRY_COMPARE_WITH_TIMEOUT(status.count(), 2, 5000); // the periodic retry
    QVERIFY(engine.saveError().isEmpty());
    QVERIFY(!engine.scriptUnsaved());
    QCOMPARE(readFile(CMEngine::scriptPath()), "a long script that does not fit any more"_ba);

    injectFault();
    engine.setScript(u"last words"_s);
    QTRY_COMPARE_WITH_TIMEOUT(status.count(), 3, 5000);
    cleanup();
    QVERIFY(engine.flushPendingSave()); // the try at quit
    QCOMPARE(readFile(CMEngine::scriptPath()), "last words"_ba);
}

void TestCMAutosave::storedSettings_data()
{
    QTest::addColumn<QVariant>("stored"); // none: saved by the engine before
    QTest::addColumn<CMSettings>("loaded");
    const CMSettings odd{.fontName = u"Georgia"_s, .colors = 7}; // 7: out of range, kept
    QTest::newRow("saved when the last engine went") << QVariant() << odd;
    QTest::newRow("garbage") << QVariant(QByteArray("{oops")) << CMSettings{};
    QTest::newRow("a number") << QVariant(42) << CMSettings{};
}

void TestCMAutosave::storedSettings()
{
    QFETCH(QVariant, stored);
    QFETCH(CMSettings, loaded);
    if (stored.isValid())
        storeSettings(stored);
    else
        CMEngine().setSettings(loaded);
    CMEngine engine;
    QCOMPARE(engine.settings(), loaded);
    // Unreadable data stays until the next save.
    if (stored.isValid())
        QCOMPARE(QSettings().value(QLatin1StringView(CMEngine::settingsKey)), stored);
}

void TestCMAutosave::absurdStoredSettingsDoNotBreakTheClock()
{
    const qint64 forever = std::numeric_limits<qint64>::max();
    storeSettings(CMSettings{.speed = 1e308, .fontSize = 1e308, .countdown = forever}.toJson());
    CMEngine engine;
    QCOMPARE(engine.settings().fontSize, 1e308); // loaded unchanged
    CMInstant t = CMClock::now();
    engine.setTimeSource([&] { return t; });
    engine.setContentHeight(5000);
    engine.play(); // from the top, with a countdown of at most an hour
    t = addSeconds(t, 4000);
    const double o = engine.offset(t);
    QVERIFY(o >= 0 && o <= 5000);
    CMSettings s = engine.settings();
    s.fontSize = 0;
    engine.setSettings(s);
    QVERIFY(std::isfinite(engine.base()));
}

void TestCMAutosave::decodeIsAllOrNothing_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<std::optional<CMSettings>>("expected");

    // Values out of the controls' ranges load unchanged.
    const CMSettings odd{25, -5, 0, 2.2, u"Menlo-Regular"_s, 7, true, true, 10, false, 0.7, true};
    QTest::newRow("round trip") << odd.toJson() << std::optional(odd);
    QTest::newRow("any order, unknown keys, integer for a double")
        << QByteArray(R"({"uppercase":true,"future":[1,2],"cuePosition":0.5,"cueLine":false,
            "countdown":5,"flip":true,"mirror":true,"colors":2,"fontName":"Georgia",
            "lineSpacing":1.5,"margin":20,"fontSize":100,"speed":4})")
        << std::optional(
               CMSettings{4, 100, 20, 1.5, u"Georgia"_s, 2, true, true, 5, false, 0.5, true});

    const std::optional<CMSettings> none;
    const auto with = [](const char *key, const QJsonValue &value) {
        QJsonObject o = defaultObject();
        o.insert(QLatin1StringView(key), value);
        return QJsonDocument(o).toJson();
    };
    QTest::newRow("not json") << QByteArray("speed=3") << none;
    QTest::newRow("array") << QByteArray("[1,2,3]") << none;
    QTest::newRow("truncated") << CMSettings{}.toJson().chopped(2) << none;
    for (const QString &key : defaultObject().keys()) {
        QJsonObject o = defaultObject();
        o.remove(key);
        QTest::newRow(qPrintable(u"missing "_s + key)) << QJsonDocument(o).toJson() << none;
    }
    QTest::newRow("speed as string") << with("speed", u"3"_s) << none;
    QTest::newRow("fontName number") << with("fontName", 7) << none;
    QTest::newRow("colors fractional") << with("colors", 1.5) << none;
    QTest::newRow("countdown fractional") << with("countdown", 3.25) << none;
    QTest::newRow("countdown too large") << with("countdown", 1e300) << none;
    QTest::newRow("mirror as number") << with("mirror", 1) << none;
}

void TestCMAutosave::decodeIsAllOrNothing()
{
    QFETCH(QByteArray, json);
    QTEST(CMSettings::fromJson(json), "expected");
}

void TestCMAutosave::clampedIsSafeForAbsurdValues()
{
    const CMSettings c = CMSettings{.speed = 1e300,
                                    .fontSize = 0,
                                    .margin = 80,
                                    .lineSpacing = 0.2,
                                    .colors = -9,
                                    .countdown = std::numeric_limits<qint64>::max(),
                                    .cuePosition = -4}
                             .clamped();
    QCOMPARE(c.speed, 10.0);
    QVERIFY(c.fontSize > 0);
    QVERIFY(c.margin < 50);
    QVERIFY(c.lineSpacing >= 1.0);
    QCOMPARE(c.colors, 0);
    QVERIFY(c.countdown <= 3600);
    QCOMPARE(c.cuePosition, 0.1);

    // Values the controls produce pass through untouched.
    const CMSettings normal{.speed = 10, .fontSize = 200, .margin = 35, .lineSpacing = 2.2};
    QCOMPARE(normal.clamped(), normal);

    CMSettings nan;
    nan.speed = std::nan("");
    QCOMPARE(nan.usableSpeed(), 0.0);
}

QTEST_GUILESS_MAIN(TestCMAutosave)
#include "tst_cmautosave.moc"
