#include <engine/cmengine.h>
#include <engine/cmfocus.h>
#include <engine/ovkeys.h>
#include <files/ovalert.h>
#include <kit/ovlettering.h>
#include <mainwindow/cmheader.h>
#include <mainwindow/cmkeysbadge.h>
#include <mainwindow/cmlayout.h>
#include <mainwindow/cmscriptdesk.h>
#include <mainwindow/cmscripteditor.h>
#include <mainwindow/cmtextdiff.h>
#include <testsupport.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTest>
#include <QVBoxLayout>

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
    void typingReachesTheEngineAndTheHeader();
    void insertCueLine_data();
    void insertCueLine();
    void clearWhileRunningStopsAtTheTop();
    void restoreSampleScript();
    void changesFromOutsideAreUndoable_data();
    void changesFromOutsideAreUndoable();
    void dropImportsOnlyTheFirstAcceptedFile();
    void badgeFollowsTheFocus();
};

void TestCMScriptDesk::init()
{
    QSettings().clear();
    QFile::remove(CMEngine::scriptPath());
    alerts.clear();
    OVAlert::setPresenter(
        [this](const QString &title, const QString &) { alerts.append(title); });
    engine = std::make_unique<CMEngine>();
    engine->setScript(u"First line\nSecond line"_s);
    engine->setContentHeight(5000);
    CMFocus::follow(*engine);

    window = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(window.get());
    header = new CMHeader(*engine);
    desk = new CMScriptDesk(*engine);
    badge = new CMKeysBadge;
    layout->addWidget(header);
    layout->addWidget(desk);
    layout->addWidget(badge);
    window->resize(420, 600);
    window->show();
    QApplication::setActiveWindow(window.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
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
    QTest::addColumn<qsizetype>("position");
    QTest::addColumn<qsizetype>("removed");
    QTest::addColumn<QString>("inserted");

    QTest::newRow("same") << u"abc"_s << u"abc"_s << qsizetype(3) << qsizetype(0) << QString();
    QTest::newRow("appended") << u"ab"_s << u"ab\n[Cue]\n"_s << qsizetype(2) << qsizetype(0)
                              << u"\n[Cue]\n"_s;
    QTest::newRow("cleared") << u"abc"_s << QString() << qsizetype(0) << qsizetype(3) << QString();
    QTest::newRow("from empty") << QString() << u"abc"_s << qsizetype(0) << qsizetype(0)
                                << u"abc"_s;
    QTest::newRow("middle") << u"one two three"_s << u"one 2 three"_s << qsizetype(4)
                            << qsizetype(3) << u"2"_s;
    // The common suffix never overlaps the common prefix.
    QTest::newRow("repeated letter") << u"aaa"_s << u"aaaa"_s << qsizetype(3) << qsizetype(0)
                                     << u"a"_s;
    QTest::newRow("removed repeat") << u"abab"_s << u"ab"_s << qsizetype(2) << qsizetype(2)
                                    << QString();
    // Two emoji sharing their high surrogate: the pair is replaced whole.
    QTest::newRow("shared high surrogate") << u"x\U0001F600y"_s << u"x\U0001F601y"_s
                                           << qsizetype(1) << qsizetype(2) << u"\U0001F601"_s;
    QTest::newRow("shared low surrogate") << u"a\U0001F600"_s << u"b\U0001F200"_s << qsizetype(0)
                                          << qsizetype(3) << u"b\U0001F200"_s;
}

void TestCMScriptDesk::textDiff()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    const CMTextDiff diff = CMTextDiff::between(before, after);
    QFETCH(qsizetype, position);
    QCOMPARE(diff.position, position);
    QFETCH(qsizetype, removed);
    QCOMPARE(diff.removed, removed);
    QFETCH(QString, inserted);
    QCOMPARE(diff.inserted, inserted);
    QString applied = before;
    applied.replace(diff.position, diff.removed, diff.inserted);
    QCOMPARE(applied, after);
}

void TestCMScriptDesk::typingReachesTheEngineAndTheHeader()
{
    CMScriptEditor *editor = desk->editor();
    editor->setFocus();
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, u" and more"_s);
    QCOMPARE(engine->script(), u"First line\nSecond line and more"_s);
    QCOMPARE(header->readout()->text(), CMHeader::readoutText(6));
    QVERIFY(engine->savePending());
    // The editor's own edits are not fed back to it: its Undo still takes back typing.
    editor->undo();
    QCOMPARE(engine->script(), editorText());
    QVERIFY(engine->script().size() < u"First line\nSecond line and more"_s.size());
}

void TestCMScriptDesk::insertCueLine_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one line") << u"Hello there"_s << u"Hello there\n[Cue]\n"_s;
    QTest::newRow("empty") << QString() << u"\n[Cue]\n"_s;
}

