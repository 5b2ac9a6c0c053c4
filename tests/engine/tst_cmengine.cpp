#include <engine/cmengine.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A hand-driven clock: tests move time explicitly.
struct FakeClock
{
    CMInstant t = CMInstant{} + std::chrono::hours(1000);
    void advance(double seconds) { t = addSeconds(t, seconds); }
};

} // namespace

class TestCMEngine : public QObject
{
    Q_OBJECT

private:
    FakeClock clock;
    std::unique_ptr<CMEngine> engine;

    CMEngine &make(double contentHeight = 100000, qint64 countdown = 0, double speed = 3)
    {
        QSettings().clear();
        engine = std::make_unique<CMEngine>();
        engine->setTimeSource([this] { return clock.t; });
        CMSettings s;
        s.countdown = countdown;
        s.speed = speed;
        engine->setSettings(s);
        engine->setContentHeight(contentHeight);
        return *engine;
    }
    double now() const { return engine->offset(clock.t); }

private Q_SLOTS:
    void rate_data();
    void rate();
    void scrollsAtTheRate();
    void countdownHoldsThenScrollsFromItsEnd();
    void countdownOnlyFromTheTop_data();
    void countdownOnlyFromTheTop();
    void playAtEndRestartsFromTopWithCountdown();
    void pauseCancelsCountdown();
    void jumpDuringCountdownScrollsAtOnce();
    void speedChangeIsContinuous_data();
    void speedChangeIsContinuous();
    void sizeChangeScalesPosition();
    void speedChangeDuringCountdownKeepsCountdown();
    void speedZeroNeverFinishes();
    void emptyContentNeverMovesOrFinishes();
    void endDetection_data();
    void endDetection();
    void jumpPastEndThenWatchFinishes();
    void jumpClearsFinished_data();
    void jumpClearsFinished();
    void offsetIsClampedEvenWhenStopped();
    void fasterSlowerClampAndSave();
    void compoundActions();
    void publishesInOrder();
    void wallClockIsNotUsed();
};

void TestCMEngine::rate_data()
{
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("fontSize");
    QTest::addColumn<double>("expected");
    QTest::newRow("speed 1") << 1.0 << 72.0 << 29.52;
    QTest::newRow("speed 3") << 3.0 << 72.0 << 114.48;
    QTest::newRow("speed 5") << 5.0 << 72.0 << 234.0;
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
    CMSettings s;
    s.speed = speed;
    s.fontSize = fontSize;
    QVERIFY(qAbs(CMEngine::rate(s) - expected) < 1e-9);
}

void TestCMEngine::scrollsAtTheRate()
{
    make();
    engine->play();
    QVERIFY(engine->running());
    QVERIFY(engine->endWatchActive());
    clock.advance(10);
    QCOMPARE(now(), 1144.8);
}

void TestCMEngine::countdownHoldsThenScrollsFromItsEnd()
{
    make(100000, 5);
    engine->play();
    QVERIFY(engine->countdownEnds());
    clock.advance(4.99);
    QCOMPARE(now(), 0.0);
    clock.advance(0.01);
    QCOMPARE(now(), 0.0);
    clock.advance(1);
    QVERIFY(qAbs(now() - 114.48) < 1e-6);
}

void TestCMEngine::countdownOnlyFromTheTop_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<bool>("countsDown");
    QTest::newRow("0") << 0.0 << true;
    QTest::newRow("0.9") << 0.9 << true;
    QTest::newRow("1.0") << 1.0 << false;
    QTest::newRow("500") << 500.0 << false;
}

void TestCMEngine::countdownOnlyFromTheTop()
{
    QFETCH(double, start);
    QFETCH(bool, countsDown);
    make(100000, 3);
    engine->jump(start);
    engine->play();
    QCOMPARE(engine->countdownEnds().has_value(), countsDown);
}

void TestCMEngine::playAtEndRestartsFromTopWithCountdown()
{
    make(1000, 3);
    engine->goToEnd();
    QVERIFY(engine->atEnd());
    engine->play();
    QCOMPARE(now(), 0.0);
    QVERIFY(engine->countdownEnds());
}

