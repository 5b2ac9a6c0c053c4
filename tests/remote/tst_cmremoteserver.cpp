#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <QWebSocket>
#include <QtEndian>
#include <engine/cmengine.h>
#include <remote/cmremote.h>
#include <remote/cmremoteosc.h>

using namespace Qt::StringLiterals;

namespace {

struct Response
{
    int status = 0;
    QByteArray head;
    QByteArray body;
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

// One request over a fresh connection, read to the end; the server runs in this thread, so the
// event loop turns while the client waits.
Response request(quint16 port, const QByteArray &bytes)
{
    QTcpSocket socket;
    QByteArray all;
    QEventLoop loop;
    QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] { socket.write(bytes); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] { all += socket.readAll(); });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    socket.connectToHost(QHostAddress::LocalHost, port);
    loop.exec();
    all += socket.readAll();
    Response r;
    const qsizetype split = all.indexOf("\r\n\r\n");
    r.head = all.left(split);
    r.body = split < 0 ? QByteArray() : all.mid(split + 4);
    const QList<QByteArray> statusLine = r.head.split(' ');
    r.status = statusLine.size() > 1 ? statusLine[1].toInt() : 0;
    return r;
}

QByteArray osc(const QByteArray &path, const QByteArray &types = {},
               const QList<QVariant> &args = {})
{
    const auto padded = [](QByteArray s) {
        s.append('\0');
        while (s.size() % 4)
            s.append('\0');
        return s;
    };
    QByteArray m = padded(path) + padded(',' + types);
    for (qsizetype i = 0; i < types.size(); ++i) {
        char be[4];
        if (types[i] == 'f') {
            qToBigEndian(args[i].toFloat(), be);
            m.append(be, 4);
        } else if (types[i] == 'i') {
            qToBigEndian(qint32(args[i].toInt()), be);
            m.append(be, 4);
        } else if (types[i] == 's') {
            m += padded(args[i].toByteArray());
        }
    }
    return m;
}

const QByteArray bearer = "Authorization: Bearer TOKEN\r\n";
const QByteArray json = "Content-Type: application/json\r\n";

// A request as a client writes it; TOKEN stands for the server's token until it is sent.
QByteArray http(const QByteArray &line, const QByteArray &headers = {}, const QByteArray &body = {})
{
    const QByteArray length = body.isEmpty()
                                  ? QByteArray()
                                  : "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return line + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + length + "\r\n" + body;
}

} // namespace

// The remote on real sockets on this machine: the API, the event WebSocket and OSC, with
// refusals seen from the outside and the engine untouched by each.
class TestCMRemoteServer : public QObject
{
    Q_OBJECT

    std::unique_ptr<CMEngine> m_engine;
    std::unique_ptr<CMRemote> m_remote;

    Response call(QByteArray bytes) const
    {
        return request(m_remote->port(), bytes.replace("TOKEN", m_remote->token()));
    }
    QUrl eventsUrl(bool withToken = true) const
    {
        QUrl url(u"ws://127.0.0.1/api/v1/events"_s);
        url.setPort(m_remote->port());
        if (withToken)
            url.setQuery(u"token="_s + QString::fromLatin1(m_remote->token()));
        return url;
    }

private Q_SLOTS:
    void init();
    void cleanup();
    void apiDrivesTheEngine();
    void refusalsChangeNothing_data();
    void refusalsChangeNothing();
    void scriptReplaced_data();
    void scriptReplaced();
    void pageNeedsItsToken();
    void webSocketFollowsAndCommands();
    void webSocketRefusals_data();
    void webSocketRefusals();
    void renewedTokenLocksOut();
    void oscFromThisMachine();
    void oscFromOtherHostsNeedsPairing();
};

void TestCMRemoteServer::init()
{
    m_engine = std::make_unique<CMEngine>();
    m_engine->replaceScript(u"One\n[Roll VT]\nTwo"_s);
    m_engine->setContentHeight(5000);
    m_engine->setCues({{1, u"[Roll VT]"_s, 400}});
    CMSettings s; // not what an earlier test left in the store
    s.countdown = 0;
    m_engine->setSettings(s);
    m_remote = std::make_unique<CMRemote>(*m_engine);
    QVERIFY(m_remote->start({0, false}));
    QVERIFY(m_remote->port() != 0);
    QCOMPARE(m_remote->oscPort(), m_remote->port());
}

