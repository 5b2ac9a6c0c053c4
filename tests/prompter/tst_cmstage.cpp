#include <testsupport.h>

#include "imagetools.h"
#include "samplescript.h"

#include <engine/cmengine.h>
#include <prompter/cmcuereport.h>
#include <prompter/cmoutputs.h>
#include <prompter/cmprompterview.h>
#include <prompter/cmscripttext.h>
#include <prompter/cmtaketime.h>
#include <prompter/cmtextmodel.h>
#include <prompter/cmtimeoverlay.h>

#include <QElapsedTimer>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CMOutputOptions)
Q_DECLARE_METATYPE(std::optional<double>)

namespace {

CMOutputOptions withPicture(CMPicture picture)
{
    CMOutputOptions o;
    o.picture = picture;
    return o;
}

} // namespace

// What the stage is built from: the outputs' remembered options, the time of the take as it is
// read, the cue lines the layout reports, and the time drawn into an output's picture.
class TestCMStage : public QObject
{
    Q_OBJECT

private:
    CMInstant now = CMInstant{} + std::chrono::hours(1000);
    std::unique_ptr<CMEngine> engine;

    CMEngine &makeEngine(const QString &script)
    {
        cmtest::clearSettings();
        engine = std::make_unique<CMEngine>();
        engine->setTimeSource([this] { return now; });
        engine->setScript(script);
        engine->setSettings({.countdown = 0});
        return *engine;
    }

private Q_SLOTS:
    void cleanup();
    void storedOptions_data();
    void storedOptions();
    void optionsRememberedByName();
    void checkedDisplays_data();
    void checkedDisplays();
    void takeTime();
    void parseDuration_data();
    void parseDuration();
    void cuesFollowTheLayout();
    void cueReportsAreThrottled();
    void cuePassInSteps();
    void pictureReadsRightInTheGlass_data();
    void pictureReadsRightInTheGlass();
};

void TestCMStage::cleanup()
{
    CMTimeOverlay::setWallClock({});
    engine.reset();
}

void TestCMStage::storedOptions_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<CMOutputOptions>("expected");
    CMOutputOptions own;
    own.picture = CMPicture::MirrorFlip;
    own.hintBar = false;
    own.showTime = true;
    own.timeCorner = CMCorner::BottomLeft;
    own.live = true;
    QTest::newRow("written and read back") << own.toJson() << own;
    QTest::newRow("nothing") << QByteArray() << CMOutputOptions{};
    QTest::newRow("not JSON") << QByteArray("\xff\xfe{{") << CMOutputOptions{};
    QTest::newRow("a list") << QByteArray("[1,2]") << CMOutputOptions{};
    // Each field on its own: a bad one falls back, the good ones stay.
    CMOutputOptions timeOnly;
    timeOnly.showTime = true;
    QTest::newRow("picture past the last")
        << QByteArray(R"({"picture":9,"showTime":true})") << timeOnly;
    QTest::newRow("picture not whole")
        << QByteArray(R"({"picture":2.5,"showTime":true})") << timeOnly;
    QTest::newRow("corner negative")
        << QByteArray(R"({"timeCorner":-1,"showTime":true})") << timeOnly;
    QTest::newRow("switches as text")
        << QByteArray(R"({"hintBar":"no","live":"yes","showTime":true})") << timeOnly;
    QTest::newRow("longer than any entry of ours")
        << QByteArray(R"({"showTime":true,"x":")" + QByteArray(5000, 'a') + "\"}")
        << CMOutputOptions{};
}

void TestCMStage::storedOptions()
{
    QFETCH(QByteArray, json);
    QTEST(CMOutputOptions::fromJson(json), "expected");
}

