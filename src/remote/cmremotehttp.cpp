#include "cmremotehttp.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>

using namespace Qt::StringLiterals;

namespace {

// A request head must be complete this soon after the connection opens.
constexpr int headTimeoutMs = 10'000;
// A connection whose request or answer makes no progress for this long is dropped.
constexpr int idleTimeoutMs = 30'000;
// After a refusal, the rest of what the client sends is read and dropped for a moment, so the
// refusal reaches it rather than a reset.
constexpr int lingerMs = 2'000;
constexpr qint64 webSocketBufferBytes = 64 * 1024;

QByteArray errorBody(const QByteArray &reason)
{
    return QJsonDocument(QJsonObject{{u"error"_s, QString::fromUtf8(reason)}})
        .toJson(QJsonDocument::Compact);
}

void dropWhenIdle(QTcpSocket *socket, int ms)
{
    auto *idle = new QTimer(socket);
    idle->setSingleShot(true);
    idle->start(ms);
    QObject::connect(idle, &QTimer::timeout, socket, &QTcpSocket::abort);
    QObject::connect(socket, &QTcpSocket::readyRead, idle, qOverload<>(&QTimer::start));
    QObject::connect(socket, &QTcpSocket::bytesWritten, idle, qOverload<>(&QTimer::start));
}

} // namespace

QByteArray cmRemoteStatusText(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 415:
        return "Unsupported Media Type";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

// --- gate

CMRemoteGate::CMRemoteGate(QWebSocketServer &webSockets, QObject *parent)
    : QTcpServer(parent), m_webSockets(webSockets)
{
}

void CMRemoteGate::incomingConnection(qintptr handle)
{
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    if (m_waiting >= maxWaiting) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++m_waiting;
    socket->setProperty("cmWaiting", true);
    // Nothing beyond a head is read until the head has been judged.
    socket->setReadBufferSize(CMRemoteHead::maxSize);
    auto *deadline = new QTimer(socket);
    deadline->setObjectName(u"cmHeadDeadline"_s);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, socket, [this, socket] {
        refuse(socket, {408, "The request took too long.", false, 0});
    });
    deadline->start(headTimeoutMs);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { examine(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        release(socket);
        socket->deleteLater();
    });
    if (socket->bytesAvailable() > 0)
        examine(socket);
}

void CMRemoteGate::release(QTcpSocket *socket)
{
    if (socket->property("cmWaiting").toBool()) {
        socket->setProperty("cmWaiting", false);
        --m_waiting;
    }
    socket->disconnect(this);
    // Later: the deadline itself may be what is refusing the request.
    if (auto *deadline = socket->findChild<QTimer *>(u"cmHeadDeadline"_s)) {
        deadline->stop();
        deadline->setObjectName(QString());
        deadline->deleteLater();
    }
}

void CMRemoteGate::examine(QTcpSocket *socket)
{
    const CMRemoteHead head = CMRemoteHead::parse(socket->peek(CMRemoteHead::maxSize));
    if (head.status == CMRemoteHead::Status::Incomplete)
        return;
    const CMRemoteVerdict verdict = CMRemoteGatePolicy::judge(head, m_access);
    if (verdict.passes())
        pass(socket, verdict, head.size);
    else
        refuse(socket, verdict);
}

