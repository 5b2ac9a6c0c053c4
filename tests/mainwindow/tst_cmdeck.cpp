#include "deskfixture.h"

#include <engine/cmmath.h>
#include <kit/ovbuttons.h>
#include <kit/ovknob.h>
#include <kit/ovsegment.h>
#include <kit/ovswitch.h>
#include <mainwindow/cmdeck.h>
#include <mainwindow/cmoutputpicker.h>
#include <mainwindow/cmtargetfield.h>
#include <prompter/cmliveroot.h>
#include <prompter/cmlivewindow.h>
#include <prompter/cmprompterview.h>
#include <prompter/cmprompterwindow.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CMDeckArrangement)
Q_DECLARE_METATYPE(CMSettings)

// The control deck's bindings and actions, on an engine and live-window controller of its own.
class TestCMDeck : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CMEngine> engine;
    std::unique_ptr<CMPrompterWindow> live;
    std::unique_ptr<QWidget> window;
    CMDeck *deck = nullptr;
    QLineEdit *field = nullptr;
    CMInstant clock;

    double offset() const { return engine->offset(engine->now()); }

    static void click(QWidget *button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }

private Q_SLOTS:
    void init();
    void cleanup();
    void knobFormats_data();
    void knobFormats();
    void knobDragWritesOnlyItsField();
    void switchesAndCountdown();
    void pickers_data();
    void pickers();
    void orbs_data();
    void orbs();
    void arrangementFollowsTheWidth();
    void outputList();
    void targetField_data();
    void targetField();
};

void TestCMDeck::init()
{
    engine = handClockEngine(clock);
    live = std::make_unique<CMPrompterWindow>(*engine);
    window = std::make_unique<QWidget>();
    field = new QLineEdit;
    deck = new CMDeck(*engine, *live);
    QVERIFY(showStacked(*window, QSize(1400, 400), {field, deck, nullptr}));
}

void TestCMDeck::cleanup()
{
    live->close();
    window.reset();
    live.reset();
    engine.reset();
}

void TestCMDeck::knobFormats_data()
{
    QTest::addColumn<QString>("knob");
    QTest::addColumn<CMSettings>("settings");
    QTest::addColumn<QString>("shown");
    QTest::newRow("speed rounds") << u"Speed"_s << CMSettings{.speed = 2.96} << u"3.0"_s;
    QTest::newRow("size truncates") << u"Size"_s << CMSettings{.fontSize = 99.9} << u"99 pt"_s;
    QTest::newRow("margins") << u"Margins"_s << CMSettings{.margin = 12.7} << u"12%"_s;
    QTest::newRow("spacing") << u"Spacing"_s << CMSettings{.lineSpacing = 1.5} << u"1.50"_s;
    // 0.29 × 100 is 28.999… in binary arithmetic.
    QTest::newRow("cue line binary") << u"Cue line"_s << CMSettings{.cuePosition = 0.29}
                                     << u"29%"_s;
    // Stored values out of every range read as what the picture and the clock use.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("speed 1e308") << u"Speed"_s << CMSettings{.speed = 1e308} << u"10.0"_s;
    QTest::newRow("size NaN") << u"Size"_s << CMSettings{.fontSize = nan} << u"72 pt"_s;
    QTest::newRow("spacing -5") << u"Spacing"_s << CMSettings{.lineSpacing = -5} << u"1.00"_s;
    QTest::newRow("cue line 1e308") << u"Cue line"_s << CMSettings{.cuePosition = 1e308}
                                    << u"70%"_s;
}

void TestCMDeck::knobFormats()
{
    QFETCH(QString, knob);
    QFETCH(CMSettings, settings);
    engine->setSettings(settings);
    QTEST(deck->knob(knob)->readout(), "shown");
}

void TestCMDeck::knobDragWritesOnlyItsField()
{
    OVKnob *speed = deck->knob(u"Speed"_s);
    const CMSettings before = engine->settings();
    const QPoint centre = speed->dial().center().toPoint();
    QTest::mousePress(speed, Qt::LeftButton, {}, centre);
    QTest::mouseMove(speed, centre - QPoint(0, 36));
    QTest::mouseRelease(speed, Qt::LeftButton, {}, centre - QPoint(0, 36));
    CMSettings after = engine->settings();
    QVERIFY(after.speed > before.speed);
    QCOMPARE(speed->value(), after.speed);
    after.speed = before.speed;
    QCOMPARE(after, before);
}

void TestCMDeck::switchesAndCountdown()
{
    engine->setSettings({.cueLine = false});
    QVERIFY(!deck->toggle(u"Cue marker"_s)->isOn());
    QTest::mouseClick(deck->toggle(u"Mirror"_s), Qt::LeftButton);
    QVERIFY(engine->settings().mirror);
    QTest::mouseClick(deck->toggle(u"CAPS"_s), Qt::LeftButton);
    QVERIFY(engine->settings().uppercase);

    OVSegment *countdown = deck->countdown();
    QCOMPARE(countdown->selection().toLongLong(), 3);
    QTest::mouseClick(countdown, Qt::LeftButton, {}, QPoint(countdown->width() / 8, countdown->height() / 2));
    QCOMPARE(engine->settings().countdown, 0);
    QCOMPARE(countdown->selection().toLongLong(), 0);
    // Without a countdown the start begins scrolling at once.
    click(deck->startStopOrb());
    QVERIFY(engine->running());
    QVERIFY(!engine->countdownEnds());
}

