#include <testsupport.h>

#include <app/cmcommandline.h>
#include <app/cmdelegate.h>
#include <app/cmeditmenu.h>
#include <app/cmmainwindow.h>
#include <app/cmmenus.h>
#include <app/cmquit.h>
#include <engine/cmengine.h>
#include <engine/cmfocus.h>
#include <files/ovalert.h>
#include <kit/ovui.h>
#include <mainwindow/cmmain.h>
#include <mainwindow/cmroot.h>
#include <prompter/cmlivewindow.h>
#include <prompter/cmprompterwindow.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Every menu item is a child of the bar, however deep its menu.
QAction *findAction(QMenuBar &bar, const QString &text)
{
    for (QAction *a : bar.findChildren<QAction *>()) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

} // namespace

// The application shell: files from the desktop and the menu commands.
class TestCMShell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void opensOnlyTheFirstFile();
    void menusReachWhatTheyCommand();
    void qtOptionsAreQts_data();
    void qtOptionsAreQts();
    void quitWritesFirst_data();
    void quitWritesFirst();
    void editMenuFollowsTheField_data();
    void editMenuFollowsTheField();
    void editKeysStayWithTheField();
    void opening_data();
    void opening();
    void mainWindowFitsTheScreen();
};

// A file that cannot be read alerts under the title of this path and leaves the script alone.
void TestCMShell::opensOnlyTheFirstFile()
{
    QTemporaryDir dir;
    const auto write = [&dir](const QString &name, const QByteArray &bytes) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    };
    QStringList alerts;
    OVAlert::setPresenter([&](const QString &title, const QString &) { alerts << title; });
    CMEngine engine;
    CMDelegate delegate(engine);
    QSignalSpy handled(&delegate, &CMDelegate::fileHandled);
    delegate.openFiles({write(u"one.txt"_s, "First\r\nscript"), write(u"two.txt"_s, "Second"),
                        write(u"three.txt"_s, "Third")});
    QVERIFY(handled.wait());
    QTest::qWait(50);
    QCOMPARE(handled.count(), 1);
    QCOMPARE(engine.script(), u"First\nscript"_s);

    delegate.openFiles({write(u"broken.docx"_s, "PK\x03\x04 not really a zip")});
    QVERIFY(handled.wait());
    QCOMPARE(handled.last().at(1).toBool(), false);
    QCOMPARE(engine.script(), u"First\nscript"_s);
    QCOMPARE(alerts, QStringList{u"Can't open that script"_s});
    OVAlert::setPresenter({});
}