void TestCMStage::optionsRememberedByName()
{
    cmtest::clearSettings();
    CMOutputs outputs;
    QSignalSpy changed(&outputs, &CMOutputs::changed);
    // Names that look like paths or groups reach no other display's key.
    const QStringList names{u"HDMI-1"_s, u"HDMI-1/picture"_s, u"\\\\.\\DISPLAY1"_s, u""_s};
    for (qsizetype i = 0; i < names.size(); ++i)
        outputs.setOptions(names[i], withPicture(CMPicture(i + 1)));
    QCOMPARE(changed.count(), names.size());
    outputs.setOptions(names[0], withPicture(CMPicture(1)));
    QCOMPARE(changed.count(), names.size());

    CMOutputs fresh;
    for (qsizetype i = 0; i < names.size(); ++i)
        QCOMPARE(fresh.options(names[i]).picture, CMPicture(i + 1));
    QCOMPARE(fresh.options(u"HDMI-2"_s), CMOutputOptions{});

    // What no version of ours writes reads as an output nobody set up.
    QSettings().setValue(CMOutputs::settingsKey(u"DP-1"_s), 42);
    QSettings().setValue(CMOutputs::settingsKey(u"DP-2"_s), QStringList{u"a"_s, u"b"_s});
    QCOMPARE(CMOutputs().options(u"DP-1"_s), CMOutputOptions{});
    QCOMPARE(CMOutputs().options(u"DP-2"_s), CMOutputOptions{});

    // An output of its own ignores the deck; one like the deck follows it.
    const CMSettings deck{.mirror = true};
    QVERIFY(withPicture(CMPicture::AsDeck).mirror(deck));
    QVERIFY(!withPicture(CMPicture::Flip).mirror(deck) && withPicture(CMPicture::Flip).flip(deck));
}

void TestCMStage::checkedDisplays_data()
{
    QTest::addColumn<QStringList>("connected");
    QTest::addColumn<QStringList>("steps"); // "+NAME" checks, "-NAME" unchecks, "!" refused
    QTest::addColumn<QStringList>("checked");
    const QStringList two{u"LEFT"_s, u"RIGHT"_s};
    const QStringList three{u"LEFT"_s, u"RIGHT"_s, u"TV"_s};
    QTest::newRow("one display") << QStringList{u"LEFT"_s} << QStringList{}
                                 << QStringList{u"LEFT"_s};
    QTest::newRow("two: the second is proposed") << two << QStringList{} << QStringList{u"RIGHT"_s};
    QTest::newRow("none connected") << QStringList{} << QStringList{} << QStringList{};
    QTest::newRow("both checked") << two << QStringList{u"+LEFT"_s} << two;
    QTest::newRow("the proposal unchecked for another")
        << two << QStringList{u"+LEFT"_s, u"-RIGHT"_s} << QStringList{u"LEFT"_s};
    QTest::newRow("the last one stays")
        << two << QStringList{u"-RIGHT!"_s} << QStringList{u"RIGHT"_s};
    QTest::newRow("display order, not the order of clicks")
        << three << QStringList{u"+TV"_s, u"+LEFT"_s, u"-RIGHT"_s}
        << QStringList{u"LEFT"_s, u"TV"_s};
    QTest::newRow("a display not connected is refused")
        << two << QStringList{u"+TV!"_s} << QStringList{u"RIGHT"_s};
}

void TestCMStage::checkedDisplays()
{
    QFETCH(QStringList, connected);
    QFETCH(QStringList, steps);
    cmtest::clearSettings();
    CMOutputs outputs;
    for (QString step : steps) {
        const bool refused = step.endsWith(u'!');
        step.remove(u'!');
        QCOMPARE(outputs.setChecked(connected, step.mid(1), step.startsWith(u'+')), !refused);
    }
    QTEST(outputs.checked(connected), "checked");
    QTEST(CMOutputs().checked(connected), "checked");
    // A display that is not there never goes live; the others keep their choice.
    if (connected.size() == 3)
        QCOMPARE(outputs.checked({u"LEFT"_s, u"RIGHT"_s}), (QStringList{u"LEFT"_s}));
}

