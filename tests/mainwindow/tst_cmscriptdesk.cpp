#include "deskfixture.h"

#include <engine/cmmath.h>
#include <engine/ovkeys.h>
#include <files/cmscriptfiles.h>
#include <files/ovalert.h>
#include <kit/ovbuttons.h>
#include <kit/ovlettering.h>
#include <mainwindow/cmheader.h>
#include <mainwindow/cmkeysbadge.h>
#include <mainwindow/cmlayout.h>
#include <mainwindow/cmscriptdesk.h>
#include <mainwindow/cmscripteditor.h>
#include <mainwindow/cmtextdiff.h>

#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>

using namespace Qt::StringLiterals;

// The script desk's editor, menu and drop target, and the keys badge, on their own engine.
class TestCMScriptDesk : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CMEngine> engine;
    std::unique_ptr<QWidget> window;
    CMScriptDesk *desk = nullptr;
    CMHeader *header = nullptr;
    CMKeysBadge *badge = nullptr;
    QStringList alerts;
    CMInstant clock;

    void trigger(const QString &entry)
    {
        const QList<QAction *> actions = desk->moreMenu()->actions();
        for (QAction *action : actions) {
            if (action->text() == entry)
                return action->trigger();
        }
        QFAIL(qPrintable(u"no menu entry "_s + entry));
    }

    QString editorText() const { return desk->editor()->toPlainText(); }

private Q_SLOTS:
    void init();
    void cleanup();
    void textDiff_data();
    void textDiff();
    void menuChangesWhileRunning_data();
    void menuChangesWhileRunning();
    void typingPassesOnlyTheChange_data();
    void typingPassesOnlyTheChange();
    void typingWrapsAsAFullLayoutDoes();
    void dropImportsOnlyTheFirstAcceptedFile();
    void longImportShowsProgressAndCancels();
    void badgeFollowsTheFocus();
};

void TestCMScriptDesk::init()
{
    QFile::remove(CMEngine::scriptPath());
    alerts.clear();
    OVAlert::setPresenter(
        [this](const QString &title, const QString &) { alerts.append(title); });
    engine = handClockEngine(clock);
    engine->setScript(u"First line\nSecond line"_s);
    window = std::make_unique<QWidget>();
    header = new CMHeader(*engine);
    desk = new CMScriptDesk(*engine);
    badge = new CMKeysBadge;
    QVERIFY(showStacked(*window, QSize(420, 600), {header, desk, badge}));
}

void TestCMScriptDesk::cleanup()
{
    OVKeys::remove();
    window.reset();
    engine.reset();
    OVAlert::setPresenter(nullptr);
}

void TestCMScriptDesk::textDiff_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("inserted");

    QTest::newRow("same") << u"abc"_s << u"abc"_s << 3 << 0 << QString();
    QTest::newRow("appended") << u"ab"_s << u"ab\n[Cue]\n"_s << 2 << 0 << u"\n[Cue]\n"_s;
    QTest::newRow("cleared") << u"abc"_s << QString() << 0 << 3 << QString();
    QTest::newRow("middle") << u"one two three"_s << u"one 2 three"_s << 4 << 3 << u"2"_s;
    // The common suffix never overlaps the common prefix.
    QTest::newRow("repeated letter") << u"aaa"_s << u"aaaa"_s << 3 << 0 << u"a"_s;
    QTest::newRow("removed repeat") << u"abab"_s << u"ab"_s << 2 << 2 << QString();
    // Two emoji sharing a surrogate: the pair is replaced whole.
    QTest::newRow("shared high surrogate") << u"x\U0001F600y"_s << u"x\U0001F601y"_s << 1 << 2
                                           << u"\U0001F601"_s;
    QTest::newRow("shared low surrogate") << u"a\U0001F600"_s << u"b\U0001F200"_s << 0 << 3
                                          << u"b\U0001F200"_s;
}

void TestCMScriptDesk::textDiff()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    const CMTextDiff diff = CMTextDiff::between(before, after);
    QTEST(int(diff.position), "position");
    QTEST(int(diff.removed), "removed");
    QTEST(diff.inserted, "inserted");
    QCOMPARE(QString(before).replace(diff.position, diff.removed, diff.inserted), after);
}

void TestCMScriptDesk::menuChangesWhileRunning_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("keepsGoing");

    const QString lines = u"First line\nSecond line"_s;
    // A cue line is appended wherever the caret is; the caret, the focus and the run stay.
    QTest::newRow("insert cue, one line") << u"Insert cue line [ ]"_s << u"Hello there"_s
                                          << u"Hello there\n[Cue]\n"_s << true;
    QTest::newRow("insert cue, empty") << u"Insert cue line [ ]"_s << QString() << u"\n[Cue]\n"_s
                                       << true;
    // A new script stops at the top and gives the prompter the keys.
    QTest::newRow("clear") << u"Clear script"_s << lines << QString() << false;
    QTest::newRow("restore sample") << u"Restore sample script"_s << lines
                                    << CMEngine::sampleScript() << false;
    QTest::newRow("import") << u"import"_s << lines << u"Imported\r\ntext"_s << false;
}

