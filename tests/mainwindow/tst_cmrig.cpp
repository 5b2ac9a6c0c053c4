#include "deskfixture.h"

#include <kit/ovlettering.h>
#include <kit/ovtheme.h>
#include <mainwindow/cmlayout.h>
#include <mainwindow/cmprogressbar.h>
#include <mainwindow/cmrig.h>
#include <mainwindow/cmriggeometry.h>
#include <mainwindow/cmrigstage.h>
#include <prompter/cmprompterview.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

using namespace Qt::StringLiterals;

using Xs = QList<qreal>;

// The rig preview: its geometry, the progress bar's drag, the title row and the stage's click.
class TestCMRig : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CMEngine> engine;
    CMInstant clock;

    // A press, then moves to each x, then the release, on a bar of its own.
    void drag(CMProgressBar &bar, const QList<qreal> &xs)
    {
        const auto send = [&bar](QEvent::Type type, qreal x, Qt::MouseButtons buttons) {
            const QPointF at(x, bar.height() / 2.0);
            QMouseEvent e(type, at, bar.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
            QApplication::sendEvent(&bar, &e);
        };
        send(QEvent::MouseButtonPress, xs.first(), Qt::LeftButton);
        for (qreal x : xs.mid(1))
            send(QEvent::MouseMove, x, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, xs.last(), Qt::NoButton);
    }

    double offset() const { return engine->offset(engine->now()); }

private Q_SLOTS:
    void init();
    void stagePlacesThePicture_data();
    void stagePlacesThePicture();
    void progressDrags_data();
    void progressDrags();
    void barAnimatesOnlyWhileRunning();
    void titleRowFollowsTheEngine();
    void clickOnTheStageGivesThePrompterTheKeys();
};

void TestCMRig::init()
{
    engine = handClockEngine(clock);
    engine->setSettings({.countdown = 0});
}

void TestCMRig::stagePlacesThePicture_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<QSizeF>("screen");
    QTest::newRow("width limits") << 500 << QSizeF(800, 450);
    QTest::newRow("height limits") << 400 << QSizeF(364.0 * 16 / 9, 364);
    QTest::newRow("no room") << 30 << QSizeF(0, 0);
}

void TestCMRig::stagePlacesThePicture()
{
    QFETCH(int, height);
    CMRigStage stage(*engine, 12);
    stage.resize(800 + 24, height);
    stage.show();
    const CMRigGeometry g = stage.rigGeometry();
    QTEST(g.screen.size(), "screen");
    // Hood, screen and bar form one column, centred on the stage.
    QCOMPARE(g.hood.bottom(), g.screen.top());
    QCOMPARE(g.bar.top(), g.screen.bottom());
    QCOMPARE(g.hood.top(), height - g.bar.bottom());
    QVERIFY(g.hood.width() >= g.screen.width() && g.hood.width() <= 812);
    QVERIFY(g.screen.isEmpty() || g.screen.contains(QRectF(stage.picture()->geometry())));
    QCOMPARE(stage.progressBar()->geometry(), g.bar.toAlignedRect());
}

void TestCMRig::progressDrags_data()
{
    QTest::addColumn<double>("contentHeight");
    QTest::addColumn<bool>("cues");
    QTest::addColumn<bool>("running");
    QTest::addColumn<Xs>("xs");
    QTest::addColumn<double>("offset");
    const auto row = [](const char *name, double contentHeight, bool cues, bool running,
                        const Xs &xs, double offset) {
        QTest::newRow(name) << contentHeight << cues << running << xs << offset;
    };
    // The bar is 400 wide.
    row("left end to past the right end", 5000, false, false, {0, 100, 900}, 5000);
    row("past the left end", 5000, false, false, {200, -30}, 0);
    row("a click", 5000, false, false, {100}, 1250);
    row("while running", 5000, false, true, {300}, 3750);
    row("empty script", 0, false, false, {0, 250, 400}, 0);
    // Cues at 0, 1000, 2500 and 4990 of 5000 points: ticks at 0, 80, 200 and 399.2.
    row("a tick", 5000, true, false, {81}, 1000);
    row("near a tick", 5000, true, false, {203.5}, 2500);
    row("the last tick", 5000, true, false, {397}, 4990);
    row("between ticks: a plain seek", 5000, true, false, {140}, 1750);
    row("a tremor after the press stays on the cue", 5000, true, false, {80, 82}, 1000);
    row("a drag from a tick moves on", 5000, true, false, {80, 120}, 1500);
    row("a tick while running", 5000, true, true, {200}, 2500);
}