void TestCMDeck::pickers_data()
{
    QTest::addColumn<QString>("fontName");
    QTest::addColumn<qint64>("colors");
    QTest::addColumn<int>("fontIndex");
    QTest::addColumn<int>("colorsIndex");
    const auto fonts = CMMath::fonts();
    const int last = int(CMMath::palettes().size()) - 1;
    QTest::newRow("last") << fonts.back().name << qint64(last) << int(fonts.size()) - 1 << last;
    // Colours out of range show the scheme the picture uses: never an empty picker.
    QTest::newRow("unknown") << u"Papyrus"_s << qint64(last + 1) << -1 << last;
    QTest::newRow("negative colours") << fonts.front().name << qint64(-1) << 0 << 0;
}

void TestCMDeck::pickers()
{
    QFETCH(QString, fontName);
    QFETCH(qint64, colors);
    engine->setSettings({.fontName = fontName, .colors = colors});
    QTEST(deck->fontPicker()->currentIndex(), "fontIndex");
    QTEST(deck->colorsPicker()->currentIndex(), "colorsIndex");

    // Choosing an entry writes its value; the stored name stays until then.
    QCOMPARE(engine->settings().fontName, fontName);
    Q_EMIT deck->fontPicker()->activated(1);
    QCOMPARE(engine->settings().fontName, CMMath::fonts()[1].name);
    Q_EMIT deck->colorsPicker()->activated(2);
    QCOMPARE(engine->settings().colors, qint64(2));
}

void TestCMDeck::orbs_data()
{
    QTest::addColumn<QString>("orb");
    QTest::addColumn<double>("from");
    QTest::addColumn<bool>("running");
    QTest::addColumn<double>("offset");
    QTest::addColumn<bool>("runsAfter");
    QTest::addColumn<bool>("keysToPrompter");

    QTest::newRow("back to top while running") << u"top"_s << 0.0 << true << 0.0 << false << true;
    QTest::newRow("jump back at 100") << u"back"_s << 100.0 << false << 0.0 << false << false;
    QTest::newRow("jump ahead near the end") << u"ahead"_s << 4800.0 << false << 5000.0 << false
                                             << false;
    // At the end a start begins again from the top, with its countdown.
    QTest::newRow("start at the end") << u"start"_s << 5000.0 << false << 0.0 << true << true;
}

void TestCMDeck::orbs()
{
    QFETCH(QString, orb);
    QFETCH(double, from);
    QFETCH(bool, running);
    QFETCH(bool, runsAfter);
    const std::map<QString, OVOrbButton *> orbs = {{u"top"_s, deck->backToTopOrb()},
                                                   {u"back"_s, deck->jumpBackOrb()},
                                                   {u"start"_s, deck->startStopOrb()},
                                                   {u"ahead"_s, deck->jumpAheadOrb()}};
    engine->setViewportHeight(1080);
    engine->jump(from);
    if (running) {
        engine->play();
        clock += std::chrono::seconds(10);
    }
    field->setFocus();
    click(orbs.at(orb));
    QTEST(offset(), "offset");
    QCOMPARE(engine->running(), runsAfter);
    QVERIFY(!engine->finished());
    QTEST(!CMFocus::editing(), "keysToPrompter");
    QCOMPARE(engine->countdownEnds() ? secondsBetween(clock, *engine->countdownEnds()) : 0.0,
             runsAfter ? 3.0 : 0.0);
    QCOMPARE(deck->startStopOrb()->symbol(), runsAfter ? u"pause.fill"_s : u"play.fill"_s);
    QCOMPARE(deck->startStopOrb()->lit(), runsAfter);
}

void TestCMDeck::arrangementFollowsTheWidth()
{
    const CMDeckPlan plan = static_cast<CMDeckLayout *>(deck->layout())->plan();
    const int padding = 2 * deck->contentsMargins().left();
    const int wide = plan.natural(CMDeckArrangement::Wide).width() + padding;
    const int medium = plan.natural(CMDeckArrangement::Medium).width() + padding;
    QVERIFY(medium < wide);

    const struct
    {
        int width;
        CMDeckArrangement expected;
    } steps[] = {{wide, CMDeckArrangement::Wide},
                 {wide - 1, CMDeckArrangement::Medium},
                 {medium, CMDeckArrangement::Medium},
                 {medium - 1, CMDeckArrangement::Narrow},
                 {wide, CMDeckArrangement::Wide}};
    int previousHeight = 0;
    for (const auto &step : steps) {
        window->resize(step.width, 900);
        QApplication::processEvents();
        QCOMPARE(deck->width(), step.width);
        QCOMPARE(deck->arrangement(), step.expected);
        // Taller as it narrows; the groups never overlap.
        QVERIFY(deck->height() >= previousHeight || step.expected == CMDeckArrangement::Wide);
        previousHeight = deck->height();
        const QRect transport = deck->countdown()->parentWidget()->geometry();
        const QRect knobs = deck->knob(u"Speed"_s)->parentWidget()->geometry();
        const QRect look = deck->goLiveButton()->parentWidget()->parentWidget()->geometry();
        QVERIFY(!transport.intersects(knobs) && !knobs.intersects(look)
                && !transport.intersects(look));
        QVERIFY(deck->rect().contains(look));
    }
}