// Every menu reaches what it commands: the engine, the help, the interface's zoom and theme.
void TestCMShell::menusReachWhatTheyCommand()
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
                    [&] { opened << u"about"_s; }, [&] { opened << u"quit"_s; }});
    const auto trigger = [&window](const QString &text) {
        QAction *action = findAction(*window.menuBar(), text);
        QVERIFY2(action, qPrintable(text));
        action->trigger();
    };
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    editor->setFocus();
    QVERIFY(CMFocus::editing());

    // Start / Stop while typing starts the prompter and takes the keyboard from the editor.
    trigger(u"Start / Stop"_s);
    QVERIFY(engine.running());
    QVERIFY(!CMFocus::editing());
    QCOMPARE(editor->toPlainText(), u"text"_s);

    trigger(u"Back to Top"_s);
    QVERIFY(!engine.running());
    // A script without cue lines has no cue to go to.
    QVERIFY(!findAction(*window.menuBar(), u"Next Cue"_s)->isEnabled());
    engine.setCues({{2, u"[a]"_s, 1000}, {5, u"[b]"_s, 2000}});
    for (const auto &[item, offset] : {std::pair(u"Next Cue"_s, 1000.0),
                                       std::pair(u"Next Cue"_s, 2000.0),
                                       std::pair(u"Previous Cue"_s, 1000.0)}) {
        trigger(item);
        QCOMPARE(engine.offsetNow(), offset);
    }
    engine.backToTop();
    for (const QString &item : {u"Faster"_s, u"Slower"_s, u"Slower"_s, u"Mirror"_s})
        trigger(item);
    QCOMPARE(engine.settings().speed, 2.5);
    QVERIFY(engine.settings().mirror);
    QVERIFY(findAction(*window.menuBar(), u"Mirror"_s)->isChecked());

    // One screen: going live on the second display uses the only one.
    trigger(u"Go Live on Second Display"_s);
    QVERIFY(CMEngine::shared().live());
    trigger(u"End Live"_s);
    QVERIFY(!CMEngine::shared().live());

    for (const QString &item : {u"OVS Cuemaster Help"_s, u"Quick Start"_s,
                                u"Keyboard Shortcuts"_s, u"About OVS Cuemaster"_s, u"Quit"_s})
        trigger(item);
    QCOMPARE(opened, (QStringList{u"help:"_s, u"help:quickstart"_s, u"help:keys"_s, u"about"_s,
                                  u"quit"_s}));

    OVUI *ui = OVUI::shared();
    ui->actualSize();
    for (const auto &[item, zoom] : {std::pair(u"Zoom In"_s, 1.1),
                                     std::pair(u"Actual Size (100%)"_s, 1.0),
                                     std::pair(u"Zoom Out"_s, 0.9)}) {
        trigger(item);
        QCOMPARE(ui->zoom(), zoom);
        // The menu names the zoom it is at, as a line that cannot be chosen.
        QAction *line = findAction(*window.menuBar(), CMMenus::zoomLine(zoom));
        QVERIFY(line && !line->isEnabled());
    }

    QAction *rose = findAction(*window.menuBar(), u"Rose Gold"_s);
    trigger(u"Rose Gold"_s);
    QCOMPARE(ui->themeId(), u"rose-gold"_s);
    QVERIFY(rose->isChecked());
    QVERIFY(!findAction(*window.menuBar(), u"Gunmetal Blue"_s)->isChecked());
}

void TestCMShell::qtOptionsAreQts_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("ours");
    QTest::addColumn<bool>("answered"); // on the terminal, without starting
    const QString app = u"cuemaster"_s;
    QTest::newRow("platform and style")
        << QStringList{app, u"-platform"_s, u"xcb"_s, u"-style"_s, u"Fusion"_s, u"a.txt"_s}
        << QStringList{app, u"a.txt"_s} << false;
    QTest::newRow("two dashes") << QStringList{app, u"--display"_s, u":1"_s, u"a.txt"_s}
                                << QStringList{app, u"a.txt"_s} << false;
    QTest::newRow("joined value") << QStringList{app, u"-style=Fusion"_s, u"--stylesheet=x.qss"_s}
                                  << QStringList{app} << false;
    QTest::newRow("switches") << QStringList{app, u"-reverse"_s, u"--nograb"_s, u"-h"_s}
                              << QStringList{app, u"-h"_s} << true;
    QTest::newRow("the session manager's restart")
        << QStringList{app, u"-session"_s, u"10abc"_s} << QStringList{app} << false;
    // Qt takes its options after "--" too, and leaves one that lacks its value.
    QTest::newRow("after --") << QStringList{app, u"--"_s, u"-name"_s, u"n"_s, u"-x.txt"_s}
                              << QStringList{app, u"--"_s, u"-x.txt"_s} << false;
    QTest::newRow("value missing") << QStringList{app, u"a.txt"_s, u"-display"_s}
                                   << QStringList{app, u"a.txt"_s, u"-display"_s} << true;
    const QStringList notQts{app, u"-platform=xcb"_s, u"--styles"_s, u"-"_s};
    QTest::newRow("not Qt's") << notQts << notQts << true;
    QTest::newRow("a file named like a value")
        << QStringList{app, u"-title"_s, u"-v"_s, u"b.txt"_s} << QStringList{app, u"b.txt"_s}
        << false;
}

// What QApplication takes out of the command line is not ours: measured against Qt 6.4, which
// leaves every row's "ours".
void TestCMShell::qtOptionsAreQts()
{
    QFETCH(QStringList, arguments);
    QTEST(CMCommandLine::withoutQtOptions(arguments), "ours");

    QTEST(CMCommandLine::parse(arguments).exitCode.has_value(), "answered");
}