void TestCMRemoteServer::cleanup()
{
    m_remote.reset();
    m_engine.reset();
}

void TestCMRemoteServer::apiDrivesTheEngine()
{
    Response r = call(http("GET /api/v1/state", bearer));
    QCOMPARE(r.status, 200);
    QCOMPARE(r.json().value(u"running"_s).toBool(), false);
    QCOMPARE(r.json().value(u"cues"_s).toArray().first().toObject().value(u"text"_s).toString(),
             u"[Roll VT]"_s);

    r = call(http("POST /api/v1/command", bearer + json, R"({"command":"toggle"})"));
    QCOMPARE(r.status, 200);
    QVERIFY(m_engine->running());
    QCOMPARE(r.json().value(u"running"_s).toBool(), true);

    r = call(http("PATCH /api/v1/settings", bearer + json, R"({"speed":7,"flip":true})"));
    QCOMPARE(r.status, 200);
    QCOMPARE(m_engine->settings().speed, 7.0);
    QVERIFY(m_engine->settings().flip);
}

// Each refusal of the head's judge is tested on its own; here, that it guards the sockets, and
// the refusals only the API itself can make.
void TestCMRemoteServer::refusalsChangeNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    const QByteArray command = "POST /api/v1/command";
    const QByteArray toggle = R"({"command":"toggle"})";
    QTest::newRow("no token") << http(command, json, toggle) << 401;
    // Refused from its head alone: the gigabyte is never sent, let alone buffered.
    QTest::newRow("oversized body")
        << http(command, bearer + json + "Content-Length: 1000000000\r\n") << 413;
    QTest::newRow("bad JSON") << http(command, bearer + json, "{\"command\":") << 400;
    QTest::newRow("JSON not an object") << http(command, bearer + json, "[1]") << 400;
    QTest::newRow("unknown command")
        << http(command, bearer + json, R"({"command":"rewind"})") << 400;
    QTest::newRow("unknown setting after a good one")
        << http("PATCH /api/v1/settings", bearer + json, R"({"speed":9,"zoom":2})") << 400;
    QTest::newRow("not JSON") << http(command, bearer + "Content-Type: text/plain\r\n", "toggle")
                              << 415;
    QTest::newRow("script that is no text")
        << http("PUT /api/v1/script", bearer + "Content-Type: image/png\r\n", "\x89PNG") << 415;
    QTest::newRow("unknown path") << http("POST /api/v1/commands", bearer + json, toggle) << 404;
    QTest::newRow("wrong method") << http("DELETE /api/v1/script", bearer) << 405;
}

void TestCMRemoteServer::refusalsChangeNothing()
{
    QFETCH(QByteArray, bytes);
    const CMSettings before = m_engine->settings();
    const QString script = m_engine->script();
    const Response r = call(bytes);
    QTEST(r.status, "status");
    QVERIFY(r.json().contains(u"error"_s));
    QVERIFY(!m_engine->running());
    QVERIFY(m_engine->settings() == before);
    QCOMPARE(m_engine->script(), script);
}

void TestCMRemoteServer::scriptReplaced_data()
{
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("script");
    QTest::newRow("text with a byte-order mark and CR LF")
        << QByteArray("text/plain; charset=utf-8") << QByteArray("\xEF\xBB\xBFHello\r\n[Wave]\r\n")
        << u"Hello\n[Wave]\n"_s;
    QTest::newRow("JSON") << QByteArray("application/json")
                          << QByteArray(R"({"script":"Caf\u00e9\u00a0time"})") << u"Café time"_s;
}

void TestCMRemoteServer::scriptReplaced()
{
    QFETCH(QByteArray, type);
    QFETCH(QByteArray, body);
    QFETCH(QString, script);
    m_engine->jumpTo(300);
    m_engine->play();
    Response r = call(http("PUT /api/v1/script", bearer + "Content-Type: " + type + "\r\n", body));
    QCOMPARE(r.status, 200);
    QCOMPARE(m_engine->script(), script);
    // As an import: stopped at the top.
    QVERIFY(!m_engine->running());
    QCOMPARE(m_engine->offsetNow(), 0.0);
    r = call(http("GET /api/v1/script", bearer));
    QCOMPARE(r.status, 200);
    QCOMPARE(QString::fromUtf8(r.body), script);
}

