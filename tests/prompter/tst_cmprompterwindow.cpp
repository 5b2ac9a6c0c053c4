#include "imagetools.h"

#include <testsupport.h>
#include <engine/cmengine.h>
#include <engine/cmfocus.h>
#include <prompter/cmliveroot.h>
#include <prompter/cmlivewindow.h>
#include <prompter/cmprompterview.h>
#include <prompter/cmprompterwindow.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace {

// The two monitors scripts/xorg-two-screens.sh makes.
const QRect leftFrame(0, 0, 1920, 1080);
const QRect rightFrame(1920, 0, 1280, 1024);

// Plugs or unplugs the right monitor and waits until the application sees it.
bool plugRight(bool plugged)
{
    const QStringList arguments = plugged ? QStringList{u"--setmonitor"_s, u"RIGHT"_s,
                                                        u"1280/338x1024/270+1920+0"_s, u"none"_s}
                                          : QStringList{u"--delmonitor"_s, u"RIGHT"_s};
    return QProcess::execute(u"xrandr"_s, arguments) == 0 && QTest::qWaitFor([plugged] {
               return QGuiApplication::screens().size() == (plugged ? 2 : 1);
           });
}

// Full screen on the display with that frame, the content filling it.
bool fillsDisplay(CMLiveWindow *window, const QRect &frame)
{
    return window->isFullScreen() && window->geometry() == frame
        && window->windowHandle()->screen()->geometry() == frame
        && window->root()->geometry() == QRect(QPoint(0, 0), frame.size());
}

QList<CMLiveWindow *> visibleLiveWindows()
{
    QList<CMLiveWindow *> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *live = qobject_cast<CMLiveWindow *>(w); live && live->isVisible())
            found.append(live);
    }
    return found;
}

} // namespace

// Going live on a real two-monitor X desktop (no window manager).
class TestCMPrompterWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CMEngine> engine;
    std::unique_ptr<CMPrompterWindow> live;

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void screensAndLabels();
    void showOn_data();
    void showOn();
    void secondShowLeavesOneWindow();
    void closeWhenNotLiveOnlyClearsLive();
    void liveWindowKeys();
    void pointerShowsAgainWhenItMoves();
    void unplugging_data();
    void unplugging();
    void twoOutputs();
    void outputsDrawTheSameFrame();
    void unpluggingOneOutputKeepsTheOther();

private:
    // Live on both displays: RIGHT mirrored without its hint bar, LEFT as the deck.
    void goLiveOnBoth();
};

void TestCMPrompterWindow::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
    QCOMPARE(QGuiApplication::screens().size(), 2);
}

void TestCMPrompterWindow::init()
{
    cmtest::clearSettings();
    engine = std::make_unique<CMEngine>();
    engine->setContentHeight(100000);
    live = std::make_unique<CMPrompterWindow>(*engine);
}

void TestCMPrompterWindow::cleanup()
{
    live.reset();
    engine.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (QGuiApplication::screens().size() < 2)
        QVERIFY(plugRight(true));
}

void TestCMPrompterWindow::screensAndLabels()
{
    QStringList labels;
    for (const CMPrompterWindow::Display &display : CMPrompterWindow::screens()) {
        QCOMPARE(display.index, labels.size());
        labels << display.label;
    }
    QCOMPARE(labels, QStringList({u"LEFT (main) — 1920×1080"_s, u"RIGHT — 1280×1024"_s}));
}

void TestCMPrompterWindow::showOn_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<double>("viewportHeight");
    QTest::newRow("second display") << 1 << rightFrame << 1536.0;
    QTest::newRow("5 clamps to the last") << 5 << rightFrame << 1536.0;
    QTest::newRow("main display") << 0 << leftFrame << 1080.0;
    QTest::newRow("-1 clamps to the first") << -1 << leftFrame << 1080.0;
}

void TestCMPrompterWindow::showOn()
{
    QFETCH(int, index);
    QFETCH(QRect, frame);
    QFETCH(double, viewportHeight);

    QPlainTextEdit editor;
    editor.show();
    editor.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    editor.setFocus();
    QVERIFY(CMFocus::editing());
    engine->setViewportHeight(500);

    live->show(index);
    CMLiveWindow *window = live->window();
    QVERIFY(window);
    QVERIFY(engine->live());
    QCOMPARE(engine->viewportHeight(), viewportHeight);
    QVERIFY(!CMFocus::editing());
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(fillsDisplay(window, frame));
    QTRY_VERIFY(window->isActiveWindow());
    // Only on the operator's own display is the pointer in the way.
    QCOMPARE(window->pointerHidden(), frame == leftFrame);
    QCOMPARE(window->cursor().shape(), frame == leftFrame ? Qt::BlankCursor : Qt::ArrowCursor);
}