void TestCMShell::quitWritesFirst_data()
{
    QTest::addColumn<bool>("goLive");
    QTest::addColumn<bool>("byKey");
    QTest::newRow("Ctrl+Q in the main window") << false << true;
    QTest::newRow("Ctrl+Q in the live window") << true << true;
    QTest::newRow("closing the main window") << false << false;
    QTest::newRow("closing the main window while live") << true << false;
}

// Every way out writes the pending script and settings first, and the live window goes with the
// main window.
void TestCMShell::quitWritesFirst()
{
    cmtest::clearSettings();
    CMEngine engine;
    CMFocus::follow(engine);
    CMPrompterWindow live(engine);
    CMQuit quit(engine, live);
    QSignalSpy quitting(&quit, &CMQuit::quitRequested);
    CMMainWindow window(engine, new CMRoot(engine, live), {{}, {}, [&] { quit.request(); }}, quit);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QFETCH(bool, goLive);
    QWidget *keys = &window;
    if (goLive) {
        live.show(0);
        QVERIFY(engine.live());
        keys = live.window();
        QVERIFY(QTest::qWaitForWindowActive(keys));
    }
    const QString edit = u"The last words typed before quitting"_s;
    engine.setScript(edit);
    CMSettings settings = engine.settings();
    settings.mirror = !settings.mirror;
    engine.setSettings(settings);
    QVERIFY(engine.savePending());

    QFETCH(bool, byKey);
    if (byKey)
        QTest::keyClick(keys, Qt::Key_Q, Qt::ControlModifier);
    else
        window.close();
    QCOMPARE(quitting.count(), 1);
    QVERIFY(!engine.live());
    QVERIFY(!live.window() || !live.window()->isVisible());
    QFile saved(CMEngine::scriptPath());
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()), edit);
    QCOMPARE(QSettings().value(QLatin1StringView(CMEngine::settingsKey)).toByteArray(),
             settings.toJson());
}

void TestCMShell::editMenuFollowsTheField_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("enabled"); // what can be chosen after the steps
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("clipboard");
    const QString hello = u"hello world"_s;
    QTest::newRow("no text field") << u"button"_s << QString() << QString() << QString()
                                   << QString();
    QTest::newRow("line") << u"line"_s << QString() << u"Select All"_s << hello << QString();
    QTest::newRow("line, all selected")
        << u"line"_s << u"Select All"_s << u"Cut Copy Delete Select All"_s << hello << QString();
    QTest::newRow("line, copied") << u"line"_s << u"Select All,Copy"_s
                                  << u"Cut Copy Paste Delete Select All"_s << hello << hello;
    QTest::newRow("line, deleted")
        << u"line"_s << u"Select All,Delete"_s << u"Undo"_s << QString() << QString();
    QTest::newRow("line, deleted and back") << u"line"_s << u"Select All,Delete,Undo"_s
                                            << u"Redo Cut Copy Delete Select All"_s << hello
                                            << QString();
    QTest::newRow("password") << u"password"_s << u"Select All"_s << u"Delete Select All"_s
                              << hello << QString();
    QTest::newRow("script, cut and pasted twice")
        << u"plain"_s << u"Select All,Cut,Paste,Paste"_s << u"Undo Paste Select All"_s
        << hello + hello << hello;
    QTest::newRow("script, cut, undone, redone")
        << u"plain"_s << u"Select All,Cut,Undo,Redo"_s << u"Undo Paste"_s << QString() << hello;
    QTest::newRow("read-only, copied") << u"read-only"_s << u"Select All,Copy"_s
                                       << u"Copy Select All"_s << hello << hello;
}