void TestCMRemoteServer::pageNeedsItsToken()
{
    QCOMPARE(call(http("GET /")).status, 401);
    const Response r = call(http("GET /?token=TOKEN"));
    QCOMPARE(r.status, 200);
    QVERIFY(r.head.contains("text/html"));
    QVERIFY(r.head.contains("Content-Security-Policy"));
    QVERIFY(r.body.contains("/api/v1/events"));
    // Everything the page needs is in it: no second request, no other server.
    QVERIFY(!r.body.contains("<script src"));
    QVERIFY(!r.body.contains("https://"));
}

void TestCMRemoteServer::webSocketFollowsAndCommands()
{
    QWebSocket socket;
    QList<QJsonObject> messages;
    connect(&socket, &QWebSocket::textMessageReceived, this,
            [&](const QString &m) { messages << QJsonDocument::fromJson(m.toUtf8()).object(); });
    // The first message of a type whose key has this value; an empty object until one came.
    const auto find = [&messages](const QString &type, const QString &key,
                                  const QJsonValue &value) {
        for (const QJsonObject &m : std::as_const(messages)) {
            if (m.value(u"type"_s).toString() == type && m.value(key) == value)
                return m;
        }
        return QJsonObject();
    };
    socket.open(eventsUrl());
    QTRY_COMPARE(messages.size(), 1);
    QCOMPARE(messages[0].value(u"type"_s).toString(), u"state"_s);
    QCOMPARE(m_remote->clientCount(), 1);

    socket.sendTextMessage(uR"({"command":"faster","id":5})"_s);
    QTRY_COMPARE(find(u"result"_s, u"id"_s, 5).value(u"ok"_s), QJsonValue(true));
    QCOMPARE(m_engine->settings().speed, 3.5);
    QTRY_VERIFY(std::ranges::any_of(messages, [](const QJsonObject &m) {
        return m.value(u"settings"_s).toObject().value(u"speed"_s).toDouble() == 3.5;
    }));

    socket.sendTextMessage(uR"({"command":"warp","id":6})"_s);
    QTRY_VERIFY(!find(u"result"_s, u"id"_s, 6).isEmpty());
    QCOMPARE(find(u"result"_s, u"id"_s, 6).value(u"ok"_s), QJsonValue(false));
    QVERIFY(!find(u"result"_s, u"id"_s, 6).value(u"error"_s).toString().isEmpty());

    socket.sendTextMessage(uR"({"type":"ping","id":7,"t":12.5})"_s);
    QTRY_VERIFY(find(u"pong"_s, u"t"_s, 12.5).value(u"server"_s).isDouble());

    // The cue line reaches the reading line: the show controller hears of it.
    Q_EMIT m_engine->cueReached(0);
    QTRY_COMPARE(find(u"cue"_s, u"text"_s, u"[Roll VT]"_s).value(u"index"_s), QJsonValue(0));

    // A message larger than any command closes the socket.
    socket.sendTextMessage(QString(64 * 1024, u'x'));
    QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);
    QTRY_COMPARE(m_remote->clientCount(), 0);
}

void TestCMRemoteServer::webSocketRefusals_data()
{
    QTest::addColumn<bool>("withToken");
    QTest::addColumn<QString>("origin");
    QTest::newRow("no token") << false << QString();
    QTest::newRow("another site's page") << true << u"http://evil.example"_s;
}

void TestCMRemoteServer::webSocketRefusals()
{
    QFETCH(bool, withToken);
    QFETCH(QString, origin);
    QWebSocket socket(origin);
    bool received = false;
    connect(&socket, &QWebSocket::textMessageReceived, this, [&] { received = true; });
    QSignalSpy failed(&socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error));
    socket.open(eventsUrl(withToken));
    QTRY_VERIFY(!failed.isEmpty());
    QVERIFY(socket.state() != QAbstractSocket::ConnectedState);
    QVERIFY(!received);
    QCOMPARE(m_remote->clientCount(), 0);
}

