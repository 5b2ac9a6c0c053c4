#include <testsupport.h>
#include <engine/cmengine.h>
#include <prompter/cmhintbar.h>
#include <prompter/cmliveroot.h>
#include <prompter/cmprompterwindow.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// The live window's content and hint bar, and the display arithmetic, without a display.
class TestCMLiveRoot : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CMEngine> engine;
    std::unique_ptr<CMLiveRoot> root;

    bool barSays(const QString &text) const
    {
        const QList<QLabel *> labels = root->hintBar()->findChildren<QLabel *>();
        return std::any_of(labels.cbegin(), labels.cend(),
                           [&text](const QLabel *label) { return label->text() == text; });
    }

private Q_SLOTS:
    void init();
    void barFollowsTheEngine();
    void barShowsWhenStoppedOrHovered();
    void canvasHeight();
};

void TestCMLiveRoot::init()
{
    cmtest::clearSettings();
    root.reset(); // the previous root reads the previous engine until it is gone
    engine = std::make_unique<CMEngine>();
    engine->setContentHeight(100000);
    root = std::make_unique<CMLiveRoot>(*engine);
    root->resize(1280, 720);
    root->show();
    QVERIFY(QTest::qWaitForWindowExposed(root.get()));
}

void TestCMLiveRoot::barFollowsTheEngine()
{
    QVERIFY(barSays(u"\u275A\u275A PAUSED"_s));
    QVERIFY(barSays(u"Speed 3.0"_s));
    engine->play();
    engine->faster();
    QVERIFY(barSays(u"\u25B6\uFE0E RUNNING"_s));
    QVERIFY(barSays(u"Speed 3.5"_s));
    engine->setContentHeight(10);
    engine->checkEnd(engine->now() + std::chrono::seconds(10));
    QVERIFY(barSays(u"\u25A0 FINISHED"_s));
    QCOMPARE(root->barOpacity(), 1.0);

    QSignalSpy exit(root.get(), &CMLiveRoot::exitRequested);
    auto *button = root->hintBar()->findChild<QPushButton *>();
    QCOMPARE(button->text(), u"Exit Prompter"_s);
    // Focused, it would take Space from the prompter.
    QCOMPARE(button->focusPolicy(), Qt::NoFocus);
    button->click();
    QCOMPARE(exit.count(), 1);
}

void TestCMLiveRoot::barShowsWhenStoppedOrHovered()
{
    // The run state switches the bar at once, without a fade.
    for (const bool running : {true, false, true}) {
        running ? engine->play() : engine->pause();
        QCOMPARE(root->barOpacity(), running ? 0.0 : 1.0);
        QCOMPARE(root->hintBar()->isVisible(), !running);
    }
    // Hovering fades it in while running, and out again.
    root->setHover(true);
    QVERIFY(root->barOpacity() < 1);
    QTRY_COMPARE(root->barOpacity(), 1.0);
    root->setHover(false);
    QTRY_COMPARE(root->barOpacity(), 0.0);
    QVERIFY(!root->hintBar()->isVisible());

    // An output without its bar never shows it, stopped or hovered.
    root->setHintBarEnabled(false);
    engine->pause();
    root->setHover(true);
    QCOMPARE(root->barOpacity(), 0.0);
    QVERIFY(!root->hintBar()->isVisible());
    root->setHintBarEnabled(true);
    QCOMPARE(root->barOpacity(), 1.0);
}

void TestCMLiveRoot::canvasHeight()
{
    // A display that reports no size must not divide by zero.
    QCOMPARE(CMPrompterWindow::canvasHeight(QSizeF(0, 0)), 1080.0);
}

QTEST_MAIN(TestCMLiveRoot)
#include "tst_cmliveroot.moc"