void TestCMEngine::pauseCancelsCountdown()
{
    make(100000, 5);
    engine->play();
    clock.advance(3);
    engine->pause();
    QVERIFY(!engine->countdownEnds());
    QVERIFY(!engine->endWatchActive());
    QCOMPARE(engine->base(), 0.0);
    engine->play();
    const double full = secondsBetween(clock.t, *engine->countdownEnds());
    QCOMPARE(full, 5.0);
}

void TestCMEngine::jumpDuringCountdownScrollsAtOnce()
{
    make(100000, 5);
    engine->play();
    clock.advance(1);
    engine->jump(432);
    QVERIFY(!engine->countdownEnds());
    QCOMPARE(now(), 432.0);
    clock.advance(1);
    QVERIFY(qAbs(now() - (432 + 114.48)) < 1e-6);
}

void TestCMEngine::speedChangeIsContinuous_data()
{
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::newRow("3 to 6") << 3.0 << 6.0;
    QTest::newRow("6 to 0") << 6.0 << 0.0;
    QTest::newRow("25 to 24.5") << 25.0 << 24.5;
}

void TestCMEngine::speedChangeIsContinuous()
{
    QFETCH(double, from);
    QFETCH(double, to);
    make(1e9, 0, from);
    engine->play();
    clock.advance(7.3);
    const double before = now();
    CMSettings s = engine->settings();
    s.speed = to;
    engine->setSettings(s);
    QVERIFY(qAbs(now() - before) < 1e-9);
    clock.advance(2);
    CMSettings expected;
    expected.speed = to;
    QVERIFY(qAbs(now() - (before + 2 * CMEngine::rate(expected))) < 1e-6);
}

void TestCMEngine::sizeChangeScalesPosition()
{
    make(1e6);
    engine->jump(500);
    CMSettings s = engine->settings();
    s.fontSize = 144;
    engine->setSettings(s);
    QCOMPARE(now(), 1000.0);

    // While running: the offset reached under the old size, then scaled.
    make(1e9);
    engine->play();
    clock.advance(10);
    s = engine->settings();
    s.fontSize = 144;
    engine->setSettings(s);
    QVERIFY(qAbs(now() - 2289.6) < 1e-6);
}

void TestCMEngine::speedChangeDuringCountdownKeepsCountdown()
{
    make(100000, 5);
    engine->play();
    const auto ends = engine->countdownEnds();
    clock.advance(2);
    engine->faster();
    QCOMPARE(engine->countdownEnds(), ends);
    QCOMPARE(engine->base(), 0.0);
    clock.advance(4);
    CMSettings s;
    s.speed = 3.5;
    QVERIFY(qAbs(now() - CMEngine::rate(s)) < 1e-6);
}

void TestCMEngine::speedZeroNeverFinishes()
{
    make(1000, 0, 0);
    engine->play();
    clock.advance(3600);
    engine->checkEnd(clock.t);
    QCOMPARE(now(), 0.0);
    QVERIFY(engine->running());
}

void TestCMEngine::emptyContentNeverMovesOrFinishes()
{
    make(0);
    engine->play();
    clock.advance(100);
    engine->checkEnd(clock.t);
    engine->remember(now());
    QCOMPARE(now(), 0.0);
    QVERIFY(engine->running());
    QVERIFY(!engine->finished());
}

void TestCMEngine::endDetection_data()
{
    QTest::addColumn<double>("shortOfEnd");
    QTest::addColumn<bool>("ends");
    QTest::newRow("0.6 short") << 0.6 << false;
    QTest::newRow("0.5 short") << 0.5 << true;
    QTest::newRow("at end") << 0.0 << true;
}

