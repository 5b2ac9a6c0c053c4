#include "deskfixture.h"

#include <mainwindow/cmscripteditor.h>

using namespace Qt::StringLiterals;

// A text from outside too long for one turn of the event loop reaches the editor in slices.
class TestCMScriptEditor : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CMEngine> engine;
    std::unique_ptr<QWidget> window;
    CMScriptEditor *editor = nullptr;
    CMInstant clock;

    void waitForSlices()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!editor->isReadOnly(), 20000);
    }

private Q_SLOTS:
    void init()
    {
        engine = handClockEngine(clock);
        engine->setScript(u"First line\nSecond line"_s);
        window = std::make_unique<QWidget>();
        editor = new CMScriptEditor(*engine);
        QVERIFY(showStacked(*window, QSize(420, 600), {editor}));
    }

    void cleanup()
    {
        window.reset();
        engine.reset();
    }

    void longTextArrivesWhole_data()
    {
        QTest::addColumn<QString>("script");
        const qsizetype slice = CMScriptEditor::kSlice;
        QString lines;
        for (int i = 0; lines.size() < 3 * slice; ++i)
            lines += u"Line %1 of a long script, with words 🎬 enough to count.\n"_s.arg(i);
        QTest::newRow("lines") << lines;
        // No line end to cut at: a slice must not end between the halves of a surrogate pair.
        QString line = QString(u"word "_s).repeated(int(slice / 5));
        line.truncate(slice - 1);
        QTest::newRow("one line, cut inside a pair") << (line + u"🙏 and more words"_s);
    }

    // Whole, read-only until then, and one undo brings the old script back.
    void longTextArrivesWhole()
    {
        QFETCH(QString, script);
        engine->replaceScript(script);
        QVERIFY(editor->isReadOnly());
        waitForSlices();
        QCOMPARE(editor->toPlainText(), engine->script());
        editor->undo();
        QCOMPARE(engine->script(), u"First line\nSecond line"_s);
        QCOMPARE(editor->toPlainText(), engine->script());
        editor->redo();
        QCOMPARE(engine->script(), script);
    }

    // A change from outside while slices remain: the editor ends with the newest script and
    // the typist's edits go to the engine again.
    void changeWhileSlicing()
    {
        QString longScript;
        while (longScript.size() < 2 * CMScriptEditor::kSlice)
            longScript += u"An imported line that goes on for a while.\n"_s;
        engine->replaceScript(longScript);
        QVERIFY(editor->isReadOnly());
        engine->replaceScript(u"Short again"_s);
        QVERIFY(!editor->isReadOnly());
        QCOMPARE(editor->toPlainText(), u"Short again"_s);
        editor->undo();
        QCOMPARE(engine->script(), longScript);
        editor->undo();
        QCOMPARE(engine->script(), u"First line\nSecond line"_s);
        editor->setFocus();
        editor->moveCursor(QTextCursor::End);
        QTest::keyClicks(editor, u"!"_s);
        QCOMPARE(engine->script(), u"First line\nSecond line!"_s);
    }
};

QTEST_MAIN(TestCMScriptEditor)
#include "tst_cmscripteditor.moc"
