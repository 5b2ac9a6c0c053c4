#include <engine/cmengine.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

enum class Effect { None, Toggle, BackToTop, ToEnd, JumpBack, JumpAhead, Faster, Slower, EndLive };

} // namespace

Q_DECLARE_METATYPE(Effect)

// The key map: which key does what, and which keys are left alone.
class TestCMKeyMap : public QObject
{
    Q_OBJECT

private:
    CMInstant t = CMInstant{} + std::chrono::hours(1000);
    std::unique_ptr<CMEngine> engine;

    CMEngine &make(const CMSettings &s = {})
    {
        QSettings().clear();
        engine = std::make_unique<CMEngine>();
        engine->setTimeSource([this] { return t; });
        engine->setSettings(s);
        engine->setContentHeight(100000);
        engine->setViewportHeight(1080);
        engine->jump(1000);
        return *engine;
    }
    double offset() const { return engine->offset(t); }

private Q_SLOTS:
    void keys_data();
    void keys();
    void settingsKeys_data();
    void settingsKeys();
};

void TestCMKeyMap::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("live");
    QTest::addColumn<Effect>("effect");

    QTest::newRow("Space") << int(Qt::Key_Space) << u" "_s << false << Effect::Toggle;
    QTest::newRow("b") << int(Qt::Key_B) << u"b"_s << false << Effect::Toggle;
    QTest::newRow("Shift-B") << int(Qt::Key_B) << u"B"_s << false << Effect::Toggle;
    QTest::newRow(".") << int(Qt::Key_Period) << u"."_s << false << Effect::Toggle;
    QTest::newRow("Home") << int(Qt::Key_Home) << QString() << false << Effect::BackToTop;
    QTest::newRow("r") << int(Qt::Key_R) << u"r"_s << false << Effect::BackToTop;
    QTest::newRow("End") << int(Qt::Key_End) << QString() << false << Effect::ToEnd;
    QTest::newRow("Page Up") << int(Qt::Key_PageUp) << QString() << false << Effect::JumpBack;
    QTest::newRow("Left") << int(Qt::Key_Left) << QString() << false << Effect::JumpBack;
    QTest::newRow("Page Down") << int(Qt::Key_PageDown) << QString() << false << Effect::JumpAhead;
    QTest::newRow("Right") << int(Qt::Key_Right) << QString() << false << Effect::JumpAhead;
    QTest::newRow("Up") << int(Qt::Key_Up) << QString() << false << Effect::Faster;
    QTest::newRow("Down") << int(Qt::Key_Down) << QString() << false << Effect::Slower;
    QTest::newRow("Escape while live")
        << int(Qt::Key_Escape) << u"\x1b"_s << true << Effect::EndLive;

    QTest::newRow("Escape while not live")
        << int(Qt::Key_Escape) << u"\x1b"_s << false << Effect::None;
    QTest::newRow("unknown letter") << int(Qt::Key_X) << u"x"_s << false << Effect::None;
    QTest::newRow("two characters") << int(Qt::Key_unknown) << u"mf"_s << false << Effect::None;
    QTest::newRow("function key, no text") << int(Qt::Key_F5) << QString() << false << Effect::None;
    QTest::newRow("Control-M text") << int(Qt::Key_M) << u"\r"_s << false << Effect::None;
}

void TestCMKeyMap::keys()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(bool, live);
    QFETCH(Effect, effect);
    make();
    engine->setLive(live);
    const CMSettings before = engine->settings();
    QSignalSpy focus(engine.get(), &CMEngine::focusToPrompterRequested);
    QSignalSpy endLive(engine.get(), &CMEngine::endLiveRequested);
    QSignalSpy settings(engine.get(), &CMEngine::settingsChanged);

    QCOMPARE(engine->handle(key, text), effect != Effect::None);

    const bool takesFocus = effect == Effect::Toggle || effect == Effect::BackToTop;
    QCOMPARE(focus.count(), takesFocus ? 1 : 0);
    QCOMPARE(endLive.count(), effect == Effect::EndLive ? 1 : 0);
    QCOMPARE(engine->running(), effect == Effect::Toggle);
    QVERIFY(!engine->finished());
    const double expectedOffset = effect == Effect::BackToTop   ? 0
                                  : effect == Effect::ToEnd     ? 100000
                                  : effect == Effect::JumpBack  ? 1000 - 432
                                  : effect == Effect::JumpAhead ? 1000 + 432
                                                                : 1000;
    QCOMPARE(offset(), expectedOffset);
    const double speed = effect == Effect::Faster ? 3.5 : effect == Effect::Slower ? 2.5 : 3;
    QCOMPARE(engine->settings().speed, speed);
    if (effect != Effect::Faster && effect != Effect::Slower) {
        QCOMPARE(settings.count(), 0);
        QVERIFY(engine->settings() == before);
    }
}

void TestCMKeyMap::settingsKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("fontSize");
    QTest::addColumn<double>("expectedSize");
    QTest::addColumn<bool>("mirror");
    QTest::addColumn<bool>("flip");

    QTest::newRow("m") << int(Qt::Key_M) << u"m"_s << 72.0 << 72.0 << true << false;
    QTest::newRow("Shift-M") << int(Qt::Key_M) << u"M"_s << 72.0 << 72.0 << true << false;
    QTest::newRow("f") << int(Qt::Key_F) << u"f"_s << 72.0 << 72.0 << false << true;
    QTest::newRow("=") << int(Qt::Key_Equal) << u"="_s << 72.0 << 76.0 << false << false;
    QTest::newRow("Shift-= gives +")
        << int(Qt::Key_Plus) << u"+"_s << 72.0 << 76.0 << false << false;
    QTest::newRow("+ at 198") << int(Qt::Key_Plus) << u"+"_s << 198.0 << 200.0 << false << false;
    QTest::newRow("+ at 200") << int(Qt::Key_Plus) << u"+"_s << 200.0 << 200.0 << false << false;
    QTest::newRow("-") << int(Qt::Key_Minus) << u"-"_s << 72.0 << 68.0 << false << false;
    QTest::newRow("- at 26") << int(Qt::Key_Minus) << u"-"_s << 26.0 << 24.0 << false << false;
    QTest::newRow("- at 24") << int(Qt::Key_Minus) << u"-"_s << 24.0 << 24.0 << false << false;
}

void TestCMKeyMap::settingsKeys()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(double, fontSize);
    QFETCH(double, expectedSize);
    QFETCH(bool, mirror);
    QFETCH(bool, flip);
    CMSettings s;
    s.fontSize = fontSize;
    make(s);
    QSettings().remove(QLatin1StringView(CMEngine::settingsKey));

    QVERIFY(engine->handle(key, text));
    QCOMPARE(engine->settings().fontSize, expectedSize);
    QCOMPARE(engine->settings().mirror, mirror);
    QCOMPARE(engine->settings().flip, flip);
    // Every such key saves the record, even when the size was already at its bound.
    QVERIFY(engine->settingsSavePending());
    engine->flushPendingSave();
    QCOMPARE(QSettings().value(QLatin1StringView(CMEngine::settingsKey)).toByteArray(),
             engine->settings().toJson());
    QVERIFY(!engine->running());
}

QTEST_GUILESS_MAIN(TestCMKeyMap)
#include "tst_cmkeymap.moc"
