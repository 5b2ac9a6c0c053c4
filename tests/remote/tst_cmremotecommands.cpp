#include <QJsonDocument>
#include <QTest>
#include <engine/cmengine.h>
#include <engine/cmmath.h>
#include <remote/cmremotecommands.h>

using namespace Qt::StringLiterals;

// The commands every remote shares, run on an engine with a clock the test sets.
class TestCMRemoteCommands : public QObject
{
    Q_OBJECT

    CMInstant m_now = CMClock::now();
    CMRemoteHooks m_hooks;
    QList<int> m_wentLive;

    static QJsonObject json(const char *text)
    {
        return QJsonDocument::fromJson(QByteArray(text)).object();
    }

    std::unique_ptr<CMEngine> engine()
    {
        auto e = std::make_unique<CMEngine>();
        e->setTimeSource([this] { return m_now; });
        e->replaceScript(u"One\n[Cue A]\nTwo\n[Cue B]\nThree"_s);
        e->setContentHeight(5000);
        e->setViewportHeight(1000);
        e->setCues({{1, u"[Cue A]"_s, 1000}, {3, u"[Cue B]"_s, 3000}});
        CMSettings s; // not what an earlier test left in the store
        s.countdown = 0;
        e->setSettings(s);
        m_hooks.goLive = [this, raw = e.get()](int screen) {
            m_wentLive << screen;
            raw->setLive(true);
        };
        m_hooks.endLive = [raw = e.get()] { raw->setLive(false); };
        return e;
    }

private Q_SLOTS:
    void init() { m_wentLive.clear(); }
    void commandsMoveTheEngine_data();
    void commandsMoveTheEngine();
    void refusedCommandsChangeNothing_data();
    void refusedCommandsChangeNothing();
    void liveGoesThroughTheHooks();
    void settingsPatch_data();
    void settingsPatch();
    void refusedPatchChangesNothing_data();
    void refusedPatchChangesNothing();
};

void TestCMRemoteCommands::commandsMoveTheEngine_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<double>("startOffset");
    QTest::addColumn<bool>("startRunning");
    QTest::addColumn<double>("offset");
    QTest::addColumn<bool>("running");
    QTest::addColumn<double>("speed");

    QTest::newRow("toggle starts")
        << QByteArray(R"({"command":"toggle"})") << 0.0 << false << 0.0 << true << 3.0;
    QTest::newRow("toggle stops") << QByteArray(R"({"command":"toggle"})") << 100.0 << true << 100.0
                                  << false << 3.0;
    QTest::newRow("play while running keeps running")
        << QByteArray(R"({"command":"play"})") << 100.0 << true << 100.0 << true << 3.0;
    QTest::newRow("pause") << QByteArray(R"({"command":"pause"})") << 100.0 << true << 100.0
                           << false << 3.0;
    QTest::newRow("faster") << QByteArray(R"({"command":"faster"})") << 0.0 << false << 0.0 << false
                            << 3.5;
    QTest::newRow("slower") << QByteArray(R"({"command":"slower"})") << 0.0 << false << 0.0 << false
                            << 2.5;
    QTest::newRow("speed clamps like the knob")
        << QByteArray(R"({"command":"speed","value":42})") << 0.0 << false << 0.0 << false << 10.0;
    QTest::newRow("top") << QByteArray(R"({"command":"top"})") << 700.0 << true << 0.0 << false
                         << 3.0;
    QTest::newRow("end") << QByteArray(R"({"command":"end"})") << 700.0 << false << 5000.0 << false
                         << 3.0;
    QTest::newRow("jump by points") << QByteArray(R"({"command":"jump","points":-250})") << 700.0
                                    << false << 450.0 << false << 3.0;
    QTest::newRow("jump by screens") << QByteArray(R"({"command":"jump","screens":0.5})") << 700.0
                                     << false << 1200.0 << false << 3.0;
    QTest::newRow("jump past the end stops there")
        << QByteArray(R"({"command":"jump","points":1e8})") << 700.0 << false << 5000.0 << false
        << 3.0;
    QTest::newRow("jump back is the keyboard's")
        << QByteArray(R"({"command":"jump-back"})") << 700.0 << false << 300.0 << false << 3.0;
    QTest::newRow("jump ahead is the keyboard's")
        << QByteArray(R"({"command":"jump-ahead"})") << 700.0 << false << 1100.0 << false << 3.0;
    QTest::newRow("jump to") << QByteArray(R"({"command":"jump-to","offset":2500})") << 700.0
                             << false << 2500.0 << false << 3.0;
    QTest::newRow("next cue") << QByteArray(R"({"command":"next-cue"})") << 1500.0 << false
                              << 3000.0 << false << 3.0;
    QTest::newRow("previous cue") << QByteArray(R"({"command":"previous-cue"})") << 3500.0 << false
                                  << 3000.0 << false << 3.0;
    QTest::newRow("cue by index") << QByteArray(R"({"command":"cue","index":0})") << 3500.0 << false
                                  << 1000.0 << false << 3.0;
}

