#include <QRegularExpression>
#include <QTest>
#include <remote/cmremotehead.h>
#include <remote/cmremotetoken.h>

using namespace Qt::StringLiterals;

// The judgement of a request head before any of its body is read.
class TestCMRemoteGate : public QObject
{
    Q_OBJECT

    const QByteArray m_token = "tok_abcdefghijklmnopqrstuvwxyz0123456789ABCDEF";

    CMRemoteVerdict judge(const QByteArray &head) const
    {
        return CMRemoteGatePolicy::judge(CMRemoteHead::parse(head), {m_token, {u"studio"_s}});
    }

private Q_SLOTS:
    void tokens();
    void heads_data();
    void heads();
    void verdicts_data();
    void verdicts();
};

void TestCMRemoteGate::tokens()
{
    const QByteArray a = CMRemoteToken::generate();
    const QByteArray b = CMRemoteToken::generate();
    QVERIFY(a != b);
    // 256 bits that go into an address and a header as they are.
    QVERIFY(QRegularExpression(u"^[A-Za-z0-9_-]{43}$"_s).match(QString::fromLatin1(a)).hasMatch());
    QVERIFY(CMRemoteToken::matches(a, a));
    for (const QByteArray &wrong : {a.chopped(1), QByteArray(a + 'x'), b, QByteArray()})
        QVERIFY(!CMRemoteToken::matches(wrong, a));
    QVERIFY(!CMRemoteToken::matches({}, {}));
}

void TestCMRemoteGate::heads_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    QTest::addColumn<qint64>("contentLength");
    using S = CMRemoteHead::Status;
    QTest::newRow("complete")
        << QByteArray("POST /api/v1/command?x=1 HTTP/1.1\r\nHost: a\r\nContent-Length: 12\r\n\r\n{")
        << int(S::Complete) << qint64(12);
    QTest::newRow("still arriving")
        << QByteArray("GET / HTTP/1.1\r\nHost: a\r\n") << int(S::Incomplete) << qint64(0);
    const auto invalid = [](const char *name, const QByteArray &bytes) {
        QTest::newRow(name) << bytes << int(S::Invalid) << qint64(0);
    };
    invalid("endless head", "GET / HTTP/1.1\r\nX: " + QByteArray(CMRemoteHead::maxSize, 'a'));
    invalid("two lengths", "PUT /a HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 1\r\n\r\n");
    invalid("signed length", "PUT /a HTTP/1.1\r\nContent-Length: +1\r\n\r\n");
    invalid("huge length", "PUT /a HTTP/1.1\r\nContent-Length: 99999999999999999999\r\n\r\n");
    invalid("folded header", "GET / HTTP/1.1\r\nHost: a\r\n b\r\n\r\n");
    invalid("space before colon", "GET / HTTP/1.1\r\nHost : a\r\n\r\n");
    invalid("absolute target", "GET http://a/ HTTP/1.1\r\nHost: a\r\n\r\n");
    invalid("other protocol", "GET / HTTP/2.0\r\nHost: a\r\n\r\n");
    invalid("control character", "GET / HTTP/1.1\r\nX: a\x01b\r\n\r\n");
}

void TestCMRemoteGate::heads()
{
    QFETCH(QByteArray, bytes);
    const CMRemoteHead head = CMRemoteHead::parse(bytes);
    QTEST(int(head.status), "status");
    QTEST(head.contentLength, "contentLength");
}

void TestCMRemoteGate::verdicts_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<int>("status");
    QTest::addColumn<qint64>("bodyLimit");
    const QByteArray t = m_token;
    const QByteArray bearer = "Authorization: Bearer " + t + "\r\n";
    const QByteArray ws = "Upgrade: websocket\r\nConnection: Upgrade\r\n";
    const qint64 small = 16384;
    // A request to this machine's address unless the headers name another host.
    const auto row = [](const char *name, const QByteArray &line, const QByteArray &headers,
                        int status, qint64 bodyLimit = 0) {
        const QByteArray host = headers.contains("Host:") ? "" : "Host: 127.0.0.1:8765\r\n";
        QTest::newRow(name) << QByteArray(line + " HTTP/1.1\r\n" + host + headers + "\r\n")
                            << status << bodyLimit;
    };
    row("bearer", "GET /api/v1/state", bearer, 0, small);
    row("bearer in any case", "GET /api/v1/state", "authorization: bearer " + t + "\r\n", 0, small);
    row("no token", "GET /api/v1/state", "", 401);
    row("wrong token", "GET /api/v1/state", "Authorization: Bearer " + t.chopped(1) + "X\r\n", 401);
    row("other scheme", "GET /api/v1/state", "Authorization: Basic " + t + "\r\n", 401);
    row("page with token in the address", "GET /?token=" + t, "", 0, small);
    row("token in the address only for GET", "POST /api/v1/command?token=" + t,
        "Content-Length: 2\r\n", 401);
    row("script may be large", "PUT /api/v1/script", bearer + "Content-Length: 60000000\r\n", 0,
        64 * 1024 * 1024);
    row("script larger than an import", "PUT /api/v1/script",
        bearer + "Content-Length: 70000000\r\n", 413);
    row("command too large", "POST /api/v1/command", bearer + "Content-Length: 16385\r\n", 413);
    row("chunked", "POST /api/v1/command", bearer + "Transfer-Encoding: chunked\r\n", 411);
    row("rebound name", "GET /", "Host: evil.example:8765\r\n" + bearer, 403);
    row("machine name", "GET /", "Host: Studio:8765\r\n" + bearer, 0, small);
    row("IPv6 literal", "GET /", "Host: [::1]:8765\r\n" + bearer, 0, small);
    row("websocket from its page", "GET /api/v1/events?token=" + t,
        ws + "Origin: http://127.0.0.1:8765\r\n", 0);
    row("websocket from a tool", "GET /api/v1/events", ws + bearer, 0);
    row("websocket from another page", "GET /api/v1/events?token=" + t,
        ws + "Origin: http://evil.example\r\n", 403);
    row("websocket from a file", "GET /api/v1/events?token=" + t, ws + "Origin: null\r\n", 403);
    row("websocket without token", "GET /api/v1/events", ws, 401);
    row("websocket elsewhere", "GET /api/v1/state?token=" + t, ws, 404);
    QTest::newRow("no host") << "GET / HTTP/1.1\r\n" + bearer + "\r\n" << 403 << qint64(0);
    QTest::newRow("unreadable") << QByteArray("HELLO\r\n\r\n") << 400 << qint64(0);
}

void TestCMRemoteGate::verdicts()
{
    QFETCH(QByteArray, head);
    QFETCH(int, status);
    const CMRemoteVerdict verdict = judge(head);
    QCOMPARE(verdict.status, status);
    QTEST(verdict.bodyLimit, "bodyLimit");
    QCOMPARE(verdict.passes(), status == 0);
    QVERIFY(verdict.passes() || !verdict.reason.isEmpty());
}

QTEST_GUILESS_MAIN(TestCMRemoteGate)
#include "tst_cmremotegate.moc"