void TestCMScriptDesk::menuChangesWhileRunning()
{
    QFETCH(QString, change);
    QFETCH(QString, script);
    QFETCH(QString, expected);
    QFETCH(bool, keepsGoing);
    engine->setScript(script);
    CMScriptEditor *editor = desk->editor();
    editor->document()->clearUndoRedoStacks();
    editor->setFocus();
    editor->moveCursor(QTextCursor::Start);
    engine->setSettings({.countdown = 0});
    engine->play();
    engine->jump(800);
    const double at = engine->offset(engine->now());

    if (change == u"import")
        engine->replaceScript(expected);
    else
        trigger(change);
    QCOMPARE(engine->script(), expected);
    QCOMPARE(editorText(), QString(expected).replace(u"\r\n"_s, u"\n"_s));
    QVERIFY(engine->savePending());
    QCOMPARE(header->readout()->text(), CMHeader::readoutText(CMMath::words(expected)));
    QCOMPARE(engine->running(), keepsGoing);
    QVERIFY(!engine->finished());
    QCOMPARE(engine->offset(engine->now()), keepsGoing ? at : 0.0);
    QCOMPARE(CMFocus::editing(), keepsGoing);
    if (keepsGoing && !script.isEmpty())
        QCOMPARE(editor->textCursor().position(), 0);

    // One Undo takes the whole change back, and Redo brings it again.
    editor->undo();
    QCOMPARE(editorText(), script);
    QCOMPARE(engine->script(), script);
    QVERIFY(!editor->document()->isUndoAvailable());
    editor->redo();
    QCOMPARE(engine->script(), editorText());
    QVERIFY(engine->script() != script);
}

void TestCMScriptDesk::typingPassesOnlyTheChange_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("action"); // text to type, or a command
    QTest::addColumn<QString>("expected");
    const QString two = u"First line\nSecond line"_s;
    QTest::newRow("type in the middle") << two << 5 << u"!"_s << u"First! line\nSecond line"_s;
    QTest::newRow("type at the end") << two << 22 << u"."_s << u"First line\nSecond line."_s;
    QTest::newRow("new line") << two << 10 << u"\r"_s << u"First line\n\nSecond line"_s;
    QTest::newRow("join lines") << two << 11 << u"backspace"_s << u"First lineSecond line"_s;
    QTest::newRow("delete at the end") << two << 22 << u"backspace"_s
                                       << u"First line\nSecond lin"_s;
    // A no-break space arrives as a space, as the editor's plain text has it.
    QTest::newRow("paste two lines") << two << 0 << u"paste"_s
                                     << u"A\nB CFirst line\nSecond line"_s;
    QTest::newRow("replace everything") << two << 0 << u"all"_s << u"x"_s;
    QTest::newRow("after a CR LF script") << u"One\r\nTwo"_s << 0 << u"x"_s << u"xOne\nTwo"_s;
}

// Each key reaches the engine as the span it changed, and the engine's script is always the
// editor's text.
void TestCMScriptDesk::typingPassesOnlyTheChange()
{
    QFETCH(QString, script);
    QFETCH(int, caret);
    QFETCH(QString, action);
    QFETCH(QString, expected);
    engine->setScript(script);
    CMScriptEditor *editor = desk->editor();
    editor->setFocus();
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(caret);
    editor->setTextCursor(cursor);
    QSignalSpy edits(engine.get(), &CMEngine::scriptEdited);
    if (action == u"backspace"_s) {
        QTest::keyClick(editor, Qt::Key_Backspace);
    } else if (action == u"paste"_s) {
        editor->insertPlainText(u"A\nB\u00a0C"_s);
    } else if (action == u"all"_s) {
        editor->selectAll();
        QTest::keyClicks(editor, u"x"_s);
    } else if (action == u"\r"_s) {
        QTest::keyClick(editor, Qt::Key_Return);
    } else {
        QTest::keyClicks(editor, action);
    }
    QCOMPARE(engine->script(), expected);
    QCOMPARE(editorText(), QString(expected).replace(u'\u00a0', u' '));
    if (!script.contains(u'\r'))
        QVERIFY(edits.count() > 0);
    QCOMPARE(header->readout()->text(), CMHeader::readoutText(CMMath::words(expected)));
}

