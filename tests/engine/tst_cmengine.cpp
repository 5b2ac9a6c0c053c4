#include <testsupport.h>
#include <engine/cmengine.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

enum class Effect { None, Toggle, BackToTop, ToEnd, JumpBack, JumpAhead, EndLive, Setting };

// The position must never follow the wall clock, which jumps.
static_assert(CMClock::is_steady);

} // namespace

Q_DECLARE_METATYPE(Effect)
Q_DECLARE_METATYPE(CMSettings)
Q_DECLARE_METATYPE(std::function<void(CMEngine &)>)

// The scroll clock, the transport and the key map, on a clock the tests move by hand.
class TestCMEngine : public QObject
{
    Q_OBJECT

private:
    CMInstant t = CMInstant{} + std::chrono::hours(1000);
    std::unique_ptr<CMEngine> engine;

    void make(double contentHeight = 100000, qint64 countdown = 0, double speed = 3)
    {
        cmtest::clearSettings();
        engine = std::make_unique<CMEngine>();
        engine->setTimeSource([this] { return t; });
        engine->setSettings({.speed = speed, .countdown = countdown});
        engine->setContentHeight(contentHeight);
    }
    void advance(double seconds) { t = addSeconds(t, seconds); }
    double now() const { return engine->offset(t); }
    static double rate(double speed, double fontSize = 72)
    {
        return CMEngine::rate({.speed = speed, .fontSize = fontSize});
    }

private Q_SLOTS:
    void rate_data();
    void rate();
    void countdown_data();
    void countdown();
    void rebaseIsContinuous_data();
    void rebaseIsContinuous();
    void endDetection_data();
    void endDetection();
    void jumpPastEndThenWatchFinishes();
    void movingFromTheEnd_data();
    void movingFromTheEnd();
    void offsetIsClampedEvenWhenStopped();
    void publishesInOrder();
    void keys_data();
    void keys();
    void steering_data();
    void steering();
    void steeringWaitsForTheRun();
};

void TestCMEngine::rate_data()
{
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("fontSize");
    QTest::addColumn<double>("expected");
    QTest::newRow("speed 1") << 1.0 << 72.0 << 29.52;
    QTest::newRow("speed 10") << 10.0 << 72.0 << 684.0;
    QTest::newRow("speed 25 acts as 10") << 25.0 << 72.0 << 684.0;
    QTest::newRow("negative speed acts as 0") << -2.0 << 72.0 << 0.0;
    QTest::newRow("size 144") << 3.0 << 144.0 << 228.96;
}

void TestCMEngine::rate()
{
    QFETCH(double, speed);
    QFETCH(double, fontSize);
    QFETCH(double, expected);
    QVERIFY(qAbs(rate(speed, fontSize) - expected) < 1e-9);
}

void TestCMEngine::countdown_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<QString>("action");
    QTest::addColumn<double>("at"); // seconds into the five-second countdown
    QTest::addColumn<bool>("keepsCountdown");
    QTest::addColumn<double>("offsetOneSecondLater"); // after the countdown or the action
    QTest::newRow("none") << 0.0 << QString() << 4.99 << true << 114.48;
    QTest::newRow("jump scrolls at once") << 0.0 << u"jump"_s << 1.0 << false << 432 + 114.48;
    QTest::newRow("faster keeps it") << 0.0 << u"faster"_s << 2.0 << true << rate(3.5);
    QTest::newRow("pause cancels it") << 0.0 << u"pause"_s << 3.0 << false << 0.0;
    // Only a start from the top counts down.
    QTest::newRow("from 0.9") << 0.9 << QString() << 0.0 << true << 0.9 + 114.48;
    QTest::newRow("from 1.0: none") << 1.0 << QString() << 0.0 << false << 1 + 114.48;
    QTest::newRow("from the end: again from the top") << 1e9 << QString() << 0.0 << true << 114.48;
}

void TestCMEngine::countdown()
{
    QFETCH(double, start);
    QFETCH(QString, action);
    QFETCH(double, at);
    QFETCH(bool, keepsCountdown);
    QFETCH(double, offsetOneSecondLater);
    make(100000, 5);
    engine->jump(start);
    engine->play();
    const double from = start > 100000 ? 0 : start;
    const std::optional<CMInstant> ends = engine->countdownEnds();
    QCOMPARE(ends.has_value(), keepsCountdown || !action.isEmpty());
    advance(at);
    if (action == u"jump"_s)
        engine->jump(432);
    else if (action == u"faster"_s)
        engine->faster();
    else if (action == u"pause"_s)
        engine->pause();
    QCOMPARE(engine->countdownEnds(), keepsCountdown ? ends : std::nullopt);
    if (keepsCountdown) {
        QCOMPARE(now(), from);
        t = *ends;
        QCOMPARE(now(), from);
    }
    advance(1);
    QVERIFY(qAbs(now() - offsetOneSecondLater) < 1e-6);
    if (action == u"pause"_s) {
        QVERIFY(!engine->endWatchActive());
        engine->play(); // the whole countdown again
        QCOMPARE(secondsBetween(t, *engine->countdownEnds()), 5.0);
    }
}