void TestCMPrompterWindow::secondShowLeavesOneWindow()
{
    QSignalSpy liveChanged(engine.get(), &CMEngine::liveChanged);
    live->show(0);
    QPointer<CMLiveWindow> first = live->window();
    live->show(1);
    QVERIFY(live->window() != first);
    QCOMPARE(visibleLiveWindows(), QList<CMLiveWindow *>{live->window()});
    QCOMPARE(live->window()->geometry(), rightFrame);
    QVERIFY(engine->live());
    QCOMPARE(liveChanged.last().first().toBool(), true);
    // The old window is released, not kept hidden.
    QTRY_VERIFY(first.isNull());
}

void TestCMPrompterWindow::closeWhenNotLiveOnlyClearsLive()
{
    engine->setLive(true);
    engine->setViewportHeight(700);
    live->close();
    QVERIFY(!engine->live());
    QCOMPARE(engine->viewportHeight(), 700.0);
    QVERIFY(visibleLiveWindows().isEmpty());
}

void TestCMPrompterWindow::liveWindowKeys()
{
    QWidget main;
    main.show();
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    live->show(1);
    CMLiveWindow *window = live->window();
    QVERIFY(QTest::qWaitForWindowActive(window));

    QTest::keyClick(window, Qt::Key_Space);
    QVERIFY(engine->running());

    // Keys the map refuses go on to normal handling, unaccepted.
    for (const auto &[key, modifiers, text] :
         {std::tuple(Qt::Key_X, Qt::NoModifier, u"x"_s),
          std::tuple(Qt::Key_M, Qt::ControlModifier, u"\r"_s)}) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(window, &event);
        QVERIFY(!event.isAccepted());
    }
    QVERIFY(!engine->settings().mirror);

    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(!engine->live());
    QVERIFY(engine->running());
    QVERIFY(visibleLiveWindows().isEmpty());
    // The keyboard goes back to the window it came from.
    QTRY_VERIFY(main.isActiveWindow());

    live->show(0);
    QTest::mouseClick(live->window()->findChild<QPushButton *>(), Qt::LeftButton);
    QVERIFY(!engine->live());
    QVERIFY(!live->window());
}

void TestCMPrompterWindow::pointerShowsAgainWhenItMoves()
{
    QCursor::setPos(leftFrame.center());
    QTRY_COMPARE(QCursor::pos(), leftFrame.center());
    engine->play();
    live->show(0);
    CMLiveWindow *window = live->window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::qWait(100);
    // Appearing under a still pointer is not hovering.
    QVERIFY(window->pointerHidden());
    QVERIFY(!window->root()->hover());

    QCursor::setPos(leftFrame.center() + QPoint(40, 30));
    QTRY_VERIFY(!window->pointerHidden());
    QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
    QTRY_VERIFY(window->root()->hover());
    QTRY_COMPARE(window->root()->barOpacity(), 1.0);
}

void TestCMPrompterWindow::unplugging_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("live display unplugged: to the main one and back") << 1;
    QTest::newRow("another display unplugged: nothing changes") << 0;
}

void TestCMPrompterWindow::unplugging()
{
    QFETCH(int, index);
    const QRect frame = index ? rightFrame : leftFrame;
    engine->play();
    live->show(index);
    QPointer<CMLiveWindow> first = live->window();
    QSignalSpy liveChanged(engine.get(), &CMEngine::liveChanged);

    QVERIFY(plugRight(false));
    QTRY_VERIFY(live->window() && live->window()->geometry() == leftFrame);
    QVERIFY(live->window()->isVisible());
    QCOMPARE(visibleLiveWindows().size(), 1);
    QCOMPARE(engine->viewportHeight(), 1080.0);
    QVERIFY(engine->running());

    QVERIFY(plugRight(true));
    QTRY_VERIFY(live->window() && live->window()->geometry() == frame);
    QCOMPARE(live->screen()->geometry(), frame);
    QCOMPARE(visibleLiveWindows().size(), 1);
    QCOMPARE(engine->viewportHeight(), index ? 1536.0 : 1080.0);
    QVERIFY(engine->live());
    QCOMPARE(liveChanged.count(), 0);
    if (index == 0)
        QCOMPARE(live->window(), first.data());

    // After live mode ended, a returning display brings nothing back.
    live->close();
    QVERIFY(plugRight(false));
    QVERIFY(plugRight(true));
    QVERIFY(!live->window());
    QVERIFY(!engine->live());
}

void TestCMPrompterWindow::goLiveOnBoth()
{
    CMOutputOptions glass;
    glass.picture = CMPicture::Mirror;
    glass.hintBar = false;
    live->outputs().setOptions(u"RIGHT"_s, glass);
    QVERIFY(live->outputs().setChecked({u"LEFT"_s, u"RIGHT"_s}, u"LEFT"_s, true));
    live->showChecked();
    QCOMPARE(live->windows().size(), 2);
    for (CMLiveWindow *window : live->windows())
        QVERIFY(QTest::qWaitForWindowExposed(window));
}

