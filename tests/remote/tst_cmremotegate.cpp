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
    QCOMPARE(a.size(), 43); // 256 bits, base64url without padding
    QVERIFY(a != b);
    for (char c : a)
        QVERIFY(QByteArrayView("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_")
                    .contains(c));
    QVERIFY(CMRemoteToken::matches(a, a));
    QVERIFY(!CMRemoteToken::matches(a.chopped(1), a));
    QVERIFY(!CMRemoteToken::matches(QByteArray(a + 'x'), a));
    QVERIFY(!CMRemoteToken::matches(b, a));
    QVERIFY(!CMRemoteToken::matches({}, a));
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
    QTest::newRow("endless head") << (QByteArray("GET / HTTP/1.1\r\nX: ") +
                                      QByteArray(CMRemoteHead::maxSize, 'a'))
                                  << int(S::Invalid) << qint64(0);
    QTest::newRow("two lengths")
        << QByteArray("PUT /a HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 1\r\n\r\n")
        << int(S::Invalid) << qint64(0);
    QTest::newRow("signed length") << QByteArray("PUT /a HTTP/1.1\r\nContent-Length: +1\r\n\r\n")
                                   << int(S::Invalid) << qint64(0);
    QTest::newRow("huge length")
        << QByteArray("PUT /a HTTP/1.1\r\nContent-Length: 99999999999999999999\r\n\r\n")
        << int(S::Invalid) << qint64(0);
    QTest::newRow("folded header")
        << QByteArray("GET / HTTP/1.1\r\nHost: a\r\n b\r\n\r\n") << int(S::Invalid) << qint64(0);
    QTest::newRow("space before colon")
        << QByteArray("GET / HTTP/1.1\r\nHost : a\r\n\r\n") << int(S::Invalid) << qint64(0);
    QTest::newRow("absolute target")
        << QByteArray("GET http://a/ HTTP/1.1\r\nHost: a\r\n\r\n") << int(S::Invalid) << qint64(0);
    QTest::newRow("other protocol")
        << QByteArray("GET / HTTP/2.0\r\nHost: a\r\n\r\n") << int(S::Invalid) << qint64(0);
    QTest::newRow("control character")
        << QByteArray("GET / HTTP/1.1\r\nX: a\x01b\r\n\r\n") << int(S::Invalid) << qint64(0);
}

void TestCMRemoteGate::heads()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    QFETCH(qint64, contentLength);
    const CMRemoteHead head = CMRemoteHead::parse(bytes);
    QCOMPARE(int(head.status), status);
    QCOMPARE(head.contentLength, contentLength);
}

void TestCMRemoteGate::verdicts_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<int>("status");
    QTest::addColumn<qint64>("bodyLimit");
    const QByteArray t = m_token;
    const QByteArray bearer = "Authorization: Bearer " + t + "\r\n";
    const auto req = [](const QByteArray &line, const QByteArray &headers) -> QByteArray {
        return line + " HTTP/1.1\r\nHost: 127.0.0.1:8765\r\n" + headers + "\r\n";
    };
    const QByteArray ws = "Upgrade: websocket\r\nConnection: Upgrade\r\n";

    QTest::newRow("bearer") << req("GET /api/v1/state", bearer) << 0 << qint64(16384);
    QTest::newRow("bearer in any case")
        << req("GET /api/v1/state", "authorization: bearer " + t + "\r\n") << 0 << qint64(16384);
    QTest::newRow("no token") << req("GET /api/v1/state", "") << 401 << qint64(0);
    QTest::newRow("wrong token") << req("GET /api/v1/state",
                                        "Authorization: Bearer " + t.chopped(1) + "X\r\n")
                                 << 401 << qint64(0);
    QTest::newRow("other scheme") << req("GET /api/v1/state", "Authorization: Basic " + t + "\r\n")
                                  << 401 << qint64(0);
    QTest::newRow("page with token in the address")
        << req("GET /?token=" + t, "") << 0 << qint64(16384);
    QTest::newRow("token in the address only for GET")
        << req("POST /api/v1/command?token=" + t, "Content-Length: 2\r\n") << 401 << qint64(0);
    QTest::newRow("script may be large")
        << req("PUT /api/v1/script", bearer + "Content-Length: 60000000\r\n") << 0
        << qint64(64 * 1024 * 1024);
    QTest::newRow("script larger than an import")
        << req("PUT /api/v1/script", bearer + "Content-Length: 70000000\r\n") << 413 << qint64(0);
    QTest::newRow("command too large")
        << req("POST /api/v1/command", bearer + "Content-Length: 16385\r\n") << 413 << qint64(0);
    QTest::newRow("chunked") << req("POST /api/v1/command",
                                    bearer + "Transfer-Encoding: chunked\r\n")
                             << 411 << qint64(0);
    QTest::newRow("no host") << QByteArray("GET / HTTP/1.1\r\n" + bearer + "\r\n") << 403
                             << qint64(0);
    QTest::newRow("rebound name") << QByteArray("GET / HTTP/1.1\r\nHost: evil.example:8765\r\n" +
                                                bearer + "\r\n")
                                  << 403 << qint64(0);
    QTest::newRow("machine name") << QByteArray("GET / HTTP/1.1\r\nHost: Studio:8765\r\n" + bearer +
                                                "\r\n")
                                  << 0 << qint64(16384);
    QTest::newRow("IPv6 literal") << QByteArray("GET / HTTP/1.1\r\nHost: [::1]:8765\r\n" + bearer +
                                                "\r\n")
                                  << 0 << qint64(16384);
    QTest::newRow("websocket from its page")
        << req("GET /api/v1/events?token=" + t, ws + "Origin: http://127.0.0.1:8765\r\n") << 0
        << qint64(0);
    QTest::newRow("websocket from a tool")
        << req("GET /api/v1/events", ws + bearer) << 0 << qint64(0);
    QTest::newRow("websocket from another page")
        << req("GET /api/v1/events?token=" + t, ws + "Origin: http://evil.example\r\n") << 403
        << qint64(0);
    QTest::newRow("websocket from a file")
        << req("GET /api/v1/events?token=" + t, ws + "Origin: null\r\n") << 403 << qint64(0);
    QTest::newRow("websocket without token") << req("GET /api/v1/events", ws) << 401 << qint64(0);
    QTest::newRow("websocket elsewhere")
        << req("GET /api/v1/state?token=" + t, ws) << 404 << qint64(0);
    QTest::newRow("unreadable") << QByteArray("HELLO\r\n\r\n") << 400 << qint64(0);
}

void TestCMRemoteGate::verdicts()
{
    QFETCH(QByteArray, head);
    QFETCH(int, status);
    QFETCH(qint64, bodyLimit);
    const CMRemoteVerdict verdict = judge(head);
    QCOMPARE(verdict.status, status);
    QCOMPARE(verdict.bodyLimit, bodyLimit);
    QCOMPARE(verdict.passes(), status == 0);
    QVERIFY(verdict.passes() || !verdict.reason.isEmpty());
}

QTEST_GUILESS_MAIN(TestCMRemoteGate)
#include "tst_cmremotegate.moc"