void TestCMEngine::rebaseIsContinuous_data()
{
    QTest::addColumn<bool>("running"); // stopped: at 500
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("newSpeed");
    QTest::addColumn<double>("newSize");
    QTest::newRow("speed 3 to 6") << true << 3.0 << 6.0 << 72.0;
    QTest::newRow("speed 6 to 0") << true << 6.0 << 0.0 << 72.0;
    QTest::newRow("speed 25 to 24.5") << true << 25.0 << 24.5 << 72.0;
    QTest::newRow("size 72 to 144") << true << 3.0 << 3.0 << 144.0;
    QTest::newRow("size 72 to 144, stopped") << false << 3.0 << 3.0 << 144.0;
}

// Just after the change the offset is the one just before, scaled with the size; from there
// it moves at the new rate.
void TestCMEngine::rebaseIsContinuous()
{
    QFETCH(bool, running);
    QFETCH(double, speed);
    QFETCH(double, newSpeed);
    QFETCH(double, newSize);
    make(1e9, 0, speed);
    if (running) {
        engine->play();
        advance(7.3);
    } else {
        engine->jump(500);
    }
    const double after = now() * newSize / 72;
    engine->setSettings({.speed = newSpeed, .fontSize = newSize, .countdown = 0});
    QVERIFY2(qAbs(now() - after) < 1e-6, qPrintable(QString::number(now())));
    advance(2);
    QVERIFY(qAbs(now() - after - (running ? 2 * rate(newSpeed, newSize) : 0)) < 1e-6);
}

void TestCMEngine::endDetection_data()
{
    QTest::addColumn<double>("contentHeight");
    QTest::addColumn<double>("speed");
    QTest::addColumn<bool>("ends");
    QTest::newRow("0.6 short") << 1144.8 + 0.6 << 3.0 << false;
    QTest::newRow("0.5 short") << 1144.8 + 0.5 << 3.0 << true;
    QTest::newRow("speed 0 never ends") << 1000.0 << 0.0 << false;
    QTest::newRow("empty script never ends") << 0.0 << 3.0 << false;
}

void TestCMEngine::endDetection()
{
    QFETCH(double, contentHeight);
    QFETCH(double, speed);
    QFETCH(bool, ends);
    // The end watch and the view's hint end the run at the same threshold.
    for (const bool byHint : {false, true}) {
        make(contentHeight, 0, speed);
        engine->play();
        advance(10); // offset 1144.8 at speed 3
        byHint ? engine->remember(now()) : engine->checkEnd(t);
        QCOMPARE(engine->finished(), ends);
        QCOMPARE(engine->running(), !ends);
        QCOMPARE(engine->endWatchActive(), !ends);
        QCOMPARE(engine->base(), ends ? contentHeight : 0.0);
    }
}

void TestCMEngine::jumpPastEndThenWatchFinishes()
{
    make(5000);
    engine->setTimeSource({}); // the end watch fires on the real clock
    engine->play();
    engine->jump(1e6);
    QCOMPARE(engine->offsetNow(), 5000.0);
    QTRY_VERIFY_WITH_TIMEOUT(engine->finished(), 2000);
    QVERIFY(!engine->running());
}

void TestCMEngine::movingFromTheEnd_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<double>("back");
    QTest::addColumn<bool>("finished");
    QTest::newRow("back 0.5") << u"jump"_s << 0.5 << true;
    QTest::newRow("back 0.6") << u"jump"_s << 0.6 << false;
    QTest::newRow("to the end") << u"end"_s << 0.0 << true;
    QTest::newRow("back to top") << u"top"_s << 1000.0 << false;
}

// After a run has finished, only a move of more than half a point clears `finished`.
void TestCMEngine::movingFromTheEnd()
{
    QFETCH(QString, action);
    QFETCH(double, back);
    QFETCH(bool, finished);
    make(1000);
    engine->play();
    advance(100);
    engine->checkEnd(t);
    QVERIFY(engine->finished());
    if (action == u"end"_s)
        engine->goToEnd();
    else if (action == u"top"_s)
        engine->backToTop();
    else
        engine->jump(-back);
    QCOMPARE(engine->finished(), finished);
    QCOMPARE(now(), 1000 - back);
    QVERIFY(!engine->running());
}