// Whole seconds as they are read: elapsed down, remaining up (0:00 at the end, not before),
// over/under to the nearest; hours once there are any, and a dash where nothing is left to run.
void TestCMStage::takeTime()
{
    CMEngine &e = makeEngine(QString());
    e.setContentHeight(114.48 * 100); // 100 s at speed 3
    e.setTargetDuration(90);
    e.play();
    now = addSeconds(now, 3);
    QCOMPARE(CMTakeTime::at(e, now), (CMTakeTime{3, 97, 10}));
    now = addSeconds(now, 0.4);
    QCOMPARE(CMTakeTime::at(e, now), (CMTakeTime{3, 97, 10}));
    now = addSeconds(now, 96.5);
    QCOMPARE(CMTakeTime::at(e, now), (CMTakeTime{99, 1, 10}));
    e.setSettings({.speed = 0, .countdown = 0});
    QCOMPARE(CMTakeTime::at(e, now), (CMTakeTime{99, std::nullopt, std::nullopt}));

    QCOMPARE((CMTakeTime{30, 180, 0}).line(), u"ELAPSED 0:30 · LEFT 3:00 · ON TIME"_s);
    QCOMPARE((CMTakeTime{3725, std::nullopt, std::nullopt}).line(), u"ELAPSED 1:02:05 · LEFT —"_s);
}

void TestCMStage::parseDuration_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<double>>("seconds");
    const auto row = [](const char *text, std::optional<double> seconds) {
        QTest::newRow(text) << QString::fromUtf8(text) << seconds;
    };
    row("3:30", 210);
    row(" 0:45 ", 45);
    row("5", 300); // whole minutes
    row("90:00", 5400);
    row("1:02:03", 3723);
    row("24:00:00", 86400);
    row("", 0); // no target
    row("3:75", std::nullopt);
    row("1:60:00", std::nullopt);
    row("24:00:01", std::nullopt);
    row("-3", std::nullopt);
    row("3.5", std::nullopt);
    row("abc", std::nullopt);
    row("1:2:3:4", std::nullopt);
    row("99999999999", std::nullopt);
}

void TestCMStage::parseDuration()
{
    QFETCH(QString, text);
    QTEST(CMTakeTimeText::parseDuration(text), "seconds");
}

// The engine gets where the layout puts each cue line, from the event loop, and keeps
// getting it as the layout moves.
void TestCMStage::cuesFollowTheLayout()
{
    CMEngine &e = makeEngine(samplescript::script(40));
    const auto model = CMTextModel::forEngine(e);
    CMScriptText &text = model->text();
    const auto expected = [&text] {
        text.measureAll();
        return CMCueReport::collect(text);
    };
    QVERIFY(e.cues().isEmpty()); // deferred, never during the change
    QTRY_COMPARE(e.cues(), expected());
    const QList<CMCue> first = e.cues();
    QVERIFY(first.size() >= 5);
    for (const CMCue &cue : first) {
        QCOMPARE(text.kind(cue.line), CMRowKind::Cue);
        QCOMPARE(cue.offset, text.rowTop(cue.line));
        QVERIFY(cue.text.startsWith(u'['));
    }

    const auto change = [&](const QString &script) {
        e.setScript(script);
        QTRY_COMPARE(e.cues(), expected());
    };
    // A line above every cue moves them all down; their texts are not copied again.
    change(u"A new first line\n"_s + e.script());
    QCOMPARE(e.cues().size(), first.size());
    QVERIFY(e.cues()[1].offset > first[1].offset);
    QVERIFY(e.cues()[1].text.isSharedWith(first[1].text));
    // A cue line added and one removed.
    change(e.script() + u"\n[Wrap]"_s);
    QCOMPARE(e.cues().last().text, u"[Wrap]"_s);
    change(QString(e.script()).replace(first[0].text + u'\n', QString()));
    QCOMPARE(e.cues().size(), first.size());
    // A new size moves every cue once the rows are measured again.
    const double before = e.cues().last().offset;
    e.setSettings({.fontSize = 100, .countdown = 0});
    QTRY_COMPARE(e.cues(), expected());
    QVERIFY(e.cues().last().offset > before);
    change(QString());
    QVERIFY(e.cues().isEmpty());
}

