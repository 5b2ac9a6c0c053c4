#include <testsupport.h>
#include <engine/cmengine.h>
#include <engine/cmfocus.h>
#include <prompter/cmliveroot.h>
#include <prompter/cmlivewindow.h>
#include <prompter/cmprompterwindow.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
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
    QCOMPARE(window->geometry(), frame);
    QCOMPARE(window->windowHandle()->screen()->geometry(), frame);
    QVERIFY(window->isFullScreen());
    QCOMPARE(window->root()->geometry(), QRect(QPoint(0, 0), frame.size()));
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

QTEST_MAIN(TestCMPrompterWindow)
#include "tst_cmprompterwindow.moc"