void TestCMEngine::offsetIsClampedEvenWhenStopped()
{
    make(1000);
    engine->jump(900);
    engine->setContentHeight(300); // the script shrank
    QCOMPARE(now(), 300.0);
    engine->setContentHeight(-5);
    QCOMPARE(now(), 0.0);
    engine->jump(-1e9);
    QCOMPARE(engine->base(), 0.0);
}

void TestCMEngine::publishesInOrder()
{
    make(1000, 3);
    QStringList order;
    connect(engine.get(), &CMEngine::countdownEndsChanged, this, [&] { order << u"countdown"_s; });
    connect(engine.get(), &CMEngine::runningChanged, this, [&] { order << u"running"_s; });
    engine->play();
    QCOMPARE(order, (QStringList{u"countdown"_s, u"running"_s}));

    // Changing a field that is not speed or size leaves the clock alone.
    advance(5);
    const double before = now();
    QSignalSpy moved(engine.get(), &CMEngine::positionChanged);
    engine->setSettings({.mirror = true});
    QCOMPARE(moved.count(), 0);
    QCOMPARE(now(), before);
}

void TestCMEngine::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("live");
    QTest::addColumn<Effect>("effect");
    QTest::addColumn<CMSettings>("before");
    QTest::addColumn<CMSettings>("after");

    const auto move = [](const char *name, int key, const QString &text, Effect effect,
                         bool live = false) {
        QTest::newRow(name) << key << text << live << effect << CMSettings{} << CMSettings{};
    };
    const auto set = [](const char *name, int key, const QString &text, const CMSettings &before,
                        const CMSettings &after) {
        QTest::newRow(name) << key << text << false << Effect::Setting << before << after;
    };
    const auto size = [](double pt) { return CMSettings{.fontSize = pt}; };
    const auto speed = [](double s) { return CMSettings{.speed = s}; };
    move("Space", Qt::Key_Space, u" "_s, Effect::Toggle);
    move("b", Qt::Key_B, u"b"_s, Effect::Toggle);
    move(".", Qt::Key_Period, u"."_s, Effect::Toggle);
    move("Home", Qt::Key_Home, QString(), Effect::BackToTop);
    move("r", Qt::Key_R, u"r"_s, Effect::BackToTop);
    move("End", Qt::Key_End, QString(), Effect::ToEnd);
    move("Page Up", Qt::Key_PageUp, QString(), Effect::JumpBack);
    move("Left", Qt::Key_Left, QString(), Effect::JumpBack);
    move("Page Down", Qt::Key_PageDown, QString(), Effect::JumpAhead);
    move("Right", Qt::Key_Right, QString(), Effect::JumpAhead);
    move("Escape while live", Qt::Key_Escape, u"\x1b"_s, Effect::EndLive, true);
    move("Escape while not live", Qt::Key_Escape, u"\x1b"_s, Effect::None);
    move("unknown letter", Qt::Key_X, u"x"_s, Effect::None);
    move("two characters", Qt::Key_unknown, u"mf"_s, Effect::None);
    move("function key, no text", Qt::Key_F5, QString(), Effect::None);
    set("m", Qt::Key_M, u"m"_s, CMSettings{}, CMSettings{.mirror = true});
    set("f", Qt::Key_F, u"f"_s, CMSettings{}, CMSettings{.flip = true});
    set("=", Qt::Key_Equal, u"="_s, size(72), size(76));
    set("+ at 198", Qt::Key_Plus, u"+"_s, size(198), size(200));
    set("+ at 200", Qt::Key_Plus, u"+"_s, size(200), size(200));
    set("-", Qt::Key_Minus, u"-"_s, size(72), size(68));
    set("- at 24", Qt::Key_Minus, u"-"_s, size(24), size(24));
    set("Up at 10", Qt::Key_Up, QString(), speed(10), speed(10));
    set("Down at 0", Qt::Key_Down, QString(), speed(0), speed(0));
    set("Down from a stored 25", Qt::Key_Down, QString(), speed(25), speed(24.5));
}