void TestCMRig::progressDrags()
{
    QFETCH(double, contentHeight);
    QFETCH(bool, cues);
    QFETCH(bool, running);
    QFETCH(Xs, xs);
    QFETCH(double, offset);
    engine->setContentHeight(contentHeight);
    CMProgressBar bar(*engine);
    bar.resize(400, 14);
    if (cues) {
        QList<CMCue> list;
        for (const double at : {0.0, 1000.0, 2500.0, 4990.0})
            list.append({int(list.size()), u"[cue]"_s, at});
        engine->setCues(list);
    }
    if (running) {
        engine->play();
        clock += std::chrono::seconds(2);
    }
    drag(bar, xs);
    QCOMPARE(this->offset(), offset);
    QCOMPARE(bar.shownFraction(), contentHeight > 0 ? offset / contentHeight : 0.0);
    // A drag moves the script and never starts or stops it.
    QCOMPARE(engine->running(), running);
    clock += std::chrono::seconds(1);
    QCOMPARE(this->offset() > offset, running);
}

void TestCMRig::barAnimatesOnlyWhileRunning()
{
    CMProgressBar bar(*engine);
    QVERIFY(!bar.animating());
    engine->play();
    QVERIFY(bar.animating());
    engine->pause();
    QVERIFY(!bar.animating());
    // Neither a negative content height nor a bar without width divides by zero.
    QCOMPARE(CMProgressBar::fraction(10, -5), 0.0);
    QCOMPARE(CMProgressBar::target(50, 0, 100), 0.0);
}

void TestCMRig::clickOnTheStageGivesThePrompterTheKeys()
{
    QWidget window;
    auto *field = new QLineEdit;
    auto *rig = new CMRig(*engine);
    QVERIFY(showStacked(window, QSize(900, 700), {field, rig}));

    CMRigStage *stage = rig->stage();
    for (QWidget *target : {static_cast<QWidget *>(stage->picture()), static_cast<QWidget *>(stage)}) {
        field->setFocus();
        QVERIFY(CMFocus::editing());
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(!CMFocus::editing());
    }

    // The bar still drags while the same click takes the keys.
    field->setFocus();
    CMProgressBar *bar = stage->progressBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() / 2));
    QVERIFY(!CMFocus::editing());
    // The prompter view has measured the script by now.
    const double height = engine->contentHeight();
    QVERIFY(height > 0);
    QVERIFY(qAbs(offset() - height / 2) <= height / bar->width() + 1e-6);
}

// The title row: caption and lamp follow live, the state word and its colour the run, and the
// times the take, with over or under once there is a target.
void TestCMRig::titleRowFollowsTheEngine()
{
    CMRig rig(*engine);
    rig.resize(900, 600);
    rig.show();
    const OVTheme &theme = OVUI::shared()->theme();
    const auto word = [&rig] { return rig.stateWord()->text(); };
    const auto color = [](QLabel *label) { return label->palette().color(QPalette::WindowText); };
    const auto times = [&rig] { return rig.times()->text(); };

    QCOMPARE(rig.caption()->text(), u"Rig preview"_s);
    QVERIFY(!rig.lamp()->isVisible());
    QCOMPARE(word(), u"STOPPED"_s);
    QCOMPARE(color(rig.stateWord()), theme.dim);
    // Once the rig's picture has told the engine its height, 5000 points at speed 3: 43.7 s.
    QVERIFY(QTest::qWaitForWindowExposed(&rig));
    QTRY_VERIFY(engine->contentHeight() != 5000);
    engine->setContentHeight(5000);
    QCOMPARE(times(), u"ELAPSED 0:00 · LEFT 0:44"_s);

    engine->play();
    QCOMPARE(word(), u"RUNNING"_s);
    QCOMPARE(color(rig.stateWord()), CMColors::green());
    clock += std::chrono::seconds(10);
    QTRY_COMPARE(times(), u"ELAPSED 0:10 · LEFT 0:34"_s);
    engine->setTargetDuration(30);
    QCOMPARE(times(), u"ELAPSED 0:10 · LEFT 0:34 · OVER 0:14"_s);
    QCOMPARE(color(rig.times()), CMColors::orange());
    engine->setTargetDuration(60);
    QCOMPARE(times(), u"ELAPSED 0:10 · LEFT 0:34 · UNDER 0:16"_s);
    QCOMPARE(color(rig.times()), theme.dim);

    engine->setLive(true);
    QCOMPARE(rig.caption()->text(), u"On air — live on the prompter display"_s);
    QVERIFY(rig.lamp()->isVisible());

    clock += std::chrono::hours(1);
    engine->checkEnd(engine->now());
    QCOMPARE(word(), u"FINISHED"_s);
    QCOMPARE(color(rig.stateWord()), theme.accent2);

    engine->backToTop();
    QCOMPARE(word(), u"STOPPED"_s);
    engine->setLive(false);
    QVERIFY(!rig.lamp()->isVisible());

    // A theme change recolours the word.
    OVUI::shared()->setThemeId(u"anodized-red"_s);
    QCOMPARE(color(rig.stateWord()), OVTheme::named(u"anodized-red"_s).dim);
}

QTEST_MAIN(TestCMRig)
#include "tst_cmrig.moc"
