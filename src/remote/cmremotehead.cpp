#include "cmremotehead.h"

#include "cmremotetoken.h"

#include <QHostAddress>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace {

bool isTokenChar(char c)
{
    // RFC 9110 tchar
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool isToken(QByteArrayView s)
{
    if (s.isEmpty())
        return false;
    for (char c : s) {
        if (!isTokenChar(c))
            return false;
    }
    return true;
}

bool isFieldValue(QByteArrayView s)
{
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7f)
            return false;
    }
    return true;
}

bool parseLength(QByteArrayView s, qint64 &out)
{
    if (s.isEmpty() || s.size() > 15)
        return false;
    qint64 v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

CMRemoteHead invalid()
{
    CMRemoteHead head;
    head.status = CMRemoteHead::Status::Invalid;
    return head;
}

} // namespace

CMRemoteHead CMRemoteHead::parse(QByteArrayView bytes)
{
    const qsizetype end = bytes.indexOf(QByteArrayView("\r\n\r\n"));
    if (end < 0 || end + 4 > maxSize)
        return bytes.size() >= maxSize ? invalid() : CMRemoteHead{};

    CMRemoteHead head;
    head.size = end + 4;
    const QByteArrayView text = bytes.first(end);
    qsizetype lineEnd = text.indexOf(QByteArrayView("\r\n"));
    const QByteArrayView requestLine = lineEnd < 0 ? text : text.first(lineEnd);

    // METHOD SP origin-form SP HTTP/1.x
    const qsizetype sp1 = requestLine.indexOf(' ');
    const qsizetype sp2 = sp1 < 0 ? -1 : requestLine.indexOf(' ', sp1 + 1);
    if (sp1 <= 0 || sp2 < 0)
        return invalid();
    const QByteArrayView method = requestLine.first(sp1);
    const QByteArrayView target = requestLine.sliced(sp1 + 1, sp2 - sp1 - 1);
    const QByteArrayView version = requestLine.sliced(sp2 + 1);
    if (!isToken(method) || target.isEmpty() || target[0] != '/' ||
        (version != "HTTP/1.1" && version != "HTTP/1.0"))
        return invalid();
    for (char c : target) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7f)
            return invalid();
    }
    head.method = method.toByteArray();
    const qsizetype q = target.indexOf('?');
    head.path = (q < 0 ? target : target.first(q)).toByteArray();
    head.query = q < 0 ? QByteArray() : target.sliced(q + 1).toByteArray();

    bool sawLength = false;
    bool sawHost = false;
    while (lineEnd >= 0) {
        const qsizetype start = lineEnd + 2;
        lineEnd = text.indexOf(QByteArrayView("\r\n"), start);
        const QByteArrayView line =
            lineEnd < 0 ? text.sliced(start) : text.sliced(start, lineEnd - start);
        const qsizetype colon = line.indexOf(':');
        // No folded lines, no space before the colon: what a strict server parser accepts.
        if (colon <= 0 || !isToken(line.first(colon)))
            return invalid();
        const QByteArray name = line.first(colon).toByteArray().toLower();
        const QByteArrayView value = line.sliced(colon + 1).trimmed();
        if (!isFieldValue(value))
            return invalid();
        if (name == "content-length") {
            if (sawLength || !parseLength(value, head.contentLength))
                return invalid();
            sawLength = true;
        } else if (name == "transfer-encoding") {
            head.hasTransferEncoding = true;
        } else if (name == "host") {
            if (sawHost)
                return invalid();
            sawHost = true;
            head.host = value.toByteArray();
        } else if (name == "authorization") {
            head.authorization = value.toByteArray();
        } else if (name == "origin") {
            head.origin = value.toByteArray();
        } else if (name == "upgrade") {
            head.upgrade = value.toByteArray();
        }
    }
    head.status = Status::Complete;
    return head;
}

namespace CMRemoteGatePolicy {

QByteArray presentedToken(const CMRemoteHead &head)
{
    const QByteArrayView auth = head.authorization;
    if (auth.size() > 7 && auth.first(7).compare("bearer ", Qt::CaseInsensitive) == 0)
        return auth.sliced(7).trimmed().toByteArray();
    if (head.method != "GET" || head.query.isEmpty())
        return {};
    const QUrlQuery query(QString::fromLatin1(head.query));
    return query.queryItemValue(u"token"_s, QUrl::FullyDecoded).toUtf8();
}

bool acceptableHost(QByteArrayView host, const QStringList &names)
{
    QByteArrayView name = host;
    if (name.startsWith('[')) {
        const qsizetype close = name.indexOf(']');
        if (close < 0)
            return false;
        const QByteArrayView rest = name.sliced(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(':'))
            return false;
        return !QHostAddress(QString::fromLatin1(name.sliced(1, close - 1))).isNull();
    }
    const qsizetype colon = name.lastIndexOf(':');
    if (colon >= 0)
        name = name.first(colon);
    if (name.isEmpty())
        return false;
    const QString text = QString::fromLatin1(name);
    QHostAddress address;
    if (address.setAddress(text) && address.protocol() == QAbstractSocket::IPv4Protocol)
        return true;
    if (text.compare(u"localhost"_s, Qt::CaseInsensitive) == 0)
        return true;
    return names.contains(text, Qt::CaseInsensitive);
}

CMRemoteVerdict judge(const CMRemoteHead &head, const CMRemoteAccess &access)
{
    const auto refuse = [](int status, const char *reason) {
        return CMRemoteVerdict{status, QByteArray(reason), false, 0};
    };
    if (head.status != CMRemoteHead::Status::Complete)
        return refuse(400, "The request could not be read.");
    if (!acceptableHost(head.host, access.hostNames))
        return refuse(403, "This server answers only to its own address.");
    if (head.hasTransferEncoding)
        return refuse(411, "Send the body with a Content-Length.");
    if (!CMRemoteToken::matches(presentedToken(head), access.token))
        return refuse(401, "A valid token is required.");

    CMRemoteVerdict verdict;
    verdict.webSocket = head.upgrade.compare("websocket", Qt::CaseInsensitive) == 0;
    if (verdict.webSocket) {
        if (head.method != "GET" || head.path != eventsPath)
            return refuse(404, "WebSockets connect to /api/v1/events.");
        // A browser names the page that opens the socket: only this server's own page may.
        if (!head.origin.isEmpty() &&
            head.origin.compare(QByteArray("http://" + head.host), Qt::CaseInsensitive) != 0)
            return refuse(403, "This WebSocket origin is not allowed.");
        return verdict;
    }
    verdict.bodyLimit =
        head.method == "PUT" && head.path == scriptPath ? maxScriptBytes : maxCommandBytes;
    if (head.contentLength > verdict.bodyLimit)
        return refuse(413, "The request body is too large.");
    return verdict;
}

} // namespace CMRemoteGatePolicy
