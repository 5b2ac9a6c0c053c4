#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <engine/cmengine.h>
#include <prompter/cmhintbar.h>
#include <prompter/cmliveroot.h>
#include <prompter/cmprompterview.h>
#include <prompter/cmprompterwindow.h>

using namespace Qt::StringLiterals;

// The live window's content and hint bar, and the display arithmetic, without a display.
class TestCMLiveRoot : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CMEngine> engine;

    QStringList barTexts(const CMLiveRoot &root) const
    {
        QStringList texts;
        for (const QLabel *label : root.hintBar()->findChildren<QLabel *>())
            texts.append(label->text());
        return texts;
    }

private Q_SLOTS:
    void init();
    void stateText_data();
    void stateText();
    void barFollowsTheEngine();
    void barShowsWhenStoppedOrHovered();
    void hoverFadesOverThreeTenths();
    void barSitsAboveTheBottomEdge();
    void exitButtonAsksToClose();
    void canvasHeight_data();
    void canvasHeight();
};

void TestCMLiveRoot::init()
{
    QSettings().clear();
    engine = std::make_unique<CMEngine>();
    engine->setContentHeight(100000);
}

void TestCMLiveRoot::stateText_data()
{
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("finished");
    QTest::addColumn<QString>("expected");
    QTest::newRow("running") << true << false << u"\u25B6\uFE0E RUNNING"_s;
    QTest::newRow("finished") << false << true << u"\u25A0 FINISHED"_s;
    QTest::newRow("paused") << false << false << u"\u275A\u275A PAUSED"_s;
}

void TestCMLiveRoot::stateText()
{
    QFETCH(bool, running);
    QFETCH(bool, finished);
    QFETCH(QString, expected);
    QCOMPARE(CMHintBar::stateText(running, finished), expected);
}

void TestCMLiveRoot::barFollowsTheEngine()
{
    CMLiveRoot root(*engine);
    QVERIFY(!root.prompterView()->preview());
    QVERIFY(barTexts(root).contains(u"\u275A\u275A PAUSED"_s));
    QVERIFY(barTexts(root).contains(u"Speed 3.0"_s));
    QVERIFY(barTexts(root).contains(
        u"Space start/stop · ↑↓ speed · ←→ / Page keys jump · M mirror · F flip · Esc exit"_s));

    engine->play();
    engine->faster();
    QVERIFY(barTexts(root).contains(u"\u25B6\uFE0E RUNNING"_s));
    QVERIFY(barTexts(root).contains(u"Speed 3.5"_s));

    engine->setContentHeight(10);
    engine->checkEnd(engine->now() + std::chrono::seconds(10));
    QVERIFY(engine->finished());
    QVERIFY(barTexts(root).contains(u"\u25A0 FINISHED"_s));
    QCOMPARE(root.barOpacity(), 1.0);
}

void TestCMLiveRoot::barShowsWhenStoppedOrHovered()
{
    CMLiveRoot root(*engine);
    root.resize(1280, 720);
    root.show();
    QVERIFY(QTest::qWaitForWindowExposed(&root));
    QCOMPARE(root.barOpacity(), 1.0);
    QVERIFY(root.hintBar()->isVisible());

    // The run state switches the bar at once, without a fade.
    engine->play();
    QCOMPARE(root.barOpacity(), 0.0);
    QVERIFY(!root.hintBar()->isVisible());
    engine->pause();
    QCOMPARE(root.barOpacity(), 1.0);
    QVERIFY(root.hintBar()->isVisible());

    // Hovered, the bar stays while running; a change of run state mid-fade ends the fade.
    root.setHover(true);
    engine->play();
    QCOMPARE(root.barOpacity(), 1.0);
    root.setHover(false);
    QTRY_COMPARE(root.barOpacity(), 0.0);
    QVERIFY(!root.hintBar()->isVisible());
}

void TestCMLiveRoot::hoverFadesOverThreeTenths()
{
    CMLiveRoot root(*engine);
    root.resize(1280, 720);
    root.show();
    QVERIFY(QTest::qWaitForWindowExposed(&root));
    engine->play();

    QElapsedTimer clock;
    clock.start();
    root.setHover(true);
    QTest::qWait(60);
    const double early = root.barOpacity();
    QVERIFY2(early > 0 && early < 1, qPrintable(QString::number(early)));
    QTRY_COMPARE(root.barOpacity(), 1.0);
    QVERIFY(clock.elapsed() >= CMLiveRoot::fadeMs);
    QVERIFY(root.hintBar()->isVisible());
}

void TestCMLiveRoot::barSitsAboveTheBottomEdge()
{
    CMLiveRoot root(*engine);
    root.resize(1280, 720);
    root.show();
    QVERIFY(QTest::qWaitForWindowExposed(&root));
    const QRect bar = root.hintBar()->geometry();
    QCOMPARE(bar.bottom() + 1, 720 - 16);
    QVERIFY(qAbs(bar.center().x() - 640) <= 1);
    QVERIFY(bar.width() < 1280);
    QCOMPARE(root.prompterView()->geometry(), QRect(0, 0, 1280, 720));

    // The row grows with a longer speed text and stays centred.
    CMSettings s = engine->settings();
    s.speed = 10;
    engine->setSettings(s);
    QTRY_VERIFY(root.hintBar()->width() > bar.width());
    QVERIFY(qAbs(root.hintBar()->geometry().center().x() - 640) <= 1);
}

void TestCMLiveRoot::exitButtonAsksToClose()
{
    CMLiveRoot root(*engine);
    QSignalSpy exit(&root, &CMLiveRoot::exitRequested);
    auto *button = root.hintBar()->findChild<QPushButton *>();
    QVERIFY(button);
    QCOMPARE(button->text(), u"Exit Prompter"_s);
    QCOMPARE(button->focusPolicy(), Qt::NoFocus);
    button->click();
    QCOMPARE(exit.count(), 1);
}

void TestCMLiveRoot::canvasHeight_data()
{
    QTest::addColumn<QSizeF>("frame");
    QTest::addColumn<double>("expected");
    QTest::newRow("1920 x 1080") << QSizeF(1920, 1080) << 1080.0;
    QTest::newRow("1512 x 982") << QSizeF(1512, 982) << 1246.984126984127;
    QTest::newRow("1280 x 1024") << QSizeF(1280, 1024) << 1536.0;
    QTest::newRow("portrait 1080 x 1920") << QSizeF(1080, 1920) << 3413.3333333333335;
    QTest::newRow("empty frame") << QSizeF(0, 0) << 1080.0;
    QTest::newRow("negative width") << QSizeF(-10, 500) << 1080.0;
}

void TestCMLiveRoot::canvasHeight()
{
    QFETCH(QSizeF, frame);
    QFETCH(double, expected);
    QCOMPARE(CMPrompterWindow::canvasHeight(frame), expected);
}

QTEST_MAIN(TestCMLiveRoot)
#include "tst_cmliveroot.moc"
