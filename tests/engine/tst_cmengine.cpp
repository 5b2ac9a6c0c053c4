#include <testsupport.h>
#include <engine/cmengine.h>
#include <store/cmsettingsfile.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

enum class Effect { None, Toggle, BackToTop, ToEnd, JumpBack, JumpAhead, EndLive, Setting };

// The position must never follow the wall clock, which jumps.
static_assert(CMClock::is_steady);

constexpr double speed3 = 114.48; // points per second at speed 3, size 72

} // namespace

Q_DECLARE_METATYPE(Effect)
Q_DECLARE_METATYPE(CMSettings)

// The scroll clock, the transport, the key map, cues and the time of the take, on a clock
// the tests move by hand.
class TestCMEngine : public QObject
{
    Q_OBJECT

private:
    CMInstant t = CMInstant{} + std::chrono::hours(1000);
    std::unique_ptr<CMEngine> engine;

    void make(double contentHeight = 100000, qint64 countdown = 0, double speed = 3,
              const QList<double> &cueOffsets = {})
    {
        cmtest::clearSettings();
        engine = std::make_unique<CMEngine>();
        engine->setTimeSource([this] { return t; });
        engine->setSettings({.speed = speed, .countdown = countdown});
        engine->setContentHeight(contentHeight);
        QList<CMCue> cues;
        for (const double o : cueOffsets)
            cues.append({int(cues.size()) * 2, u"[cue %1]"_s.arg(cues.size()), o});
        engine->setCues(cues);
    }
    void advance(double seconds) { t = addSeconds(t, seconds); }
    double now() const { return engine->offset(t); }
    void act(const QString &action)
    {
        if (action == u"]"_s || action == u"["_s)
            QVERIFY(engine->handle(action == u"]"_s ? Qt::Key_BracketRight : Qt::Key_BracketLeft,
                                   action));
        else if (action == u"play"_s)
            engine->play();
        else if (action == u"pause"_s)
            engine->pause();
        else if (action == u"top"_s)
            engine->backToTop();
        else if (action == u"end"_s)
            engine->goToEnd();
        else if (action == u"faster"_s)
            engine->faster();
        else if (action == u"check"_s)
            engine->checkEnd(t);
        else if (action.startsWith(u"jump "_s))
            engine->jump(action.mid(5).toDouble());
        else if (action.startsWith(u"speed "_s))
            engine->setSettings({.speed = action.mid(6).toDouble(), .countdown = 0});
        else if (action.startsWith(u"size "_s))
            engine->setSettings({.speed = 3, .fontSize = action.mid(5).toDouble(), .countdown = 0});
        else if (action.startsWith(u"wait "_s))
            advance(action.mid(5).toDouble());
        else
            QFAIL(qPrintable(u"unknown step "_s + action));
    }
    void actAll(const QString &steps)
    {
        for (const QString &step : steps.split(u", "_s, Qt::SkipEmptyParts))
            act(step);
    }
    static double rate(double speed, double fontSize = 72)
    {
        return CMEngine::rate({.speed = speed, .fontSize = fontSize});
    }

private Q_SLOTS:
    void rateKeepsToTheRange();
    void countdown_data();
    void countdown();
    void rebaseIsContinuous_data();
    void rebaseIsContinuous();
    void endDetection_data();
    void endDetection();
    void jumpPastEndThenWatchFinishes();
    void moves_data();
    void moves();
    void offsetIsClampedEvenWhenStopped();
    void publishesInOrder();
    void keys_data();
    void keys();
    void steering_data();
    void steering();
    void steeringWaitsForTheRun();
    void announcements_data();
    void announcements();
    void announcedOnTimeByTheClock();
    void time_data();
    void time();
    void targetDuration();
};

// Stored speeds beyond the knob's range scroll at its ends; a larger text scrolls as much
// faster, so that the words pass at the same pace.
void TestCMEngine::rateKeepsToTheRange()
{
    QCOMPARE(rate(25), rate(10));
    QCOMPARE(rate(-2), 0.0);
    QCOMPARE(rate(3, 144), 2 * rate(3));
}

void TestCMEngine::countdown_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<QString>("action");
    QTest::addColumn<double>("at"); // seconds into the five-second countdown
    QTest::addColumn<bool>("keepsCountdown");
    QTest::addColumn<double>("offsetOneSecondLater"); // after the countdown or the action
    QTest::newRow("none") << 0.0 << QString() << 4.99 << true << speed3;
    QTest::newRow("jump scrolls at once") << 0.0 << u"jump 432"_s << 1.0 << false << 432 + speed3;
    QTest::newRow("faster keeps it") << 0.0 << u"faster"_s << 2.0 << true << rate(3.5);
    QTest::newRow("pause cancels it") << 0.0 << u"pause"_s << 3.0 << false << 0.0;
    // Only a start from the top counts down.
    QTest::newRow("from 0.9") << 0.9 << QString() << 0.0 << true << 0.9 + speed3;
    QTest::newRow("from 1.0: none") << 1.0 << QString() << 0.0 << false << 1 + speed3;
    QTest::newRow("from the end: again from the top") << 1e9 << QString() << 0.0 << true << speed3;
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
    actAll(action);
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

