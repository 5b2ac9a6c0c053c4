#include <app/cmdelegate.h>
#include <app/cmmenus.h>
#include <engine/cmengine.h>
#include <engine/cmfocus.h>
#include <files/ovalert.h>
#include <kit/ovui.h>

#include <QAction>
#include <QFile>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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
                    [&] { opened << u"about"_s; }});
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
    // Ctrl+] and Ctrl+[ go from cue to cue; a script without cue lines has nowhere to go.
    QAction *next = findAction(*window.menuBar(), u"Next Cue"_s);
    QCOMPARE(next->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_BracketRight));
    QVERIFY(!next->isEnabled());
    engine.setCues({{2, u"[a]"_s, 1000}, {5, u"[b]"_s, 2000}});
    QVERIFY(next->isEnabled());
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
                                u"Keyboard Shortcuts"_s, u"About OVS Cuemaster"_s})
        trigger(item);
    QCOMPARE(opened, (QStringList{u"help:"_s, u"help:quickstart"_s, u"help:keys"_s, u"about"_s}));

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
    QCOMPARE(CMMenus::zoomLine(1.1), u"Interface Zoom: 110%"_s);

    QAction *rose = findAction(*window.menuBar(), u"Rose Gold"_s);
    trigger(u"Rose Gold"_s);
    QCOMPARE(ui->themeId(), u"rose-gold"_s);
    QVERIFY(rose->isChecked());
    QVERIFY(!findAction(*window.menuBar(), u"Gunmetal Blue"_s)->isChecked());
}

QTEST_MAIN(TestCMShell)
#include "tst_cmshell.moc"