// Typing in a long script costs one pass over its rows a quarter of a second at most.
void TestCMStage::cueReportsAreThrottled()
{
    CMEngine &e = makeEngine(samplescript::script(10000));
    const auto model = CMTextModel::forEngine(e);
    QTRY_VERIFY(!e.cues().isEmpty());
    QSignalSpy reported(&e, &CMEngine::cuesChanged);
    QElapsedTimer typing;
    typing.start();
    QString script = e.script();
    for (int key = 0; key < 40; ++key) {
        script.prepend(u'x'); // the first line grows, moving no cue: the same list each time
        script.prepend(u"\n"_s);
        e.setScript(script);
        QCoreApplication::processEvents();
    }
    const qint64 ms = typing.elapsed();
    QTRY_COMPARE(e.cues(), CMCueReport::collect(model->text()));
    QCOMPARE_LE(reported.count(), 2 + ms / CMCueReport::intervalMs);
}

// A pass over a long script goes in steps between frames. Lines added while the engine's report
// is halfway through its pass: the list it reports is the layout's, never a mix.
void TestCMStage::cuePassInSteps()
{
    CMEngine &e = makeEngine(QString());
    CMScriptText big;
    big.setScript(samplescript::script(200000));
    CMCueReport reporter(e, big);
    while (!reporter.step()) {
    }
    QCOMPARE(e.cues(), CMCueReport::collect(big));
    QVERIFY(!reporter.step()); // a new pass, under way
    big.setScript(u"[New first cue]\n"_s + big.script().toString());
    reporter.schedule();
    while (!reporter.step()) {
    }
    QCOMPARE(e.cues(), CMCueReport::collect(big));
    QCOMPARE(e.cues()[0].text, u"[New first cue]"_s);
}

void TestCMStage::pictureReadsRightInTheGlass_data()
{
    QTest::addColumn<CMCorner>("corner");
    QTest::addColumn<bool>("mirror");
    QTest::addColumn<bool>("flip");
    QTest::newRow("top right, as it is") << CMCorner::TopRight << false << false;
    QTest::newRow("top right, mirrored") << CMCorner::TopRight << true << false;
    QTest::newRow("bottom left, flipped") << CMCorner::BottomLeft << false << true;
    QTest::newRow("top left, half turn") << CMCorner::TopLeft << true << true;
}

// An output's own mirror and flip turn its whole picture: text, countdown and the time read the
// right way round in the glass, the time in the corner the operator chose.
void TestCMStage::pictureReadsRightInTheGlass()
{
    QFETCH(CMCorner, corner);
    QFETCH(bool, mirror);
    QFETCH(bool, flip);
    CMTimeOverlay::setWallClock([] { return QTime(14, 5); });
    CMEngine &e = makeEngine(u"[Smile]\nGood evening, and welcome.\nTonight: [pause] the news."_s);
    e.setTargetDuration(60);
    e.setSettings({.countdown = 3, .cueLine = false});
    CMPrompterView upright(e, false);
    CMPrompterView turned(e, false);
    for (CMPrompterView *view : {&upright, &turned}) {
        view->resize(1280, 720);
        view->setTimeCorner(corner);
        (void)view->grab();
    }
    QCoreApplication::processEvents(); // the views' reports reach the engine
    e.play();
    now = addSeconds(now, 0.5);
    turned.setPicture(mirror, flip);
    const QImage reading = turned.grab().toImage().mirrored(mirror, flip);
    const QImage reference = upright.grab().toImage();
    QCOMPARE_LE(imagetools::differing(reading, reference, 24), 40);

    // In the chosen corner and in no other.
    const CMCanvasGeometry &g = upright.canvasGeometry();
    for (const CMCorner c :
         {CMCorner::TopLeft, CMCorner::TopRight, CMCorner::BottomLeft, CMCorner::BottomRight}) {
        const QRect where = g.toView().mapRect(CMTimeOverlay::box(g, c, 300)).toAlignedRect();
        QCOMPARE(imagetools::count(reference, where) > 0, c == corner);
    }
    QVERIFY(CMTimeOverlay::text(CMTakeTime::at(e, now), QTime(14, 5))
                .startsWith(u"14:05 · ELAPSED 0:00 · LEFT "_s));
}

QTEST_MAIN(TestCMStage)
#include "tst_cmstage.moc"