void TestCMEngine::moves_data()
{
    QTest::addColumn<QList<double>>("cues");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<double>("offset");
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("finished");
    const QList<double> three{100, 500, 900};
    const auto row = [](const char *name, const QList<double> &cues, const QString &steps,
                        double offset, bool running = false, bool finished = false) {
        QTest::newRow(name) << cues << steps << offset << running << finished;
    };
    row("next cue from the top", three, u"]"_s, 100);
    row("next from a cue goes on", three, u"], ]"_s, 500);
    row("next after the last: stays", three, u"jump 950, ]"_s, 950);
    row("previous just after a cue skips it", three, u"jump 500.5, ["_s, 100);
    row("previous well after a cue returns to it", three, u"jump 600, ["_s, 500);
    row("previous before the first: stays", three, u"jump 50, ["_s, 50);
    row("no cues: nothing", {}, u"jump 300, ], ["_s, 300);
    // Running: the jump keeps running from the cue, and a second of scrolling counts as
    // just after it.
    row("next while running", three, u"jump 200, play, wait 1, ], wait 1"_s, 500 + speed3, true);
    row("previous while running, 0.5 s on", three, u"jump 500, play, wait 0.5, ["_s, 100, true);
    row("previous while running, 2 s on", three, u"jump 500, play, wait 2, ["_s, 500, true);
    row("next ends the countdown", three, u"top, wait 0, play, wait 1, ], wait 1"_s,
        100 + speed3, true);
    // After a run has finished, only a move of more than half a point clears `finished`.
    const QString ran = u"play, wait 100, check, "_s;
    row("finished, back 0.5", {}, ran + u"jump -0.5"_s, 1999.5, false, true);
    row("finished, back 0.6", {}, ran + u"jump -0.6"_s, 1999.4);
    row("finished, to the end", {}, ran + u"end"_s, 2000, false, true);
    row("finished, back to top", {}, ran + u"top"_s, 0);
}

void TestCMEngine::moves()
{
    QFETCH(QList<double>, cues);
    QFETCH(QString, steps);
    QFETCH(double, offset);
    make(2000, 5, 3, cues);
    actAll(steps);
    QVERIFY2(qAbs(now() - offset) < 1e-6, qPrintable(QString::number(now())));
    QTEST(engine->running(), "running");
    QTEST(engine->finished(), "finished");
    QVERIFY(!engine->countdownEnds());
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
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("keeps");
    QTest::addColumn<double>("jumpBy"); // how far the action itself moves the text
    QTest::newRow("jump ahead") << u"jump 300"_s << true << 300.0;
    QTest::newRow("new size") << u"size 144"_s << true << -1.0;
    QTest::newRow("stop") << u"pause"_s << false << 0.0;
    QTest::newRow("start again") << u"play"_s << false << 0.0;
    QTest::newRow("faster") << u"faster"_s << false << 0.0;
    QTest::newRow("speed knob") << u"speed 5"_s << false << 0.0;
    QTest::newRow("back to top") << u"top"_s << false << -2.0;
}

