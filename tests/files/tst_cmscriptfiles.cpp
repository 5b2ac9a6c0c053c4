#include <engine/cmengine.h>
#include <files/cmimportjob.h>
#include <files/cmscriptfiles.h>
#include <store/cmatomicfile.h>
#include <files/ovalert.h>
#include <files/ovfiledrop.h>
#include <testsupport.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Alert = std::pair<QString, QString>; // title, message

QString sandboxFile(const QString &name, const QByteArray &bytes)
{
    const QString path = QDir(cmtest::sandboxPath()).filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

QList<QUrl> urls(const QStringList &paths)
{
    QList<QUrl> list;
    for (const QString &path : paths)
        list.append(QUrl::fromLocalFile(path));
    return list;
}

} // namespace

// The import and export commands, the alert and the drop target, with alerts captured.
class TestCMScriptFiles : public QObject
{
    Q_OBJECT

private:
    QList<Alert> alerts;
    std::unique_ptr<CMEngine> engine;

private Q_SLOTS:
    void init();
    void cleanup();
    void failedImportKeepsTheScriptAndTheRun();
    void importRunsOffTheMainThread();
    void exportWritesExactBytesOrAlerts();
    void dropFilter_data();
    void dropFilter();
    void outlineFollowsFileDragsOnly();
    void alertFromAnotherThreadIsQueued();
};

void TestCMScriptFiles::init()
{
    cmtest::clearSettings();
    QFile::remove(CMEngine::scriptPath());
    alerts.clear();
    OVAlert::setPresenter([this](const QString &title, const QString &message) {
        alerts.append({title, message});
    });
    engine = std::make_unique<CMEngine>();
    engine->setScript(u"Old script"_s);
}

void TestCMScriptFiles::cleanup()
{
    OVAlert::setPresenter(nullptr);
    engine.reset();
}

void TestCMScriptFiles::failedImportKeepsTheScriptAndTheRun()
{
    engine->setContentHeight(10000);
    engine->jump(500);
    engine->play();
    const QString title = u"Can't open that script"_s;
    std::optional<bool> imported;
    CMScriptFiles::importFile(*engine, sandboxFile(u"bad.docx"_s, "not a zip"), title,
                              [&imported](bool ok) { imported = ok; });
    QTRY_VERIFY(imported.has_value());
    QVERIFY(!*imported);
    QCOMPARE(engine->script(), u"Old script"_s);
    QVERIFY(engine->running());
    QCOMPARE(engine->base(), 500.0);
    QCOMPARE(alerts.size(), 1);
    QCOMPARE(alerts[0].first, title);
    QVERIFY(alerts[0].second.startsWith(u"“bad.docx” couldn't be opened."_s));
}

// The read happens on a thread of its own; the script changes only when it is complete, and
// an overtaken read changes nothing and says nothing.
void TestCMScriptFiles::importRunsOffTheMainThread()
{
    CMImportJob *job = CMImportJob::of(*engine);
    QCOMPARE(CMImportJob::of(*engine), job);
    QSignalSpy finished(job, &CMImportJob::finished);

    CMScriptFiles::importFile(*engine, sandboxFile(u"new.txt"_s, "New script"));
    QVERIFY(job->running());
    QCOMPARE(engine->script(), u"Old script"_s);
    QVERIFY(finished.wait());
    QCOMPARE(finished.last().at(0).toBool(), true);
    QCOMPARE(engine->script(), u"New script"_s);

    std::optional<bool> first;
    CMScriptFiles::importFile(*engine, sandboxFile(u"a.txt"_s, "Overtaken"), QString(),
                              [&first](bool ok) { first = ok; });
    CMScriptFiles::importFile(*engine, sandboxFile(u"b.txt"_s, "Latest"));
    QCOMPARE(first, std::optional<bool>(false));
    QVERIFY(finished.wait());
    QCOMPARE(engine->script(), u"Latest"_s);
    QVERIFY(alerts.isEmpty());
}