// The outputs: what the closed list reads, each display's check box and options, written by
// the display's name, and Ctrl+L going live with them.
void TestCMDeck::outputList()
{
    const CMPrompterWindow::Display left{0, u"LEFT (main) — 1920×1080"_s, u"LEFT"_s};
    const CMPrompterWindow::Display right{1, u"RIGHT — 1280×1024"_s, u"RIGHT"_s};
    QCOMPARE(CMOutputPicker::summary({left, right}, {u"RIGHT"_s}), right.label);
    QCOMPARE(CMOutputPicker::summary({left, right}, {u"LEFT"_s, u"RIGHT"_s}), u"LEFT + RIGHT"_s);

    const QList<CMPrompterWindow::Display> displays = CMPrompterWindow::screens();
    QCOMPARE(displays.size(), 1);
    const QString name = displays.first().name;
    CMOutputPicker *picker = deck->outputPicker();
    // With one display and nothing set, the picker reads as the display picker did.
    QCOMPARE(picker->currentText(), displays.first().label);
    QCOMPARE(picker->checked(), QStringList{name});

    picker->showPopup();
    QFrame *panel = picker->panel();
    QVERIFY(panel && panel->isVisible());
    const auto box = [panel, &name](const QString &what) {
        return panel->findChild<QCheckBox *>(what + u':' + name);
    };
    const auto list = [panel, &name](const QString &what) {
        return panel->findChild<QComboBox *>(what + u':' + name);
    };
    QCheckBox *liveBox = box(u"live"_s), *bar = box(u"hintBar"_s), *time = box(u"time"_s);
    QComboBox *picture = list(u"picture"_s), *corner = list(u"corner"_s);
    QVERIFY(liveBox && picture && bar && time && corner);
    QVERIFY(liveBox->isChecked() && bar->isChecked() && !time->isChecked());
    QCOMPARE(picture->currentText(), u"Like the deck"_s);
    QVERIFY(!corner->isEnabled());

    // The only display stays checked: Go Live needs somewhere to go.
    liveBox->click();
    QVERIFY(liveBox->isChecked());
    Q_EMIT picture->activated(picture->findText(u"Mirror and flip"_s));
    bar->click();
    time->click();
    QVERIFY(corner->isEnabled());
    Q_EMIT corner->activated(corner->findText(u"Bottom left"_s));
    CMOutputOptions expected;
    expected.picture = CMPicture::MirrorFlip;
    expected.hintBar = false;
    expected.showTime = true;
    expected.timeCorner = CMCorner::BottomLeft;
    QCOMPARE(live->outputs().options(name), expected);
    QCOMPARE(CMOutputs().options(name), expected);
    QTest::keyClick(panel, Qt::Key_Escape);
    QVERIFY(!panel->isVisible());

    window->activateWindow();
    QTest::keyClick(window.get(), Qt::Key_L, Qt::ControlModifier);
    QVERIFY(engine->live());
    CMLiveWindow *output = live->windowFor(name);
    QVERIFY(output);
    const CMCanvasGeometry &g = output->root()->prompterView()->canvasGeometry();
    QVERIFY(g.mirror && g.flip && !engine->settings().mirror);
    QVERIFY(!output->root()->hintBarEnabled());
    QCOMPARE(output->root()->prompterView()->timeCorner(), CMCorner::BottomLeft);
    window->activateWindow();
    QTest::keyClick(window.get(), Qt::Key_L, Qt::ControlModifier);
    QVERIFY(!engine->live());
}

void TestCMDeck::targetField_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("target");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("keysToPrompter");
    // The target is 1:30 before each row.
    QTest::newRow("minutes and seconds") << u"3:30"_s << 210.0 << u"3:30"_s << true;
    QTest::newRow("whole minutes read back") << u"5"_s << 300.0 << u"5:00"_s << true;
    QTest::newRow("empty: no target") << QString() << 0.0 << QString() << true;
    QTest::newRow("no duration: refused") << u"3:75"_s << 90.0 << u"1:30"_s << false;
}

void TestCMDeck::targetField()
{
    QFETCH(QString, typed);
    CMTargetField *field = deck->targetField();
    engine->setTargetDuration(90);
    QCOMPARE(field->text(), u"1:30"_s);
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, typed);
    if (typed.isEmpty())
        QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Return);
    QTEST(engine->targetDuration(), "target");
    QTEST(field->text(), "shown");
    QTEST(!CMFocus::editing(), "keysToPrompter");
}

QTEST_MAIN(TestCMDeck)
#include "tst_cmdeck.moc"