void TestCMEngine::keys()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(bool, live);
    QFETCH(Effect, effect);
    QFETCH(CMSettings, before);
    QFETCH(CMSettings, after);
    make();
    engine->setSettings(before);
    engine->flushPendingSave();
    QSettings().remove(QLatin1StringView(CMEngine::settingsKey));
    engine->jump(1000);
    engine->setLive(live);
    QSignalSpy focus(engine.get(), &CMEngine::focusToPrompterRequested);
    QSignalSpy endLive(engine.get(), &CMEngine::endLiveRequested);

    QCOMPARE(engine->handle(key, text), effect != Effect::None);

    const bool takesFocus = effect == Effect::Toggle || effect == Effect::BackToTop;
    QCOMPARE(focus.count(), takesFocus ? 1 : 0);
    QCOMPARE(endLive.count(), effect == Effect::EndLive ? 1 : 0);
    QCOMPARE(engine->running(), effect == Effect::Toggle);
    QVERIFY(!engine->finished());
    QCOMPARE(engine->settings(), after);
    if (effect == Effect::Setting) {
        // Saved even at a bound, with no one flushing it.
        QTRY_COMPARE(QSettings().value(QLatin1StringView(CMEngine::settingsKey)).toByteArray(),
                     after.toJson());
        return;
    }
    const double page = 432; // of the 1080-point viewport
    const double expectedOffset = effect == Effect::BackToTop   ? 0
                                  : effect == Effect::ToEnd     ? 100000
                                  : effect == Effect::JumpBack  ? 1000 - page
                                  : effect == Effect::JumpAhead ? 1000 + page
                                                                : 1000;
    QCOMPARE(now(), expectedOffset);
}


void TestCMEngine::steering_data()
{
    using Action = std::function<void(CMEngine &)>;
    QTest::addColumn<Action>("action");
    QTest::addColumn<bool>("keeps");
    QTest::addColumn<double>("jumpBy"); // how far the action itself moves the text
    QTest::newRow("jump ahead") << Action([](CMEngine &e) { e.jump(300); }) << true << 300.0;
    QTest::newRow("new size") << Action([](CMEngine &e) {
        e.setSettings({.speed = 3, .fontSize = 144, .countdown = 0});
    }) << true << -1.0;
    QTest::newRow("stop") << Action([](CMEngine &e) { e.pause(); }) << false << 0.0;
    QTest::newRow("start again") << Action([](CMEngine &e) { e.play(); }) << false << 0.0;
    QTest::newRow("faster") << Action([](CMEngine &e) { e.faster(); }) << false << 0.0;
    QTest::newRow("speed knob") << Action([](CMEngine &e) {
        e.setSettings({.speed = 5, .countdown = 0});
    }) << false << 0.0;
    QTest::newRow("back to top") << Action([](CMEngine &e) { e.backToTop(); }) << false << -2.0;
}

// The voice's rate replaces the speed's without a jump, and only a jump or a new text size
// leave it in force: every other action of the operator takes over at once.
void TestCMEngine::steering()
{
    QFETCH(std::function<void(CMEngine &)>, action);
    QFETCH(bool, keeps);
    QFETCH(double, jumpBy);
    make(1e9, 0, 3);
    engine->play();
    advance(4);
    const double before = now();
    engine->steer(40);
    QVERIFY(engine->steering());
    QCOMPARE(now(), before);
    advance(2);
    QVERIFY(qAbs(now() - (before + 80)) < 1e-6);

    QSignalSpy ended(engine.get(), &CMEngine::steeringEnded);
    const double at = now();
    action(*engine);
    QCOMPARE(engine->steering(), keeps);
    QCOMPARE(ended.count(), keeps ? 0 : 1);
    if (jumpBy >= 0)
        QVERIFY2(qAbs(now() - (at + jumpBy)) < 1e-6, qPrintable(QString::number(now())));
    const double from = now();
    advance(1);
    if (engine->running())
        QVERIFY(qAbs(now() - from - engine->currentRate()) < 1e-6);
    QCOMPARE(engine->currentRate(), keeps ? 40.0 : CMEngine::rate(engine->settings()));
}

void TestCMEngine::steeringWaitsForTheRun()
{
    make(1e9, 3, 3);
    engine->steer(50); // stopped
    QVERIFY(!engine->steering());
    engine->play();    // counting down from the top
    engine->steer(50);
    QVERIFY(!engine->steering());
    QCOMPARE(now(), 0.0);
    advance(3.5);
    engine->steer(50);
    QVERIFY(engine->steering());
    advance(1);
    QVERIFY(qAbs(now() - (0.5 * rate(3) + 50)) < 1e-6);
    // The end of the script ends it too.
    engine->setContentHeight(now() + 10);
    advance(1);
    QSignalSpy ended(engine.get(), &CMEngine::steeringEnded);
    engine->checkEnd(t);
    QVERIFY(engine->finished());
    QVERIFY(!engine->steering());
    QCOMPARE(ended.count(), 1);
    QCOMPARE(engine->base(), engine->contentHeight());
}

QTEST_GUILESS_MAIN(TestCMEngine)
#include "tst_cmengine.moc"
