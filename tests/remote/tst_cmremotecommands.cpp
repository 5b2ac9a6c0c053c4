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
    void commands_data();
    void commands();
    void liveGoesThroughTheHooks();
    void settingsPatch_data();
    void settingsPatch();
};

void TestCMRemoteCommands::commands_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<double>("startOffset");
    QTest::addColumn<bool>("startRunning");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("offset");
    QTest::addColumn<bool>("running");
    QTest::addColumn<double>("speed");
    // The speed starts at 3; an offset of -1 is the start offset, unmoved.
    const auto row = [](const char *name, const char *command, double from, bool fromRunning,
                        double to, bool running, double speed = 3) {
        QTest::newRow(name) << QByteArray(command) << from << fromRunning << true
                            << (to < 0 ? from : to) << running << speed;
    };
    row("toggle starts", R"({"command":"toggle"})", 0, false, -1, true);
    row("toggle stops", R"({"command":"toggle"})", 100, true, -1, false);
    row("play while running keeps running", R"({"command":"play"})", 100, true, -1, true);
    row("pause", R"({"command":"pause"})", 100, true, -1, false);
    row("faster", R"({"command":"faster"})", 0, false, -1, false, 3.5);
    row("slower", R"({"command":"slower"})", 0, false, -1, false, 2.5);
    row("speed clamps like the knob", R"({"command":"speed","value":42})", 0, false, -1, false, 10);
    row("top", R"({"command":"top"})", 700, true, 0, false);
    row("end", R"({"command":"end"})", 700, false, 5000, false);
    row("jump by points", R"({"command":"jump","points":-250})", 700, false, 450, false);
    row("jump by screens", R"({"command":"jump","screens":0.5})", 700, false, 1200, false);
    row("jump past the end stops there", R"({"command":"jump","points":1e8})", 700, false, 5000,
        false);
    row("jump back is the keyboard's", R"({"command":"jump-back"})", 700, false, 300, false);
    row("jump ahead is the keyboard's", R"({"command":"jump-ahead"})", 700, false, 1100, false);
    row("jump to", R"({"command":"jump-to","offset":2500})", 700, false, 2500, false);
    row("next cue", R"({"command":"next-cue"})", 1500, false, 3000, false);
    row("previous cue", R"({"command":"previous-cue"})", 3500, false, 3000, false);
    row("cue by index", R"({"command":"cue","index":0})", 3500, false, 1000, false);

    // A refused command changes nothing.
    const auto refused = [](const char *name, const char *command) {
        QTest::newRow(name) << QByteArray(command) << 700.0 << false << false << 700.0 << false
                            << 3.0;
    };
    refused("no name", R"({"points":3})");
    refused("name not a string", R"({"command":7})");
    refused("unknown", R"({"command":"rewind"})");
    refused("jump without distance", R"({"command":"jump"})");
    refused("jump with both", R"({"command":"jump","points":1,"screens":1})");
    refused("jump by text", R"({"command":"jump","points":"far"})");
    refused("jump too far", R"({"command":"jump","points":1e300})");
    refused("speed by text", R"({"command":"speed","value":"fast"})");
    refused("no such cue", R"({"command":"cue","index":2})");
    refused("negative cue", R"({"command":"cue","index":-1})");
    refused("fractional cue", R"({"command":"cue","index":0.5})");
    refused("mirror by number", R"({"command":"mirror","on":1})");
    refused("live on no display number", R"({"command":"live","screen":-2})");
}

void TestCMRemoteCommands::commands()
{
    QFETCH(QByteArray, command);
    QFETCH(double, startOffset);
    QFETCH(bool, startRunning);
    QFETCH(bool, ok);
    QFETCH(double, speed);
    auto e = engine();
    e->jumpTo(startOffset);
    if (startRunning)
        e->play();
    CMSettings expected = e->settings();
    expected.speed = speed;
    const auto outcome = CMRemoteCommands::run(*e, json(command), m_hooks);
    QVERIFY2(outcome.ok() == ok, qPrintable(outcome.error));
    QCOMPARE(outcome.error.isEmpty(), ok);
    QTEST(e->running(), "running");
    QTEST(e->offset(m_now), "offset");
    QVERIFY(e->settings() == expected);
    QVERIFY(!e->live());
}

void TestCMRemoteCommands::liveGoesThroughTheHooks()
{
    auto e = engine();
    const auto run = [&e](const char *command, const CMRemoteHooks &hooks) {
        return CMRemoteCommands::run(*e, json(command), hooks).ok();
    };
    QVERIFY(run(R"({"command":"live"})", m_hooks));
    QVERIFY(e->live());
    QCOMPARE(m_wentLive, QList<int>{-1});
    QVERIFY(run(R"({"command":"live","on":true,"screen":1})", m_hooks));
    QCOMPARE(m_wentLive, (QList<int>{-1, 1}));
    QVERIFY(run(R"({"command":"live"})", m_hooks));
    QVERIFY(!e->live());
    QVERIFY(run(R"({"command":"end-live"})", m_hooks));
    QVERIFY(!e->live());
    // Without a live window to open, the command says so.
    QVERIFY(!run(R"({"command":"live"})", {}));
}

void TestCMRemoteCommands::settingsPatch_data()
{
    QTest::addColumn<QByteArray>("patch");
    // The settings record after the patch, as JSON; empty: refused.
    QTest::addColumn<QByteArray>("expected");
    const CMSettings d;
    const auto with = [&d](auto change) {
        CMSettings s = d;
        change(s);
        return s.toJson();
    };
    QTest::newRow("several")
        << QByteArray(
               R"({"speed":4.5,"mirror":true,"colors":4,"countdown":0,"fontName":"Georgia"})")
        << with([](CMSettings &s) {
               s.speed = 4.5;
               s.mirror = true;
               s.colors = 4;
               s.countdown = 0;
               s.fontName = u"Georgia"_s;
           });
    QTest::newRow("knobs clamp")
        << QByteArray(R"({"speed":11,"fontSize":1,"margin":90,"lineSpacing":0,"cuePosition":1})")
        << with([](CMSettings &s) {
               s.speed = 10;
               s.fontSize = 24;
               s.margin = 35;
               s.lineSpacing = 1;
               s.cuePosition = 0.7;
           });
    const auto refused = [](const char *name, const char *patch) {
        QTest::newRow(name) << QByteArray(patch) << QByteArray();
    };
    refused("unknown field", R"({"speed":4,"sped":5})");
    refused("knob as text", R"({"speed":"4"})");
    refused("switch as number", R"({"flip":1})");
    refused("font not offered", R"({"fontName":"Comic Sans"})");
    refused("font letter case", R"({"fontName":"georgia"})");
    refused("colour scheme past the last", R"({"colors":5})");
    refused("colour scheme fractional", R"({"colors":1.5})");
    refused("countdown not offered", R"({"countdown":7})");
    refused("a good field then a bad one", R"({"mirror":true,"countdown":-3})");
}

// A patch applies whole or not at all.
void TestCMRemoteCommands::settingsPatch()
{
    QFETCH(QByteArray, patch);
    QFETCH(QByteArray, expected);
    const auto result = CMRemoteCommands::patched(CMSettings{}, json(patch));
    if (expected.isEmpty()) {
        QVERIFY(std::holds_alternative<QString>(result) && !std::get<QString>(result).isEmpty());
    } else {
        QVERIFY(std::holds_alternative<CMSettings>(result));
        QCOMPARE(std::get<CMSettings>(result).toJson(), expected);
    }
}

QTEST_GUILESS_MAIN(TestCMRemoteCommands)
#include "tst_cmremotecommands.moc"