void TestCMEngine::endDetection()
{
    QFETCH(double, shortOfEnd);
    QFETCH(bool, ends);
    make(1144.8 + shortOfEnd);
    engine->play();
    clock.advance(10); // offset 1144.8
    engine->checkEnd(clock.t);
    QCOMPARE(engine->finished(), ends);
    QCOMPARE(engine->running(), !ends);
    QCOMPARE(engine->endWatchActive(), !ends);
    if (ends)
        QCOMPARE(engine->base(), engine->contentHeight());

    // The view's hint ends the run at the same threshold.
    make(1144.8 + shortOfEnd);
    engine->play();
    clock.advance(10);
    engine->remember(now());
    QCOMPARE(engine->finished(), ends);
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

void TestCMEngine::jumpClearsFinished_data()
{
    QTest::addColumn<double>("back");
    QTest::addColumn<bool>("finished");
    QTest::newRow("0.4") << -0.4 << true;
    QTest::newRow("0.5") << -0.5 << true;
    QTest::newRow("0.6") << -0.6 << false;
    QTest::newRow("page") << -432.0 << false;
}

void TestCMEngine::jumpClearsFinished()
{
    QFETCH(double, back);
    QFETCH(bool, finished);
    make(1000);
    engine->play();
    clock.advance(100);
    engine->checkEnd(clock.t);
    QVERIFY(engine->finished());
    engine->jump(back);
    QCOMPARE(engine->finished(), finished);
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

void TestCMEngine::fasterSlowerClampAndSave()
{
    make(1000, 0, 9.5);
    engine->faster();
    QCOMPARE(engine->settings().speed, 10.0);
    engine->faster();
    QCOMPARE(engine->settings().speed, 10.0);
    make(1000, 0, 0.5);
    engine->slower();
    engine->slower();
    QCOMPARE(engine->settings().speed, 0.0);
    make(1000, 0, 25);
    engine->slower();
    QCOMPARE(engine->settings().speed, 24.5);
    // The write reaches the store a moment later, without anyone flushing it.
    const auto stored = [] {
        return CMSettings::fromJson(
            QSettings().value(QLatin1StringView(CMEngine::settingsKey)).toByteArray());
    };
    QVERIFY(engine->settingsSavePending());
    QTRY_VERIFY(stored() && stored()->speed == 24.5);
    QVERIFY(!engine->settingsSavePending());
}

void TestCMEngine::compoundActions()
{
    make(1000);
    QSignalSpy focus(engine.get(), &CMEngine::focusToPrompterRequested);

    engine->toggle();
    QVERIFY(engine->running());
    QCOMPARE(focus.count(), 1);
    clock.advance(100);
    engine->checkEnd(clock.t);
    QVERIFY(engine->finished());

    engine->goToEnd(); // does not move the focus and does not touch finished
    QCOMPARE(focus.count(), 1);
    QCOMPARE(now(), 1000.0);

    engine->backToTop();
    QCOMPARE(focus.count(), 2);
    QCOMPARE(now(), 0.0);
    QVERIFY(!engine->finished());
    QVERIFY(!engine->running());

    engine->setViewportHeight(1080);
    engine->jumpAhead();
    QCOMPARE(now(), 432.0);
    engine->jumpBack();
    engine->jumpBack();
    QCOMPARE(now(), 0.0);

    engine->play();
    engine->replaceScript(u"New"_s);
    QCOMPARE(engine->script(), u"New"_s);
    QVERIFY(!engine->running());
    QCOMPARE(now(), 0.0);
    QCOMPARE(focus.count(), 3);
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
    clock.advance(5);
    const double before = now();
    QSignalSpy moved(engine.get(), &CMEngine::positionChanged);
    CMSettings s = engine->settings();
    s.mirror = true;
    engine->setSettings(s);
    QCOMPARE(moved.count(), 0);
    QCOMPARE(now(), before);
}

void TestCMEngine::wallClockIsNotUsed()
{
    // The default source is the monotonic clock.
    make();
    engine->setTimeSource({});
    const CMInstant a = engine->now();
    const CMInstant b = CMClock::now();
    QVERIFY(b >= a);
    QVERIFY(CMClock::is_steady);
}

QTEST_GUILESS_MAIN(TestCMEngine)
#include "tst_cmengine.moc"