void TestCMRemoteCommands::commandsMoveTheEngine()
{
    QFETCH(QByteArray, command);
    QFETCH(double, startOffset);
    QFETCH(bool, startRunning);
    QFETCH(double, offset);
    QFETCH(bool, running);
    QFETCH(double, speed);
    auto e = engine();
    e->jumpTo(startOffset);
    if (startRunning)
        e->play();
    const auto outcome = CMRemoteCommands::run(*e, json(command), m_hooks);
    QVERIFY2(outcome.ok(), qPrintable(outcome.error));
    QCOMPARE(e->running(), running);
    QCOMPARE(e->offset(m_now), offset);
    QCOMPARE(e->settings().speed, speed);
}

void TestCMRemoteCommands::refusedCommandsChangeNothing_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("no name") << QByteArray(R"({"points":3})");
    QTest::newRow("name not a string") << QByteArray(R"({"command":7})");
    QTest::newRow("unknown") << QByteArray(R"({"command":"rewind"})");
    QTest::newRow("jump without distance") << QByteArray(R"({"command":"jump"})");
    QTest::newRow("jump with both") << QByteArray(R"({"command":"jump","points":1,"screens":1})");
    QTest::newRow("jump by text") << QByteArray(R"({"command":"jump","points":"far"})");
    QTest::newRow("jump too far") << QByteArray(R"({"command":"jump","points":1e300})");
    QTest::newRow("speed by text") << QByteArray(R"({"command":"speed","value":"fast"})");
    QTest::newRow("no such cue") << QByteArray(R"({"command":"cue","index":2})");
    QTest::newRow("negative cue") << QByteArray(R"({"command":"cue","index":-1})");
    QTest::newRow("fractional cue") << QByteArray(R"({"command":"cue","index":0.5})");
    QTest::newRow("mirror by number") << QByteArray(R"({"command":"mirror","on":1})");
    QTest::newRow("live on no display number") << QByteArray(R"({"command":"live","screen":-2})");
}

void TestCMRemoteCommands::refusedCommandsChangeNothing()
{
    QFETCH(QByteArray, command);
    auto e = engine();
    e->jumpTo(700);
    const CMSettings before = e->settings();
    const auto outcome = CMRemoteCommands::run(*e, json(command), m_hooks);
    QVERIFY(!outcome.ok());
    QVERIFY(!outcome.error.isEmpty());
    QCOMPARE(e->offset(m_now), 700.0);
    QVERIFY(!e->running());
    QVERIFY(!e->live());
    QVERIFY(e->settings() == before);
}

void TestCMRemoteCommands::liveGoesThroughTheHooks()
{
    auto e = engine();
    QVERIFY(CMRemoteCommands::run(*e, json(R"({"command":"live"})"), m_hooks).ok());
    QVERIFY(e->live());
    QCOMPARE(m_wentLive, QList<int>{-1});
    QVERIFY(CMRemoteCommands::run(*e, json(R"({"command":"live","on":true,"screen":1})"), m_hooks)
                .ok());
    QCOMPARE(m_wentLive, (QList<int>{-1, 1}));
    QVERIFY(CMRemoteCommands::run(*e, json(R"({"command":"live"})"), m_hooks).ok());
    QVERIFY(!e->live());
    QVERIFY(CMRemoteCommands::run(*e, json(R"({"command":"end-live"})"), m_hooks).ok());
    QVERIFY(!e->live());
    // Without a live window to open, the command says so.
    QVERIFY(!CMRemoteCommands::run(*e, json(R"({"command":"live"})"), {}).ok());
}

