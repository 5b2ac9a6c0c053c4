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
    void insertCueLine_data();
    void insertCueLine();
    void clearWhileRunningStopsAtTheTop();
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
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("inserted");

    QTest::newRow("same") << u"abc"_s << u"abc"_s << 3 << 0 << QString();
    QTest::newRow("appended") << u"ab"_s << u"ab\n[Cue]\n"_s << 2 << 0 << u"\n[Cue]\n"_s;
    QTest::newRow("cleared") << u"abc"_s << QString() << 0 << 3 << QString();
    QTest::newRow("from empty") << QString() << u"abc"_s << 0 << 0 << u"abc"_s;
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
    QTEST(engine->script(), "expected");
    QCOMPARE(editorText(), engine->script());
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
    QVERIFY(!engine->running());
    QVERIFY(!engine->finished());
    QCOMPARE(engine->offset(engine->now()), 0.0);
    QVERIFY(!CMFocus::editing());
    QCOMPARE(header->readout()->text(), u"0 words · ~0:00 read"_s);
}

void TestCMScriptDesk::changesFromOutsideAreUndoable_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<double>("offset");
    QTest::newRow("clear") << u"Clear script"_s << QString() << 0.0;
    QTest::newRow("restore sample") << u"Restore sample script"_s << CMEngine::sampleScript()
                                    << 0.0;
    QTest::newRow("insert cue") << u"Insert cue line [ ]"_s << u"First line\nSecond line\n[Cue]\n"_s
                                << 800.0;
    QTest::newRow("import") << u"import"_s << u"Imported\r\ntext"_s << 0.0;
}

void TestCMScriptDesk::changesFromOutsideAreUndoable()
{
    QFETCH(QString, change);
    QFETCH(QString, expected);
    engine->jump(800);
    const QString before = engine->script();
    CMScriptEditor *editor = desk->editor();
    if (change == u"import")
        engine->replaceScript(expected);
    else
        trigger(change);
    QCOMPARE(engine->script(), expected);
    QCOMPARE(editorText(), QString(expected).replace(u"\r\n"_s, u"\n"_s));
    QTEST(engine->offset(engine->now()), "offset");
    QVERIFY(engine->savePending());

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

    drop({file(u"slides.pdf"_s, "%PDF-1.4"), file(u"first.TXT"_s, "Dropped first"),
          file(u"second.txt"_s, "Dropped second")});
    QCOMPARE(editorText(), u"Dropped first"_s);
    QVERIFY(alerts.isEmpty());

    drop({file(u"only.pdf"_s, "%PDF-1.4")});
    drop({file(u"broken.docx"_s, "not a zip")});
    QCOMPARE(engine->script(), u"Dropped first"_s);
    QCOMPARE(alerts,
             (QStringList{u"That file type isn't supported"_s, u"Can't import that script"_s}));
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
