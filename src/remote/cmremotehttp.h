#pragma once

#include "cmremotehead.h"

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QWebSocketServer>
#include <functional>

class QTcpSocket;
class QWebSocket;

struct CMRemoteRequest
{
    QByteArray method;
    QString path;
    QByteArray contentType;
    QByteArray body;
};

struct CMRemoteReply
{
    int status = 200;
    QByteArray contentType = "application/json";
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers;
};

// Answers the requests that passed the gate.
using CMRemoteHandler = std::function<CMRemoteReply(const CMRemoteRequest &)>;

// The listening socket. Every connection waits here until its request head is complete and
// has been judged (CMRemoteGatePolicy): a refused request is answered here, with nothing of its
// body read; an accepted one goes to the HTTP server with its socket's buffer bounded by what
// it may carry, or to the WebSocket server.
class CMRemoteGate : public QTcpServer
{
    Q_OBJECT

public:
    explicit CMRemoteGate(QWebSocketServer &webSockets, QObject *parent = nullptr);

    void setAccess(const CMRemoteAccess &access) { m_access = access; }
    int waiting() const { return m_waiting; }

    static constexpr int maxWaiting = 64;

protected:
    void incomingConnection(qintptr handle) override;

private:
    void examine(QTcpSocket *socket);
    void refuse(QTcpSocket *socket, const CMRemoteVerdict &verdict);
    void pass(QTcpSocket *socket, const CMRemoteVerdict &verdict, qsizetype headSize);
    void release(QTcpSocket *socket);

    QWebSocketServer &m_webSockets;
    CMRemoteAccess m_access;
    int m_waiting = 0;
};

// The JSON API and the page: one request per connection (the gate judges each request).
class CMRemoteHttp : public QAbstractHttpServer
{
    Q_OBJECT

public:
    explicit CMRemoteHttp(CMRemoteHandler handler, QObject *parent = nullptr);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    CMRemoteHandler m_handler;
};

// The remote's one TCP port: gate, HTTP server and WebSocket server together.
class CMRemoteServer : public QObject
{
    Q_OBJECT

public:
    explicit CMRemoteServer(CMRemoteHandler handler, QObject *parent = nullptr);
    ~CMRemoteServer() override;

    bool listen(const QHostAddress &address, quint16 port);
    void close();
    bool isListening() const;
    quint16 port() const;
    QString errorString() const;
    void setAccess(const CMRemoteAccess &access);

Q_SIGNALS:
    // A client connected to the event stream; the receiver takes the socket.
    void webSocketConnected(QWebSocket *socket);

private:
    QWebSocketServer m_webSockets;
    CMRemoteHttp m_http;
    QPointer<CMRemoteGate> m_gate;
    CMRemoteAccess m_access;
    QString m_error;
};

// The wording of a status line's reason (e.g. 401 → "Unauthorized").
QByteArray cmRemoteStatusText(int status);
