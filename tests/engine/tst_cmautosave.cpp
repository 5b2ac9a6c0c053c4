#include <engine/cmengine.h>
#include <engine/cmmath.h>

#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

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

} // namespace

Q_DECLARE_METATYPE(CMSettings)

// Script storage and settings persistence across engine lifetimes.
class TestCMAutosave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void sampleScript();
    void loadsAutosave_data();
    void loadsAutosave();
    void debounceWritesOnceWithTheLastText();
    void pendingSaveIsWrittenAtQuit();
    void storedSettings_data();
    void storedSettings();
    void absurdStoredSettingsDoNotBreakTheClock();
};

void TestCMAutosave::init()
{
    QFile::remove(CMEngine::scriptPath());
    QFile::remove(CMEngine::scriptPath() + u".unreadable"_s);
    QSettings().clear();
}

void TestCMAutosave::sampleScript()
{
    QVERIFY(CMEngine::scriptPath().endsWith(u"/Orvelle Software/Cuemaster/current-script.txt"_s));
    QVERIFY(CMEngine::sampleScript().startsWith(u"[Welcome \u2014 OVS Cuemaster]\n"_s));
    QCOMPARE(CMMath::words(CMEngine::sampleScript()), 97);
}

void TestCMAutosave::loadsAutosave_data()
{
    QTest::addColumn<QByteArray>("bytes"); // null: no file
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("keptAside");
    QTest::newRow("no file: the sample") << QByteArray() << CMEngine::sampleScript() << false;
    QTest::newRow("zero bytes: an empty script") << ""_ba << QString() << false;
    QTest::newRow("utf-8") << "Caf\xc3\xa9\n[cue]\n"_ba << u"Café\n[cue]\n"_s << false;
    QTest::newRow("not utf-8: the sample, the file kept aside")
        << "Latin-1 caf\xe9"_ba << CMEngine::sampleScript() << true;
}

// Loading writes nothing; a file that could not be read survives the first save beside it.
void TestCMAutosave::loadsAutosave()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, script);
    QFETCH(bool, keptAside);
    if (!bytes.isNull())
        writeFile(CMEngine::scriptPath(), bytes);
    {
        CMEngine engine;
        QCOMPARE(engine.script(), script);
        QVERIFY(!engine.savePending());
    }
    QCOMPARE(QFile::exists(CMEngine::scriptPath()), !bytes.isNull());
    QCOMPARE(readFile(CMEngine::scriptPath()), bytes);
    {
        CMEngine engine;
        engine.setScript(u"new"_s);
    }
    QCOMPARE(readFile(CMEngine::scriptPath()), "new"_ba);
    QCOMPARE(QFile::exists(CMEngine::scriptPath() + u".unreadable"_s), keptAside);
    if (keptAside)
        QCOMPARE(readFile(CMEngine::scriptPath() + u".unreadable"_s), bytes);
}

void TestCMAutosave::debounceWritesOnceWithTheLastText()
{
    CMEngine engine;
    QSignalSpy saved(&engine, &CMEngine::scriptSaved);
    QString text;
    for (int i = 0; i < 10; ++i) {
        text += QChar(u'a' + i);
        engine.setScript(text);
        QTest::qWait(100);
    }
    QCOMPARE(saved.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, 3000);
    QCOMPARE(saved.first().first().toBool(), true);
    QCOMPARE(readFile(CMEngine::scriptPath()), QByteArray("abcdefghij"));
    QTest::qWait(900);
    QCOMPARE(saved.count(), 1);
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

QTEST_GUILESS_MAIN(TestCMAutosave)
#include "tst_cmautosave.moc"