// Both full screen, each with its own options, changed while live, until Esc on either.
void TestCMPrompterWindow::twoOutputs()
{
    goLiveOnBoth();
    CMLiveWindow *left = live->windowFor(u"LEFT"_s);
    CMLiveWindow *right = live->windowFor(u"RIGHT"_s);
    QCOMPARE(live->windows(), (QList<CMLiveWindow *>{left, right}));
    QCOMPARE(visibleLiveWindows().size(), 2);
    QVERIFY(fillsDisplay(left, leftFrame) && fillsDisplay(right, rightFrame));
    QTRY_VERIFY(left->isActiveWindow());
    QVERIFY(engine->live());
    // The first output alone gives the viewport height, whatever the others report.
    QTest::qWait(50);
    QCOMPARE(engine->viewportHeight(), 1080.0);

    // Each output with its own options, changed while live.
    QVERIFY(right->root()->prompterView()->canvasGeometry().mirror);
    QVERIFY(!left->root()->prompterView()->canvasGeometry().mirror);
    QCOMPARE(right->root()->barOpacity(), 0.0);
    QCOMPARE(left->root()->barOpacity(), 1.0);
    CMOutputOptions confidence = live->outputs().options(u"LEFT"_s);
    confidence.showTime = true;
    confidence.timeCorner = CMCorner::BottomRight;
    live->outputs().setOptions(u"LEFT"_s, confidence);
    QCOMPARE(left->root()->prompterView()->timeCorner(), CMCorner::BottomRight);
    QCOMPARE(right->root()->prompterView()->timeCorner(), std::nullopt);
    // The deck's mirror reaches the output that follows the deck, not the one of its own.
    CMSettings s = engine->settings();
    s.mirror = true;
    engine->setSettings(s);
    QVERIFY(left->root()->prompterView()->canvasGeometry().mirror);
    s.mirror = false;
    engine->setSettings(s);
    QVERIFY(right->root()->prompterView()->canvasGeometry().mirror);

    // Esc on any output ends them all.
    right->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(right));
    QTest::keyClick(right, Qt::Key_Escape);
    QVERIFY(!engine->live());
    QVERIFY(live->windows().isEmpty());
    QVERIFY(visibleLiveWindows().isEmpty());
}

// Every output draws offset(at) of the same frame time, so the pictures agree exactly, up to
// each output's own mirror and flip.
void TestCMPrompterWindow::outputsDrawTheSameFrame()
{
    engine->setScript(QStringList(300, u"The quick brown fox jumps over the lazy dog."_s)
                          .join(u'\n'));
    engine->setSettings({.countdown = 0});
    goLiveOnBoth();
    CMPrompterView *left = live->windowFor(u"LEFT"_s)->root()->prompterView();
    CMPrompterView *right = live->windowFor(u"RIGHT"_s)->root()->prompterView();

    // On the real clock: frame after frame, the same instant on both.
    engine->play();
    const CMInstant started = engine->now();
    QTRY_VERIFY(left->lastFrameTime() > started && left->lastFrameTime() == right->lastFrameTime());

    // On a clock that stands still between frames, the pictures themselves.
    CMInstant clock = CMClock::now();
    engine->setTimeSource([&clock] { return clock; });
    engine->pause();
    engine->play();
    clock = addSeconds(clock, 2.5);
    QTRY_VERIFY(left->lastFrameTime() == clock && right->lastFrameTime() == clock);
    const auto reference = [this](QSize size) {
        CMPrompterView view(*engine, false);
        view.setDefinesViewport(false);
        view.resize(size);
        return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    const QImage leftShot = left->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage rightShot = right->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(imagetools::differing(leftShot, reference(leftFrame.size()), 0), 0);
    QCOMPARE_LE(imagetools::differing(rightShot.mirrored(true, false),
                                      reference(rightFrame.size()), 24),
                40);
    engine->pause();
    engine->setTimeSource({});
}

void TestCMPrompterWindow::unpluggingOneOutputKeepsTheOther()
{
    engine->play();
    goLiveOnBoth();
    QPointer<CMLiveWindow> left = live->windowFor(u"LEFT"_s);
    CMLiveWindow *right = live->windowFor(u"RIGHT"_s);
    right->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(right));
    QSignalSpy liveChanged(engine.get(), &CMEngine::liveChanged);

    // The keys go on to the output that stays.
    QVERIFY(plugRight(false));
    QTRY_COMPARE(visibleLiveWindows(), QList<CMLiveWindow *>{left.data()});
    QTRY_VERIFY(left->isActiveWindow());
    QCOMPARE(live->windows(), QList<CMLiveWindow *>{left.data()});
    QCOMPARE(left->geometry(), leftFrame);

    // It comes back as it was when its display returns.
    QVERIFY(plugRight(true));
    QTRY_COMPARE(live->windows().size(), 2);
    right = live->windowFor(u"RIGHT"_s);
    QTRY_COMPARE(right->geometry(), rightFrame);
    QVERIFY(right->root()->prompterView()->canvasGeometry().mirror);
    QCOMPARE(live->windowFor(u"LEFT"_s), left.data());
    QCOMPARE(visibleLiveWindows().size(), 2);
    QCOMPARE(liveChanged.count(), 0);
    QVERIFY(engine->running());
}

QTEST_MAIN(TestCMPrompterWindow)
#include "tst_cmprompterwindow.moc"