// The voice's rate replaces the speed's without a jump, and only a jump or a new text size
// leave it in force: every other action of the operator takes over at once.
void TestCMEngine::steering()
{
    QFETCH(QString, action);
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
    act(action);
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

void TestCMEngine::announcements_data()
{
    QTest::addColumn<qint64>("countdown");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QList<int>>("announced"); // after each step: every cue announced so far
    const auto row = [](const char *name, qint64 countdown, const QString &steps,
                        const QList<int> &announced) {
        QTest::newRow(name) << countdown << steps << announced;
    };
    // Cues at 0, 300 and 1000 points; 114.48 points a second.
    row("a run passes each cue once", 0, u"play, wait 2, wait 1, wait 10"_s, {0, 1, 2});
    row("the first line waits for the countdown", 3, u"play, wait 2.9, wait 0.2"_s, {0});
    row("nothing while stopped", 0, u"jump 500, wait 10"_s, {});
    row("a pause does not announce again", 0, u"play, wait 3, pause, play, wait 1"_s, {0, 1});
    row("jumping back announces again", 0, u"play, wait 3, jump -200, wait 2"_s, {0, 1, 1});
    row("jumping past a cue skips it", 0, u"jump 100, play, jump 250, wait 6"_s, {2});
    row("a cue jump while running lands on it", 0, u"jump 100, play, ], wait 0"_s, {1});
    row("a new take from the top announces all again", 0,
        u"play, wait 3, top, play, wait 3"_s, {0, 1, 0, 1});
}

void TestCMEngine::announcements()
{
    QFETCH(qint64, countdown);
    QFETCH(QString, steps);
    make(2000, countdown, 3, {0, 300, 1000});
    QList<int> got;
    connect(engine.get(), &CMEngine::cueReached, this, [&](int i) { got.append(i); });
    for (const QString &step : steps.split(u", "_s)) {
        act(step);
        engine->checkCues(t);
    }
    QTEST(got, "announced");
}

// The engine's own timer announces a cue when it arrives, not at the next poll.
void TestCMEngine::announcedOnTimeByTheClock()
{
    make();
    engine->setTimeSource({});
    engine->setSettings({.speed = 10, .countdown = 0}); // 684 points a second
    engine->setCues({{0, u"[a]"_s, 205}});
    QSignalSpy reached(engine.get(), &CMEngine::cueReached);
    engine->play();
    const CMInstant started = CMClock::now();
    QVERIFY(reached.wait(5000));
    const double at = secondsBetween(started, CMClock::now());
    QVERIFY2(at > 0.28, qPrintable(QString::number(at))); // 205 / 684 = 0.3 s
    QVERIFY(engine->offsetNow() >= 204.5);
}

void TestCMEngine::time_data()
{
    QTest::addColumn<qint64>("countdown");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<double>("remaining"); // -1: none
    const auto row = [](const char *name, qint64 countdown, const QString &steps, double elapsed,
                        double remaining) {
        QTest::newRow(name) << countdown << steps << elapsed << remaining;
    };
    const double all = 20000 / speed3;
    row("not started", 0, u"wait 5"_s, 0, all);
    row("running", 0, u"play, wait 10"_s, 10, all - 10);
    row("the countdown is not the take", 5, u"play, wait 7"_s, 2, all - 2);
    row("pauses excluded", 0, u"play, wait 4, pause, wait 30, play, wait 1"_s, 5, all - 5);
    row("jumps keep the clock", 0, u"play, wait 4, jump 1000, wait 1"_s, 5,
        (20000 - 1000 - 5 * speed3) / speed3);
    row("speed change keeps it", 0, u"play, wait 4, faster, wait 1"_s, 5,
        (20000 - 4 * speed3 - rate(3.5)) / rate(3.5));
    row("back to the top starts a new take", 0, u"play, wait 4, top, wait 2"_s, 0, all);
    row("a start from the middle goes on", 0,
        u"play, wait 4, pause, jump 5000, play, wait 1"_s, 5,
        (20000 - 4 * speed3 - 5000 - speed3) / speed3);
    row("the take ends with the text", 0, u"play, wait 500"_s, all, 0);
}

void TestCMEngine::time()
{
    QFETCH(qint64, countdown);
    QFETCH(QString, steps);
    QFETCH(double, elapsed);
    QFETCH(double, remaining);
    make(20000, countdown);
    actAll(steps);
    QVERIFY2(qAbs(engine->elapsed(t) - elapsed) < 1e-6,
             qPrintable(QString::number(engine->elapsed(t))));
    QVERIFY(engine->remaining(t).has_value());
    QVERIFY2(qAbs(*engine->remaining(t) - remaining) < 1e-6,
             qPrintable(QString::number(*engine->remaining(t))));
    engine->checkEnd(t); // the end watch does not move the take's end
    QVERIFY(qAbs(engine->elapsed(t) - elapsed) < 1e-6);

    engine->setSettings({.speed = 0});
    QCOMPARE(engine->remaining(t).has_value(), remaining == 0);
}

void TestCMEngine::targetDuration()
{
    make(20000);
    QCOMPARE(engine->overUnder(t), std::nullopt);
    engine->setTargetDuration(150);
    engine->play();
    advance(10);
    // 10 s gone and 20000 / 114.48 s to go: over a target of 150 s by the difference.
    QVERIFY(qAbs(*engine->overUnder(t) - (10 + (20000 - 10 * speed3) / speed3 - 150)) < 1e-6);

    for (const QVariant &stored : {QVariant(-5.0), QVariant(u"abc"_s), QVariant(1e300)}) {
        CMSettingsFile::shared().resetForTesting(); // what was set is on disk, then replaced
        QSettings().setValue(QLatin1StringView(CMEngine::targetDurationKey), stored);
        CMEngine fresh;
        QCOMPARE(fresh.targetDuration(), stored.toDouble() > 0 ? 86400.0 : 0.0);
    }
    engine->setTargetDuration(210);
    QCOMPARE(CMEngine().targetDuration(), 210.0);
}

QTEST_GUILESS_MAIN(TestCMEngine)
#include "tst_cmengine.moc"
