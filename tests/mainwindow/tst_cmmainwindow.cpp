#include "deskfixture.h"

#include <engine/ovkeys.h>
#include <kit/ovbuttons.h>
#include <kit/ovlettering.h>
#include <kit/ovroot.h>
#include <mainwindow/cmdeck.h>
#include <mainwindow/cmheader.h>
#include <mainwindow/cmmain.h>
#include <mainwindow/cmroot.h>
#include <mainwindow/cmscriptdesk.h>
#include <mainwindow/cmscripteditor.h>
#include <prompter/cmprompterwindow.h>

#include <QApplication>
#include <QScrollBar>

using namespace Qt::StringLiterals;

// The main window as a whole: the header's readout, the layout's sizes and scrolling, and the
// keyboard.
class TestCMMainWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CMEngine> engine;
    std::unique_ptr<CMPrompterWindow> live;
    std::unique_ptr<QWidget> window;
    CMRoot *root = nullptr;

    CMInstant clock;

    CMMain *main() const { return root->main(); }

private Q_SLOTS:
    void init();
    void cleanup();
    void readout_data();
    void readout();
    void minimumSizeAndScrolling_data();
    void minimumSizeAndScrolling();
    void keysReachTheEngineUnlessTyping();
};

void TestCMMainWindow::init()
{
    OVKeys::remove();
    engine = handClockEngine(clock);
    live = std::make_unique<CMPrompterWindow>(*engine);
    window = std::make_unique<QWidget>();
    root = new CMRoot(*engine, *live);
    ovsRoot(window.get());
    QVERIFY(!OVKeys::installed());
    QVERIFY(showStacked(*window, QSize(1400, 900), {root}));
}

void TestCMMainWindow::cleanup()
{
    window.reset();
    QVERIFY(!OVKeys::installed());
    live.reset();
    engine.reset();
    OVUI::shared()->setZoom(1.0);
}

void TestCMMainWindow::readout_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("shown");
    const auto words = [](int n) { return QStringList(n, u"word"_s).join(u' '); };
    QTest::newRow("empty") << QString() << u"0 words · ~0:00 read"_s;
    QTest::newRow("101 words drop the fraction") << words(101) << u"101 words · ~0:40 read"_s;
    QTest::newRow("10000 words") << words(10000) << u"10000 words · ~1:06:40 read"_s;
}

void TestCMMainWindow::readout()
{
    QFETCH(QString, script);
    engine->setScript(script);
    QTEST(main()->header()->readout()->text(), "shown");
}

void TestCMMainWindow::minimumSizeAndScrolling_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("scrollsAcross");
    QTest::addColumn<bool>("scrollsDown");
    QTest::newRow("minimum at zoom 1") << 1.0 << QSize(1240, 780) << false << false;
    QTest::newRow("zoom 1.25 fits") << 1.25 << QSize(1240, 820) << false << false;
    QTest::newRow("zoom 2 fits") << 2.0 << QSize(1800, 1280) << false << false;
    QTest::newRow("zoom 1.5 is wider") << 1.5 << QSize(1240, 1200) << true << false;
    QTest::newRow("zoom 1.5 is taller") << 1.5 << QSize(1600, 780) << false << true;
    QTest::newRow("zoom 2 both") << 2.0 << QSize(1240, 780) << true << true;
}

void TestCMMainWindow::minimumSizeAndScrolling()
{
    QCOMPARE(root->minimumSize(), QSize(1240, 780));
    QFETCH(double, zoom);
    QFETCH(QSize, size);
    OVUI::shared()->setZoom(zoom);
    window->resize(size);
    QApplication::processEvents();
    QCOMPARE(window->size(), size);
    QFETCH(bool, scrollsAcross);
    QCOMPARE(main()->horizontalScrollBar()->maximum() > 0, scrollsAcross);
    QTEST(main()->verticalScrollBar()->maximum() > 0, "scrollsDown");
    // The desk keeps its width; the rig takes whatever else the window offers.
    const QWidget *content = main()->widget();
    QCOMPARE(main()->desk()->width(), qRound(400 * zoom));
    if (!scrollsAcross)
        QCOMPARE(content->width(), main()->viewport()->width());
    // Nothing is squeezed out of sight: the footer is inside the content.
    QVERIFY(content->rect().contains(main()->footer()->geometry()));
    QVERIFY(main()->deck()->geometry().bottom() < main()->footer()->geometry().top());
    // The deck's single column is never needed: every window leaves it room for two.
    QVERIFY(main()->deck()->arrangement() != CMDeckArrangement::Narrow);
}

void TestCMMainWindow::keysReachTheEngineUnlessTyping()
{
    QVERIFY(OVKeys::installed());
    engine->setContentHeight(100000);
    QTest::keyClick(window.get(), Qt::Key_Space);
    QVERIFY(engine->running());
    engine->pause();

    CMScriptEditor *editor = main()->desk()->editor();
    editor->setFocus();
    editor->moveCursor(QTextCursor::End);
    const QString before = engine->script();
    QTest::keyClick(editor, Qt::Key_Space);
    QTest::keyClick(editor, Qt::Key_R);
    QVERIFY(!engine->running());
    QCOMPARE(engine->script(), before + u" r"_s);
    QVERIFY(engine->savePending());
    // The editor's own edits are not fed back to it: its Undo still takes back typing.
    editor->undo();
    QCOMPARE(engine->script(), editor->toPlainText());
    QVERIFY(engine->script().size() < before.size() + 2);

    // Control-L reaches the deck even while typing.
    QTest::keyClick(editor, Qt::Key_L, Qt::ControlModifier);
    QVERIFY(engine->live());
    QCOMPARE(main()->deck()->goLiveButton()->text(), u"End Live"_s);
    QApplication::setActiveWindow(window.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_L, Qt::ControlModifier);
    QVERIFY(!engine->live());
    QCOMPARE(main()->deck()->goLiveButton()->text(), u"Go Live"_s);
}

QTEST_MAIN(TestCMMainWindow)
#include "tst_cmmainwindow.moc"
