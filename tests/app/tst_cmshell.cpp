#include <app/cmcommandline.h>
#include <app/cmdelegate.h>
#include <app/cmmenus.h>
#include <engine/cmengine.h>
#include <engine/cmfocus.h>
#include <files/ovalert.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <kit/ovui.h>

using namespace Qt::StringLiterals;

namespace {

QAction *findAction(QMenuBar &bar, const QString &text)
{
    for (QAction *menu : bar.actions()) {
        const QList<QAction *> items = menu->menu()->actions();
        for (QAction *a : items) {
            if (a->text() == text)
                return a;
            if (a->menu()) {
                for (QAction *sub : a->menu()->actions()) {
                    if (sub->text() == text)
                        return sub;
                }
            }
        }
    }
    return nullptr;
}

} // namespace

// The application shell: command line, files from the desktop, the menu commands.
class TestCMShell : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }

private Q_SLOTS:
    void commandLine_data();
    void commandLine();
    void opensOnlyTheFirstFile();
    void unreadableFileLeavesTheScript();
    void menuCommandsReachTheEngine();
    void viewMenuFollowsTheInterfaceState();
};

void TestCMShell::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode"); // -1: the application starts
    QTest::addColumn<QString>("output");
    QTest::newRow("help") << QStringList{u"/usr/bin/cuemaster"_s, u"--help"_s} << 0
                          << u"Usage: cuemaster [options] [file]"_s;
    QTest::newRow("version") << QStringList{u"cuemaster"_s, u"--version"_s} << 0
                             << u"OVS Cuemaster 1.0 (build "_s;
    QTest::newRow("unknown option") << QStringList{u"cuemaster"_s, u"--frobnicate"_s} << 2
                                    << u"Unknown option 'frobnicate'."_s;
    QTest::newRow("files") << QStringList{u"cuemaster"_s, u"a.txt"_s, u"/x/b.docx"_s} << -1
                           << QString();
}

void TestCMShell::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    const CMCommandLine c = CMCommandLine::parse(arguments);
    QCOMPARE(c.exitCode.value_or(-1), exitCode);
    QVERIFY2(c.output.startsWith(output), qPrintable(c.output));
    if (exitCode == -1) {
        QCOMPARE(c.files,
                 (QStringList{QDir::current().absoluteFilePath(u"a.txt"_s), u"/x/b.docx"_s}));
    }
}

void TestCMShell::opensOnlyTheFirstFile()
{
    CMEngine engine;
    CMDelegate delegate(engine);
    QSignalSpy handled(&delegate, &CMDelegate::fileHandled);
    engine.setContentHeight(5000);
    engine.play();
    delegate.openFiles({write(u"one.txt"_s, "First\r\nscript"), write(u"two.txt"_s, "Second"),
                        write(u"three.txt"_s, "Third")});
    QVERIFY(handled.wait());
    QTest::qWait(50);
    QCOMPARE(handled.count(), 1);
    QCOMPARE(engine.script(), u"First\nscript"_s);
    QVERIFY(!engine.running());
    QCOMPARE(engine.offsetNow(), 0.0);
}

void TestCMShell::unreadableFileLeavesTheScript()
{
    QStringList alerts;
    OVAlert::setPresenter([&](const QString &title, const QString &message) {
        alerts << title << message;
    });
    CMEngine engine;
    engine.setScript(u"keep me"_s);
    CMDelegate delegate(engine);
    QSignalSpy handled(&delegate, &CMDelegate::fileHandled);
    delegate.openFiles({write(u"broken.docx"_s, "PK\x03\x04 not really a zip")});
    QVERIFY(handled.wait());
    QCOMPARE(handled.first().at(1).toBool(), false);
    QCOMPARE(engine.script(), u"keep me"_s);
    QCOMPARE(alerts.value(0), u"Can't open that script"_s);
    QVERIFY(alerts.value(1).startsWith(u"“broken.docx” couldn't be opened."_s));
    OVAlert::setPresenter({});
}

