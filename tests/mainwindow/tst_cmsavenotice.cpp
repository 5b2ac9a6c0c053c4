#include "deskfixture.h"

#include <files/ovalert.h>
#include <mainwindow/cmsavenotice.h>
#include <store/cmatomicfile.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Answers the modal windows the quit path opens, one answer each, in order: a button of the
// question by its text, or a path for the save panel. What it saw is kept to compare.
class Answers : public QObject
{
public:
    explicit Answers(QStringList answers) : m_answers(std::move(answers))
    {
        m_poll.setInterval(10);
        connect(&m_poll, &QTimer::timeout, this, &Answers::answer);
        m_poll.start();
    }

    QStringList seen; // "question: BUTTONS" or "panel"

private:
    void answer()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || m_answers.isEmpty())
            return;
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            QStringList buttons;
            for (QAbstractButton *button : box->buttons())
                buttons << button->text();
            buttons.sort();
            seen << u"question: "_s + buttons.join(u", "_s);
            const QString wanted = m_answers.takeFirst();
            for (QAbstractButton *button : box->buttons()) {
                if (button->text() == wanted)
                    return button->click();
            }
            box->reject();
        } else if (auto *panel = qobject_cast<QFileDialog *>(modal)) {
            seen << u"panel"_s;
            const QString path = m_answers.takeFirst();
            if (path.isEmpty())
                return panel->reject();
            panel->selectFile(path);
            static_cast<QDialog *>(panel)->accept(); // as the Save button does
        }
    }

    QStringList m_answers;
    QTimer m_poll;
};

} // namespace

// The line under the editor that says a save failed, and the question at quit.
class TestCMSaveNotice : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CMEngine> engine;
    CMInstant clock;

private Q_SLOTS:
    void init();
    void cleanup();
    void noticeFollowsTheSaveStatus();
    void quitAsksOnlyWhenTheScriptCannotBeSaved_data();
    void quitAsksOnlyWhenTheScriptCannotBeSaved();
};

void TestCMSaveNotice::init()
{
    QFile::remove(CMEngine::scriptPath());
    engine = handClockEngine(clock);
    engine->setSaveTimingsForTesting(20, 100);
}

void TestCMSaveNotice::cleanup()
{
    CMAtomicFile::setFailAfterBytesForTesting(-1);
    engine.reset();
}

void TestCMSaveNotice::noticeFollowsTheSaveStatus()
{
    QWidget window;
    auto *notice = new CMSaveNotice(*engine);
    QVERIFY(showStacked(window, QSize(420, 200), {notice, nullptr}));
    QVERIFY(!notice->isVisible());

    CMAtomicFile::setFailAfterBytesForTesting(0);
    engine->setScript(u"words on a full disk"_s);
    QTRY_VERIFY(notice->isVisible());
    const QString folder = QFileInfo(CMEngine::scriptPath()).absolutePath();
    QVERIFY2(notice->text().startsWith(u"Couldn't save the script \u2014 No space left on device."
                                       u" Folder: \u201C%1\u201D."_s.arg(folder)),
             qPrintable(notice->text()));

    CMAtomicFile::setFailAfterBytesForTesting(-1); // space again: the retry saves it
    QTRY_VERIFY(!notice->isVisible());
    QCOMPARE(readFile(CMEngine::scriptPath()), "words on a full disk"_ba);
}

void TestCMSaveNotice::quitAsksOnlyWhenTheScriptCannotBeSaved_data()
{
    QTest::addColumn<QString>("fault"); // none, full (every write fails), read-only (the
                                        // autosave's folder only)
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("quits");
    QTest::addColumn<QStringList>("alerts");
    const QString saveAs = u"Save As\u2026"_s;
    const QString rescue = u"rescue.txt"_s;
    QTest::newRow("saved: no question") << u"none"_s << QStringList() << true << QStringList();
    QTest::newRow("cancel") << u"full"_s << QStringList{u"Cancel"_s} << false << QStringList();
    QTest::newRow("quit anyway") << u"full"_s << QStringList{u"Quit Anyway"_s} << true
                                 << QStringList();
    QTest::newRow("save as elsewhere") << u"read-only"_s << QStringList{saveAs, rescue} << true
                                       << QStringList();
    QTest::newRow("save as on the same full disk, then quit anyway")
        << u"full"_s << QStringList{saveAs, rescue, u"Quit Anyway"_s} << true
        << QStringList{u"Couldn't save"_s};
    QTest::newRow("save panel cancelled, then cancel")
        << u"full"_s << QStringList{saveAs, QString(), u"Cancel"_s} << false << QStringList();
}

// With the script on disk, quitting goes on at once. When it can't be saved, a question
// offers Save As…, Quit Anyway and Cancel, and asks again after a cancelled or failed Save As.
void TestCMSaveNotice::quitAsksOnlyWhenTheScriptCannotBeSaved()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, answers);
    QFETCH(bool, quits);
    QFETCH(QStringList, alerts);
    QStringList alerted;
    OVAlert::setPresenter([&alerted](const QString &title, const QString &) { alerted << title; });
    QWidget window;
    QVERIFY(showStacked(window, QSize(300, 200), {nullptr}));
    engine->setScript(u"the last words"_s);
    std::optional<cmtest::ReadOnlyFolder> readOnly;
    if (fault == u"read-only"_s) {
        readOnly.emplace(QFileInfo(CMEngine::scriptPath()).absolutePath());
        if (readOnly->way() == cmtest::ReadOnlyFolder::Way::Injected)
            QSKIP("This superuser may not mount: no folder refuses writes while others take them.");
    }
    CMAtomicFile::setFailAfterBytesForTesting(fault == u"full"_s ? 0 : -1);
    const QString rescue = QDir(cmtest::sandboxPath()).filePath(u"rescue.txt"_s);
    QStringList expected;
    for (QString &answer : answers) {
        const bool path = answer.isEmpty() || answer.endsWith(u".txt"_s);
        expected << (path ? u"panel"_s : u"question: Cancel, Quit Anyway, Save As\u2026"_s);
        if (!answer.isEmpty() && path)
            answer = rescue;
    }

    Answers answering(answers);
    QCOMPARE(CMSaveGuard::mayQuit(*engine, &window), quits);
    QCOMPARE(answering.seen, expected);
    QCOMPARE(alerted, alerts);
    QCOMPARE(readFile(CMEngine::scriptPath()), fault == u"none"_s ? "the last words"_ba
                                                                   : QByteArray());
    const bool rescued = answers.contains(rescue) && alerts.isEmpty();
    QCOMPARE(readFile(rescue), rescued ? "the last words"_ba : QByteArray());
    QFile::remove(rescue);
}

QTEST_MAIN(TestCMSaveNotice)
#include "tst_cmsavenotice.moc"