void TestCMRemoteCommands::settingsPatch_data()
{
    QTest::addColumn<QByteArray>("patch");
    QTest::addColumn<QByteArray>("expected"); // the settings record after it, as JSON
    const CMSettings d;
    const auto with = [&d](auto change) {
        CMSettings s = d;
        change(s);
        return s.toJson();
    };
    QTest::newRow("empty") << QByteArray("{}") << d.toJson();
    QTest::newRow("several") << QByteArray(
                                    R"({"speed":4.5,"mirror":true,"colors":4,"countdown":10})")
                             << with([](CMSettings &s) {
                                    s.speed = 4.5;
                                    s.mirror = true;
                                    s.colors = 4;
                                    s.countdown = 10;
                                });
    QTest::newRow("knobs clamp high")
        << QByteArray(R"({"speed":11,"fontSize":500,"margin":90,"lineSpacing":9,"cuePosition":1})")
        << with([](CMSettings &s) {
               s.speed = 10;
               s.fontSize = 200;
               s.margin = 35;
               s.lineSpacing = 2.2;
               s.cuePosition = 0.7;
           });
    QTest::newRow("knobs clamp low")
        << QByteArray(R"({"speed":-1,"fontSize":1,"margin":-5,"lineSpacing":0,"cuePosition":0})")
        << with([](CMSettings &s) {
               s.speed = 0;
               s.fontSize = 24;
               s.margin = 0;
               s.lineSpacing = 1;
               s.cuePosition = 0.1;
           });
    QTest::newRow("font") << QByteArray(R"({"fontName":"Georgia"})")
                          << with([](CMSettings &s) { s.fontName = u"Georgia"_s; });
    QTest::newRow("countdown off")
        << QByteArray(R"({"countdown":0})") << with([](CMSettings &s) { s.countdown = 0; });
}

void TestCMRemoteCommands::settingsPatch()
{
    QFETCH(QByteArray, patch);
    QFETCH(QByteArray, expected);
    const auto result = CMRemoteCommands::patched(CMSettings{}, json(patch));
    QVERIFY(std::holds_alternative<CMSettings>(result));
    QCOMPARE(std::get<CMSettings>(result).toJson(), expected);
}

void TestCMRemoteCommands::refusedPatchChangesNothing_data()
{
    QTest::addColumn<QByteArray>("patch");
    QTest::newRow("unknown field") << QByteArray(R"({"speed":4,"sped":5})");
    QTest::newRow("knob as text") << QByteArray(R"({"speed":"4"})");
    QTest::newRow("switch as number") << QByteArray(R"({"flip":1})");
    QTest::newRow("font not offered") << QByteArray(R"({"fontName":"Comic Sans"})");
    QTest::newRow("font letter case") << QByteArray(R"({"fontName":"georgia"})");
    QTest::newRow("colour scheme past the last") << QByteArray(R"({"colors":5})");
    QTest::newRow("colour scheme fractional") << QByteArray(R"({"colors":1.5})");
    QTest::newRow("countdown not offered") << QByteArray(R"({"countdown":7})");
    QTest::newRow("a good field then a bad one") << QByteArray(R"({"mirror":true,"countdown":-3})");
}

void TestCMRemoteCommands::refusedPatchChangesNothing()
{
    QFETCH(QByteArray, patch);
    const auto result = CMRemoteCommands::patched(CMSettings{}, json(patch));
    QVERIFY(std::holds_alternative<QString>(result));
    QVERIFY(!std::get<QString>(result).isEmpty());
}

QTEST_GUILESS_MAIN(TestCMRemoteCommands)
#include "tst_cmremotecommands.moc"