void TestCMShell::menuCommandsReachTheEngine()
{
    CMEngine engine;
    CMFocus::follow(engine);
    engine.setContentHeight(5000);
    QMainWindow window;
    auto *editor = new QPlainTextEdit(u"text"_s);
    window.setCentralWidget(editor);
    QStringList opened;
    CMMenus::build(*window.menuBar(), engine, window,
                   {[&](const QString &page) { opened << u"help:"_s + page; },
                    [&] { opened << u"about"_s; }});
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    editor->setFocus();
    QVERIFY(CMFocus::editing());

    // Start / Stop while typing starts the prompter and takes the keyboard from the editor.
    findAction(*window.menuBar(), u"Start / Stop"_s)->trigger();
    QVERIFY(engine.running());
    QVERIFY(!CMFocus::editing());
    QCOMPARE(editor->toPlainText(), u"text"_s);

    findAction(*window.menuBar(), u"Back to Top"_s)->trigger();
    QVERIFY(!engine.running());
    const double speed = engine.settings().speed;
    findAction(*window.menuBar(), u"Faster"_s)->trigger();
    QCOMPARE(engine.settings().speed, speed + 0.5);
    findAction(*window.menuBar(), u"Slower"_s)->trigger();
    QCOMPARE(engine.settings().speed, speed);
    QAction *mirror = findAction(*window.menuBar(), u"Mirror"_s);
    mirror->trigger();
    QVERIFY(engine.settings().mirror);
    QVERIFY(mirror->isChecked());
    findAction(*window.menuBar(), u"Flip Upside Down"_s)->trigger();
    QVERIFY(engine.settings().flip);

    // One screen: going live on the second display uses the only one.
    findAction(*window.menuBar(), u"Go Live on Second Display"_s)->trigger();
    QVERIFY(CMEngine::shared().live());
    findAction(*window.menuBar(), u"End Live"_s)->trigger();
    QVERIFY(!CMEngine::shared().live());

    findAction(*window.menuBar(), u"OVS Cuemaster Help"_s)->trigger();
    findAction(*window.menuBar(), u"Quick Start"_s)->trigger();
    findAction(*window.menuBar(), u"Keyboard Shortcuts"_s)->trigger();
    findAction(*window.menuBar(), u"About OVS Cuemaster"_s)->trigger();
    QCOMPARE(opened, (QStringList{u"help:"_s, u"help:quickstart"_s, u"help:keys"_s, u"about"_s}));

    QCOMPARE(findAction(*window.menuBar(), u"Start / Stop"_s)->shortcut(),
             QKeySequence(Qt::CTRL | Qt::Key_Return));
    QCOMPARE(findAction(*window.menuBar(), u"Save Script as TXT…"_s)->shortcut(),
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
}

void TestCMShell::viewMenuFollowsTheInterfaceState()
{
    CMEngine engine;
    QMainWindow window;
    CMMenus::build(*window.menuBar(), engine, window, {[](const QString &) {}, [] {}});
    OVUI *ui = OVUI::shared();
    ui->actualSize();
    QVERIFY(findAction(*window.menuBar(), u"Interface Zoom: 100%"_s));
    findAction(*window.menuBar(), u"Zoom In"_s)->trigger();
    QCOMPARE(ui->zoom(), 1.1);
    QAction *line = findAction(*window.menuBar(), u"Interface Zoom: 110%"_s);
    QVERIFY(line);
    QVERIFY(!line->isEnabled());
    findAction(*window.menuBar(), u"Zoom Out"_s)->trigger();
    findAction(*window.menuBar(), u"Zoom Out"_s)->trigger();
    QCOMPARE(ui->zoom(), 0.9);
    findAction(*window.menuBar(), u"Actual Size (100%)"_s)->trigger();
    QCOMPARE(ui->zoom(), 1.0);

    QAction *rose = findAction(*window.menuBar(), u"Rose Gold"_s);
    rose->trigger();
    QCOMPARE(ui->themeId(), u"rose-gold"_s);
    QVERIFY(rose->isChecked());
    QVERIFY(!findAction(*window.menuBar(), u"Gunmetal Blue"_s)->isChecked());
    QCOMPARE(CMMenus::zoomLine(1.25), u"Interface Zoom: 125%"_s);
}

QTEST_MAIN(TestCMShell)
#include "tst_cmshell.moc"
