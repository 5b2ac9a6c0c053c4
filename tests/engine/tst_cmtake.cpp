#include <testsupport.h>

#include <engine/cmengine.h>
#include <store/cmsettingsfile.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// Cue navigation, cue announcements and the time of the take, on a clock moved by hand.
class TestCMTake : public QObject
{
    Q_OBJECT

private:
    CMInstant t = CMInstant{} + std::chrono::hours(1000);
    std::unique_ptr<CMEngine> engine;
    static constexpr double speed3 = 114.48; // points per second at speed 3, size 72

    void make(const QList<double> &cueOffsets, qint64 countdown = 0, double contentHeight = 2000)
    {
        cmtest::clearSettings();
        engine = std::make_unique<CMEngine>();
        engine->setTimeSource([this] { return t; });
        engine->setSettings({.speed = 3, .countdown = countdown});
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
        else if (action == u"faster"_s)
            engine->faster();
        else if (action.startsWith(u"jump "_s))
            engine->jump(action.mid(5).toDouble());
        else if (action.startsWith(u"wait "_s))
            advance(action.mid(5).toDouble());
        else
            QFAIL(qPrintable(u"unknown step "_s + action));
    }

private Q_SLOTS:
    void navigation_data();
    void navigation();
    void announcements_data();
    void announcements();
    void announcedOnTimeByTheClock();
    void time_data();
    void time();
    void targetDuration();
};

void TestCMTake::navigation_data()
{
    QTest::addColumn<QList<double>>("cues");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<double>("offset");
    QTest::addColumn<bool>("running");
    const QList<double> three{100, 500, 900};
    const auto row = [](const char *name, const QList<double> &cues, const QString &steps,
                        double offset, bool running = false) {
        QTest::newRow(name) << cues << steps.split(u", "_s) << offset << running;
    };
    row("next from the top", three, u"]"_s, 100);
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
}

void TestCMTake::navigation()
{
    QFETCH(QList<double>, cues);
    QFETCH(QStringList, steps);
    QFETCH(double, offset);
    QFETCH(bool, running);
    make(cues, 5);
    for (const QString &step : steps)
        act(step);
    QVERIFY2(qAbs(now() - offset) < 1e-6, qPrintable(QString::number(now())));
    QCOMPARE(engine->running(), running);
    QCOMPARE(engine->countdownEnds().has_value(), false);
}

void TestCMTake::announcements_data()
{
    QTest::addColumn<qint64>("countdown");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<int>>("announced"); // after each step: every cue announced so far
    const auto row = [](const char *name, qint64 countdown, const QString &steps,
                        const QList<int> &announced) {
        QTest::newRow(name) << countdown << steps.split(u", "_s) << announced;
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

void TestCMTake::announcements()
{
    QFETCH(qint64, countdown);
    QFETCH(QStringList, steps);
    QFETCH(QList<int>, announced);
    make({0, 300, 1000}, countdown);
    QList<int> got;
    connect(engine.get(), &CMEngine::cueReached, this, [&](int i) { got.append(i); });
    for (const QString &step : steps) {
        act(step);
        engine->checkCues(t);
    }
    QCOMPARE(got, announced);
}

// The engine's own timer announces a cue when it arrives, not at the next poll.
void TestCMTake::announcedOnTimeByTheClock()
{
    make({});
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

void TestCMTake::time_data()
{
    QTest::addColumn<qint64>("countdown");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<double>("remaining"); // -1: none
    const auto row = [](const char *name, qint64 countdown, const QString &steps, double elapsed,
                        double remaining) {
        QTest::newRow(name) << countdown << steps.split(u", "_s) << elapsed << remaining;
    };
    const double all = 20000 / speed3;
    row("not started", 0, u"wait 5"_s, 0, all);
    row("running", 0, u"play, wait 10"_s, 10, all - 10);
    row("the countdown is not the take", 5, u"play, wait 7"_s, 2, all - 2);
    row("pauses excluded", 0, u"play, wait 4, pause, wait 30, play, wait 1"_s, 5, all - 5);
    row("jumps keep the clock", 0, u"play, wait 4, jump 1000, wait 1"_s, 5,
        (20000 - 1000 - 5 * speed3) / speed3);
    row("speed change keeps it", 0, u"play, wait 4, faster, wait 1"_s, 5,
        (20000 - 4 * speed3 - CMEngine::rate({.speed = 3.5})) / CMEngine::rate({.speed = 3.5}));
    row("back to the top starts a new take", 0, u"play, wait 4, top, wait 2"_s, 0, all);
    row("a start from the middle goes on", 0,
        u"play, wait 4, pause, jump 5000, play, wait 1"_s, 5,
        (20000 - 4 * speed3 - 5000 - speed3) / speed3);
    row("the take ends with the text", 0, u"play, wait 500"_s, all, 0);
}

void TestCMTake::time()
{
    QFETCH(qint64, countdown);
    QFETCH(QStringList, steps);
    QFETCH(double, elapsed);
    QFETCH(double, remaining);
    make({}, countdown, 20000);
    for (const QString &step : steps)
        act(step);
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

void TestCMTake::targetDuration()
{
    make({}, 0, 20000);
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

QTEST_GUILESS_MAIN(TestCMTake)
#include "tst_cmtake.moc"