void TestCMScriptDesk::insertCueLine()
{
    QFETCH(QString, script);
    engine->setScript(script);
    CMScriptEditor *editor = desk->editor();
    editor->setFocus();
    editor->moveCursor(QTextCursor::Start);
    engine->play();

    trigger(u"Insert cue line [ ]"_s);
    QFETCH(QString, expected);
    QCOMPARE(engine->script(), expected);
    QCOMPARE(editorText(), engine->script());
    QVERIFY(engine->savePending());
    // Appended wherever the caret is; the caret before it, the focus and the run stay.
    if (!script.isEmpty())
        QCOMPARE(editor->textCursor().position(), 0);
    QCOMPARE(QApplication::focusWidget(), editor);
    QVERIFY(engine->running());
}

void TestCMScriptDesk::clearWhileRunningStopsAtTheTop()
{
    CMSettings s = engine->settings();
    s.countdown = 0;
    engine->setSettings(s);
    engine->play();
    engine->jump(1200);
    desk->editor()->setFocus();

    trigger(u"Clear script"_s);
    QCOMPARE(engine->script(), QString());
    QCOMPARE(editorText(), QString());
    QVERIFY(!engine->running());
    QVERIFY(!engine->finished());
    QCOMPARE(engine->offset(engine->now()), 0.0);
    QVERIFY(!CMFocus::editing());
    QCOMPARE(header->readout()->text(), u"0 words · ~0:00 read"_s);
}

void TestCMScriptDesk::restoreSampleScript()
{
    engine->jump(800);
    trigger(u"Restore sample script"_s);
    QCOMPARE(engine->script(), CMEngine::sampleScript());
    QCOMPARE(editorText(), CMEngine::sampleScript());
    QCOMPARE(engine->offset(engine->now()), 0.0);
    QVERIFY(engine->savePending());
}

void TestCMScriptDesk::changesFromOutsideAreUndoable_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("clear") << u"Clear script"_s;
    QTest::newRow("restore") << u"Restore sample script"_s;
    QTest::newRow("insert cue") << u"Insert cue line [ ]"_s;
    QTest::newRow("import") << u"import"_s;
}

void TestCMScriptDesk::changesFromOutsideAreUndoable()
{
    QFETCH(QString, change);
    const QString before = engine->script();
    CMScriptEditor *editor = desk->editor();
    if (change == u"import")
        engine->replaceScript(u"Imported\r\ntext"_s);
    else
        trigger(change);
    QVERIFY(engine->script() != before);
    QVERIFY(editor->document()->isUndoAvailable());

    editor->undo();
    QCOMPARE(editorText(), before);
    QCOMPARE(engine->script(), before);
    QVERIFY(!editor->document()->isUndoAvailable());
    editor->redo();
    QCOMPARE(engine->script(), editorText());
    QVERIFY(engine->script() != before);
}

void TestCMScriptDesk::dropImportsOnlyTheFirstAcceptedFile()
{
    const QDir dir(cmtest::sandboxPath());
    const auto file = [&dir](const QString &name, const QByteArray &bytes) {
        QFile f(dir.filePath(name));
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

    drop({file(u"slides.pdf"_s, "%PDF-1.4"), file(u"first.TXT"_s, "Dropped first"),
          file(u"second.txt"_s, "Dropped second")});
    QCOMPARE(engine->script(), u"Dropped first"_s);
    QCOMPARE(editorText(), u"Dropped first"_s);
    QVERIFY(alerts.isEmpty());

    drop({file(u"only.pdf"_s, "%PDF-1.4")});
    QCOMPARE(engine->script(), u"Dropped first"_s);
    QCOMPARE(alerts, QStringList{u"That file type isn't supported"_s});

    drop({file(u"broken.docx"_s, "not a zip")});
    QCOMPARE(engine->script(), u"Dropped first"_s);
    QCOMPARE(alerts.last(), u"Can't import that script"_s);
}

void TestCMScriptDesk::badgeFollowsTheFocus()
{
    OVKeys::install([this](const QKeyEvent &key) { return engine->handle(key.key(), key.text()); });
    QVERIFY(!badge->editing());
    QCOMPARE(badge->text(), u"Keys control the prompter"_s);
    QCOMPARE(badge->symbol(), u"keyboard"_s);

    QTest::mouseClick(desk->editor()->viewport(), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), desk->editor());
    QTRY_VERIFY(badge->editing());
    QCOMPARE(badge->text(), u"Typing in script — click here for prompter keys"_s);
    QCOMPARE(badge->symbol(), u"character.cursor.ibeam"_s);
    QVERIFY(badge->toolTip().startsWith(u"Space, arrows and R are typing"_s));
    QCOMPARE(badge->color(), CMColors::orange());

    QTest::mouseClick(badge, Qt::LeftButton);
    QVERIFY(!badge->editing());
    QVERIFY(!CMFocus::editing());
    QTest::keyClick(window.get(), Qt::Key_Space);
    QVERIFY(engine->running());
}

QTEST_MAIN(TestCMScriptDesk)
#include "tst_cmscriptdesk.moc"