// The editor lays out a paragraph typed in by itself: its lines wrap exactly where the plain
// text layout, laying out the whole document again, wraps them.
void TestCMScriptDesk::typingWrapsAsAFullLayoutDoes()
{
    CMScriptEditor *editor = desk->editor();
    editor->setFocus();
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(10);
    editor->setTextCursor(cursor);
    const auto lines = [editor] {
        const QTextBlock block = editor->document()->firstBlock();
        editor->document()->documentLayout()->blockBoundingRect(block);
        QStringList found;
        for (int i = 0; i < block.layout()->lineCount(); ++i) {
            const QTextLine line = block.layout()->lineAt(i);
            found << u"%1+%2@%3"_s.arg(line.textStart()).arg(line.textLength()).arg(line.y());
        }
        return found.join(u' ');
    };
    const QString words = u" and then a good many more words, typed one key at a time, until the"
                          u" line has wrapped in the desk at least three times over, which takes"
                          u" a sentence or two of plain words, and then a few more of them still"_s;
    int wraps = 0;
    for (const QChar c : words) {
        const int before = editor->document()->firstBlock().lineCount();
        QTest::keyClick(editor, c.toLatin1());
        wraps += editor->document()->firstBlock().lineCount() > before;
    }
    QVERIFY2(wraps >= 3, qPrintable(lines()));
    QCOMPARE(engine->script(), u"First line"_s + words + u"\nSecond line"_s);
    const QString typed = lines();
    const int documentLines = editor->document()->lineCount();
    const int scrollRange = editor->verticalScrollBar()->maximum();

    editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QCOMPARE(lines(), typed);
    QCOMPARE(editor->document()->lineCount(), documentLines);
    QCOMPARE(editor->verticalScrollBar()->maximum(), scrollRange);
}

void TestCMScriptDesk::dropImportsOnlyTheFirstAcceptedFile()
{
    const auto file = [](const QString &name, const QByteArray &bytes) {
        QFile f(QDir(cmtest::sandboxPath()).filePath(name));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(bytes);
        return QUrl::fromLocalFile(f.fileName());
    };
    const auto drop = [this](const QList<QUrl> &urls) {
        QMimeData mime;
        mime.setUrls(urls);
        QWidget *target = desk->editor()->viewport();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        QApplication::processEvents();
    };

    drop({file(u"photo.png"_s, "\x89PNG"), file(u"first.TXT"_s, "Dropped first"),
          file(u"second.txt"_s, "Dropped second")});
    QTRY_COMPARE(engine->script(), u"Dropped first"_s);
    QCOMPARE(editorText(), u"Dropped first"_s);
    QVERIFY(alerts.isEmpty());

    drop({file(u"photo.png"_s, "\x89PNG")});
    QCOMPARE(alerts, QStringList{u"That file type isn't supported"_s});
    QCOMPARE(engine->script(), u"Dropped first"_s);
}

void TestCMScriptDesk::longImportShowsProgressAndCancels()
{
    // A sparse file: 250 MB to read, nothing on the disk.
    QFile big(QDir(cmtest::sandboxPath()).filePath(u"Long script.rtf"_s));
    QVERIFY(big.open(QIODevice::WriteOnly | QIODevice::Truncate));
    big.write("{\\rtf1 ");
    QVERIFY(big.resize(250LL * 1024 * 1024));
    big.close();
    engine->setScript(u"Kept"_s);
    engine->setContentHeight(10000);
    engine->jump(300);
    engine->play();

    CMScriptFiles::importFile(*engine, big.fileName());
    QTRY_VERIFY(desk->importProgress()->isVisible());
    const auto *status = desk->importProgress()->findChild<QLabel *>();
    QVERIFY(status->text().startsWith(u"Importing “Long script.rtf”…"_s));
    QVERIFY(engine->running()); // the prompter runs on while the file is read
    QTest::mouseClick(desk->cancelImportButton(), Qt::LeftButton);
    QVERIFY(!desk->importProgress()->isVisible());
    QTest::qWait(100);
    QCOMPARE(engine->script(), u"Kept"_s);
    QVERIFY(engine->running());
    QVERIFY(alerts.isEmpty());
}

void TestCMScriptDesk::badgeFollowsTheFocus()
{
    OVKeys::install([this](const QKeyEvent &key) { return engine->handle(key.key(), key.text()); });
    QCOMPARE(badge->text(), u"Keys control the prompter"_s);
    QCOMPARE(badge->color(), CMColors::green());

    QTest::mouseClick(desk->editor()->viewport(), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), desk->editor());
    QTRY_COMPARE(badge->color(), CMColors::orange());
    QCOMPARE(badge->text(), u"Typing in script — click here for prompter keys"_s);

    QTest::mouseClick(badge, Qt::LeftButton);
    QCOMPARE(badge->color(), CMColors::green());
    QVERIFY(!CMFocus::editing());
    QTest::keyClick(window.get(), Qt::Key_Space);
    QVERIFY(engine->running());
}

QTEST_MAIN(TestCMScriptDesk)
#include "tst_cmscriptdesk.moc"