// The Edit menu acts on the focused text field, and offers only what that field can do now.
void TestCMShell::editMenuFollowsTheField()
{
    QGuiApplication::clipboard()->clear();
    QMainWindow window;
    CMEditMenu *menu = new CMEditMenu(*window.menuBar());
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    auto *password = new QLineEdit(u"hello world"_s);
    password->setEchoMode(QLineEdit::Password);
    auto *readOnly = new QPlainTextEdit(u"hello world"_s);
    readOnly->setReadOnly(true);
    const QMap<QString, QWidget *> fields{{u"button"_s, new QPushButton(u"Go"_s)},
                                          {u"line"_s, new QLineEdit(u"hello world"_s)},
                                          {u"password"_s, password},
                                          {u"plain"_s, new QPlainTextEdit(u"hello world"_s)},
                                          {u"read-only"_s, readOnly}};
    for (QWidget *w : fields)
        layout->addWidget(w);
    window.setCentralWidget(central);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QFETCH(QString, field);
    QWidget *target = fields.value(field);
    target->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), target);

    QFETCH(QString, steps);
    const QStringList names{u"Undo"_s,  u"Redo"_s,   u"Cut"_s,       u"Copy"_s,
                            u"Paste"_s, u"Delete"_s, u"Select All"_s};
    for (const QString &command : steps.split(u',', Qt::SkipEmptyParts)) {
        QAction *a = menu->action(CMEditMenu::Command(names.indexOf(command)));
        QVERIFY2(a->isEnabled(), qPrintable(command));
        a->trigger();
    }
    // Greyed out as the field changes, not only when the menu opens: a disabled command's key
    // would not be taken.
    QStringList enabled;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (menu->action(CMEditMenu::Command(i))->isEnabled())
            enabled << names[i];
    }
    QTEST(enabled.join(u' '), "enabled");
    if (auto *line = qobject_cast<QLineEdit *>(target))
        QTEST(line->text(), "text");
    if (auto *plain = qobject_cast<QPlainTextEdit *>(target))
        QTEST(plain->toPlainText(), "text");
    QTEST(QGuiApplication::clipboard()->text(), "clipboard");
}

// A focused field keeps its own editing keys, Delete included, with the Edit menu's shortcuts
// installed application-wide.
void TestCMShell::editKeysStayWithTheField()
{
    QMainWindow window;
    auto *menu = new CMEditMenu(*window.menuBar());
    auto *line = new QLineEdit(u"abc"_s);
    window.setCentralWidget(line);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    line->setFocus();
    line->setCursorPosition(1);
    QVERIFY(!menu->action(CMEditMenu::Command::Delete)->isEnabled());
    QTest::keyClick(line, Qt::Key_Delete);
    QCOMPARE(line->text(), u"ac"_s);
    QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(menu->action(CMEditMenu::Command::Delete)->isEnabled());
    QTest::keyClick(line, Qt::Key_Delete);
    QCOMPARE(line->text(), QString());
    QTest::keyClick(line, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(line->text(), u"ac"_s);
}

void TestCMShell::opening_data()
{
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<QRect>("opens");
    const QMargins none;
    QTest::newRow("large screen, centred")
        << QRect(0, 0, 1920, 1080) << none << QRect(260, 90, 1400, 900);
    QTest::newRow("1920 x 1080 at 150 %") << QRect(0, 0, 1280, 720) << none
                                          << QRect(0, 0, 1280, 720);
    QTest::newRow("with a panel and a frame")
        << QRect(0, 32, 1280, 688) << QMargins(2, 28, 2, 2) << QRect(2, 60, 1276, 658);
    QTest::newRow("second screen, narrow") << QRect(1920, 0, 1024, 1280) << none
                                           << QRect(1920, 190, 1024, 900);
}

// The main window opens as large as wished where there is room, and never beyond the screen's
// free area, frame included.
void TestCMShell::opening()
{
    QFETCH(QRect, available);
    QFETCH(QMargins, frame);
    QTEST(CMMainWindow::opening(CMMainWindow::openingSize, available, frame), "opens");
}

// On a screen narrower than the layout's minimum the window still fits, and the layout scrolls
// inside it (the offscreen screen is 800 x 800).
void TestCMShell::mainWindowFitsTheScreen()
{
    CMEngine engine;
    CMPrompterWindow live(engine);
    CMQuit quit(engine, live);
    auto *root = new CMRoot(engine, live);
    CMMainWindow window(engine, root, {}, quit);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect area = window.screen()->availableGeometry();
    QVERIFY(area.width() < CMRoot::minimumWidth);
    QVERIFY(area.contains(window.frameGeometry()));
    QVERIFY(window.minimumSizeHint().width() <= area.width());
    QVERIFY(window.minimumSizeHint().height() <= area.height());
    QTRY_VERIFY(root->main()->horizontalScrollBar()->maximum() > 0);
}

QTEST_MAIN(TestCMShell)
#include "tst_cmshell.moc"