void TestCMScriptFiles::exportWritesExactBytesOrAlerts()
{
    engine->setScript(u"Café\r\nline two\n"_s);
    const QString path = sandboxFile(u"Existing.txt"_s, QByteArray(10000, 'x'));
    QVERIFY(CMScriptFiles::exportToFile(*engine, path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), "Caf\xC3\xA9\r\nline two\n"_ba);
    QVERIFY(alerts.isEmpty());

    // A file standing where a folder should be fails for every user, root included.
    const QString blocker = sandboxFile(u"blocker"_s, "x");
    QVERIFY(!CMScriptFiles::exportToFile(*engine, blocker + u"/Script.txt"_s));
    QCOMPARE(engine->script(), u"Café\r\nline two\n"_s);
    QCOMPARE(alerts.size(), 1);
    QCOMPARE(alerts[0].first, u"Couldn't save"_s);
    QVERIFY2(alerts[0].second.startsWith(u"The file “Script.txt” couldn't be saved"_s),
             qPrintable(alerts[0].second));

    // A disk that fills up while writing leaves the file being replaced exactly as it was.
    CMAtomicFile::setFailAfterBytesForTesting(3);
    engine->setScript(u"a script longer than the room left"_s);
    QVERIFY(!CMScriptFiles::exportToFile(*engine, path));
    CMAtomicFile::setFailAfterBytesForTesting(-1);
    QFile again(path); // by name: a file renamed over it would show here
    QVERIFY(again.open(QIODevice::ReadOnly));
    QCOMPARE(again.readAll(), "Caf\xC3\xA9\r\nline two\n"_ba);
    QCOMPARE(alerts.size(), 2);
    QVERIFY2(alerts[1].second.endsWith(u"No space left on device."_s), qPrintable(alerts[1].second));
}

void TestCMScriptFiles::dropFilter_data()
{
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QStringList>("exts");
    QTest::addColumn<QStringList>("accepted");

    const QStringList editor = CMScriptFiles::editorExtensions().values();
    QTest::newRow("rtfd is not for the editor") << QStringList{u"/a/S.rtfd"_s} << editor
                                                << QStringList{};
    QTest::newRow("no extension") << QStringList{u"/a/README"_s} << editor << QStringList{};
    QTest::newRow("empty set takes all") << QStringList{u"/a/p.png"_s, u"/a/x"_s} << QStringList{}
                                         << QStringList{u"/a/p.png"_s, u"/a/x"_s};
}

void TestCMScriptFiles::dropFilter()
{
    QFETCH(QStringList, dropped);
    QFETCH(QStringList, exts);
    QFETCH(QStringList, accepted);
    const QSet<QString> set(exts.begin(), exts.end());
    QCOMPARE(OVFileDrop::accepted(urls(dropped), set), urls(accepted));
}

void TestCMScriptFiles::outlineFollowsFileDragsOnly()
{
    QPlainTextEdit editor;
    editor.resize(400, 300);
    QList<QUrl> received;
    OVFileDrop *drop = OVFileDrop::attach(&editor, {u"txt"_s},
                                          [&received](const QList<QUrl> &u) { received = u; });
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QSignalSpy hovering(drop, &OVFileDrop::hoveringChanged);
    const auto enter = [&editor](const QMimeData &mime) {
        QDragEnterEvent event(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(editor.viewport(), &event);
        return event.isAccepted();
    };

    QMimeData text, remote, files;
    text.setText(u"dragged words"_s);
    remote.setUrls({QUrl(u"https://example.org/a.txt"_s)});
    for (const QMimeData *notFiles : {&text, &remote}) {
        enter(*notFiles);
        QVERIFY(!drop->hovering());
    }
    const QString path = sandboxFile(u"dropped.txt"_s, "Dropped");
    files.setUrls(urls({path}));
    QVERIFY(enter(files));
    QVERIFY(drop->hovering());
    QCOMPARE(hovering.count(), 1);

    // The outline covers the editor but never takes its input.
    const auto overlays = editor.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(std::any_of(overlays.cbegin(), overlays.cend(), [&editor](const QWidget *w) {
        return w->isVisible() && w->testAttribute(Qt::WA_TransparentForMouseEvents)
            && w->geometry() == editor.rect();
    }));

    QDragLeaveEvent leave;
    QApplication::sendEvent(editor.viewport(), &leave);
    QVERIFY(!drop->hovering());

    enter(files);
    QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor.viewport(), &dropped);
    QVERIFY(dropped.isAccepted());
    QVERIFY(!drop->hovering());
    QVERIFY(received.isEmpty()); // delivered after the drop has been answered
    QTRY_COMPARE(received, urls({path}));
    QCOMPARE(editor.toPlainText(), QString());
}

void TestCMScriptFiles::alertFromAnotherThreadIsQueued()
{
    std::unique_ptr<QThread> thread(QThread::create([] { OVAlert::show(u"T"_s, u"M"_s); }));
    thread->start();
    QVERIFY(thread->wait(5000));
    QVERIFY(alerts.isEmpty());
    QTRY_COMPARE(alerts.size(), 1);
    QCOMPARE(alerts[0].first, u"T"_s);
}

QTEST_MAIN(TestCMScriptFiles)
#include "tst_cmscriptfiles.moc"