void CMRemoteGate::refuse(QTcpSocket *socket, const CMRemoteVerdict &verdict)
{
    release(socket);
    const QByteArray body = errorBody(verdict.reason);
    QByteArray reply = "HTTP/1.1 " + QByteArray::number(verdict.status) + ' ' +
                       cmRemoteStatusText(verdict.status) +
                       "\r\nContent-Type: application/json\r\n" +
                       "Content-Length: " + QByteArray::number(body.size()) +
                       "\r\nCache-Control: no-store\r\nConnection: close\r\n";
    if (verdict.status == 401)
        reply += "WWW-Authenticate: Bearer\r\n";
    reply += "\r\n" + body;
    socket->write(reply);
    socket->setReadBufferSize(64 * 1024);
    connect(socket, &QTcpSocket::readyRead, socket,
            [socket] { socket->skip(socket->bytesAvailable()); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    socket->skip(socket->bytesAvailable());
    QTimer::singleShot(lingerMs, socket, &QTcpSocket::abort);
    connect(socket, &QTcpSocket::bytesWritten, socket, [socket] {
        if (socket->bytesToWrite() == 0)
            QTimer::singleShot(200, socket, [socket] { socket->disconnectFromHost(); });
    });
}

void CMRemoteGate::pass(QTcpSocket *socket, const CMRemoteVerdict &verdict, qsizetype headSize)
{
    release(socket);
    if (verdict.webSocket) {
        socket->setReadBufferSize(webSocketBufferBytes);
        socket->setParent(nullptr);
        m_webSockets.handleConnection(socket);
        if (socket->bytesAvailable() > 0)
            Q_EMIT socket->readyRead();
        return;
    }
    // The whole request fits in the socket's buffer, and nothing more: the server's parser
    // keeps a request in that buffer until it is complete.
    socket->setReadBufferSize(headSize + verdict.bodyLimit + 1);
    dropWhenIdle(socket, idleTimeoutMs);
    addPendingConnection(socket);
    Q_EMIT newConnection();
    if (socket->bytesAvailable() > 0)
        Q_EMIT socket->readyRead();
}

// --- HTTP

CMRemoteHttp::CMRemoteHttp(CMRemoteHandler handler, QObject *parent)
    : QAbstractHttpServer(parent), m_handler(std::move(handler))
{
}

bool CMRemoteHttp::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    CMRemoteRequest r;
    switch (request.method()) {
    case QHttpServerRequest::Method::Get:
        r.method = "GET";
        break;
    case QHttpServerRequest::Method::Head:
        r.method = "HEAD";
        break;
    case QHttpServerRequest::Method::Post:
        r.method = "POST";
        break;
    case QHttpServerRequest::Method::Put:
        r.method = "PUT";
        break;
    case QHttpServerRequest::Method::Patch:
        r.method = "PATCH";
        break;
    case QHttpServerRequest::Method::Delete:
        r.method = "DELETE";
        break;
    case QHttpServerRequest::Method::Options:
        r.method = "OPTIONS";
        break;
    default:
        r.method = "OTHER";
        break;
    }
    r.path = request.url().path();
    r.contentType = request.value("Content-Type");
    r.body = request.body();
    const CMRemoteReply reply = m_handler(r);

    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(QHttpServerResponder::StatusCode(reply.status));
    responder.writeHeader("Content-Type", reply.contentType);
    responder.writeHeader("Content-Length",
                          QByteArray::number(r.method == "HEAD" ? 0 : reply.body.size()));
    responder.writeHeader("Cache-Control", "no-store");
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    responder.writeHeader("Referrer-Policy", "no-referrer");
    responder.writeHeader("Connection", "close");
    for (const auto &[name, value] : reply.headers)
        responder.writeHeader(name, value);
    responder.writeBody(r.method == "HEAD" ? QByteArray() : reply.body);
    socket->disconnectFromHost();
    return true;
}

void CMRemoteHttp::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.write(errorBody("Not found."), "application/json",
                    QHttpServerResponder::StatusCode::NotFound);
    socket->disconnectFromHost();
}

// --- the port

CMRemoteServer::CMRemoteServer(CMRemoteHandler handler, QObject *parent)
    : QObject(parent), m_webSockets(u"Cuemaster"_s, QWebSocketServer::NonSecureMode),
      m_http(std::move(handler))
{
    m_webSockets.setHandshakeTimeout(std::chrono::milliseconds(headTimeoutMs));
    connect(&m_webSockets, &QWebSocketServer::newConnection, this, [this] {
        while (QWebSocket *socket = m_webSockets.nextPendingConnection())
            Q_EMIT webSocketConnected(socket);
    });
}

CMRemoteServer::~CMRemoteServer()
{
    close();
}

bool CMRemoteServer::listen(const QHostAddress &address, quint16 port)
{
    close();
    auto *gate = new CMRemoteGate(m_webSockets);
    gate->setAccess(m_access);
    if (!gate->listen(address, port)) {
        m_error = gate->errorString();
        delete gate;
        return false;
    }
    m_error.clear();
    m_gate = gate;
    m_http.bind(gate);
    return true;
}

void CMRemoteServer::close()
{
    if (m_gate) {
        m_gate->close();
        // Connections still waiting at the gate go with it.
        delete m_gate.data();
    }
}

bool CMRemoteServer::isListening() const
{
    return m_gate && m_gate->isListening();
}

quint16 CMRemoteServer::port() const
{
    return m_gate ? m_gate->serverPort() : 0;
}

QString CMRemoteServer::errorString() const
{
    return m_error;
}

void CMRemoteServer::setAccess(const CMRemoteAccess &access)
{
    m_access = access;
    if (m_gate)
        m_gate->setAccess(access);
}