void TestCMRemoteServer::renewedTokenLocksOut()
{
    QWebSocket socket;
    socket.open(eventsUrl());
    QTRY_COMPARE(m_remote->clientCount(), 1);
    const QByteArray old = m_remote->token();
    m_remote->renewToken();
    QVERIFY(m_remote->token() != old);
    QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(call(http("GET /api/v1/state", "Authorization: Bearer " + old + "\r\n")).status, 401);
}

void TestCMRemoteServer::oscFromThisMachine()
{
    QUdpSocket client;
    QVERIFY(client.bind(QHostAddress::LocalHost, 0));
    const auto sendOsc = [&](const QByteArray &datagram) {
        client.writeDatagram(datagram, QHostAddress::LocalHost, m_remote->oscPort());
    };
    sendOsc(osc("/cuemaster/subscribe"));
    QTRY_VERIFY(client.hasPendingDatagrams());
    QVERIFY(client.receiveDatagram().data().startsWith("/cuemaster/running\0"));
    while (client.hasPendingDatagrams())
        client.receiveDatagram();

    sendOsc(osc("/cuemaster/speed", "f", {5.5}));
    QTRY_COMPARE(m_engine->settings().speed, 5.5);
    sendOsc(osc("/cuemaster/toggle"));
    QTRY_VERIFY(m_engine->running());
    // Feedback reaches the subscriber: RUNNING for the button that shows it.
    bool running = false;
    const auto sawRunning = [&] {
        while (client.hasPendingDatagrams()) {
            const QByteArray d = client.receiveDatagram().data();
            running |= d.startsWith("/cuemaster/running") && d.endsWith(QByteArray("\0\0\0\1", 4));
        }
        return running;
    };
    QTRY_VERIFY(sawRunning());

    sendOsc(osc("/cuemaster/pause"));
    QTRY_VERIFY(!m_engine->running());

    // A bundle of two: both run.
    QByteArray bundle = QByteArray("#bundle\0", 8) + QByteArray(8, '\0');
    for (const QByteArray &m : {osc("/cuemaster/faster"), osc("/cuemaster/jump", "f", {250.0f})}) {
        char size[4];
        qToBigEndian(qint32(m.size()), size);
        bundle += QByteArray(size, 4) + m;
    }
    const double before = m_engine->offsetNow();
    sendOsc(bundle);
    QTRY_COMPARE(m_engine->offsetNow(), before + 250);
    QCOMPARE(m_engine->settings().speed, 6.0);

    // Not ours, not OSC: nothing happens.
    sendOsc(osc("/other/toggle"));
    sendOsc("garbage");
    sendOsc(osc("/cuemaster/speed", "s", {QByteArray("fast")}));
    QTest::qWait(100);
    QVERIFY(!m_engine->running());
    QCOMPARE(m_engine->settings().speed, 6.0);
}

void TestCMRemoteServer::oscFromOtherHostsNeedsPairing()
{
    int commands = 0;
    const QByteArray token = "the-token";
    const QHostAddress far(u"192.0.2.7"_s);
    CMRemoteOsc osc(
        [&](const QJsonObject &) {
            ++commands;
            return QString();
        },
        [] { return QJsonObject(); });
    const auto pair = [&](const QByteArray &t) {
        osc.receive(::osc("/cuemaster/pair", "s", {t}), far, 9000);
    };
    const auto toggles = [&](const QHostAddress &from) {
        const int before = commands;
        osc.receive(::osc("/cuemaster/toggle"), from, 9000);
        return commands > before;
    };

    osc.setToken(token);
    QVERIFY(osc.listen(false, 0));
    pair(token);
    QVERIFY(!toggles(far)); // this machine only

    QVERIFY(osc.listen(true, 0));
    osc.setToken(token);
    QVERIFY(!toggles(far)); // not paired
    pair("wrong");
    QVERIFY(!toggles(far));
    pair(token);
    QVERIFY(toggles(far));
    QVERIFY(!toggles(QHostAddress(u"192.0.2.8"_s))); // another host, not paired

    osc.setToken("a-new-token");
    QVERIFY(!toggles(far));
    QVERIFY(toggles(QHostAddress::LocalHost));
}

QTEST_GUILESS_MAIN(TestCMRemoteServer)
#include "tst_cmremoteserver.moc"
