#pragma once

#include "cmremotecommands.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <memory>

class CMEngine;
class CMRemoteApi;
class CMRemoteOsc;
class CMRemoteServer;
class QWebSocket;

// Remote control of the prompter: the web remote and JSON API with its event WebSocket on one
// TCP port, and OSC on the UDP port of the same number where it is free. Off until started;
// bound to this machine unless other devices are allowed; every request carries the token.
// Talks to the engine through its public interface and is never called by it.
class CMRemote : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        quint16 port = 0; // 0: any free port
        bool allowNetwork = false;

        friend bool operator==(const Options &, const Options &) = default;
    };

    CMRemote(CMEngine &engine, CMRemoteHooks hooks = {}, QObject *parent = nullptr);
    ~CMRemote() override;

    bool start(const Options &options);
    void stop();
    bool isRunning() const;
    Options options() const { return m_options; }
    QString errorString() const { return m_error; }

    quint16 port() const;
    quint16 oscPort() const;

    QByteArray token() const { return m_token; }
    // A new token: every client connected with the old one is dropped.
    void renewToken();

    // Where a browser opens the remote: on this machine, or (with network access) at each
    // address other devices can reach, the first the likeliest.
    QUrl localUrl() const;
    QList<QUrl> networkUrls() const;

    int clientCount() const { return int(m_clients.size()); }
    CMRemoteApi &api() { return *m_api; }

    // Events reach WebSocket clients at most this often; each carries the latest state.
    static constexpr std::chrono::milliseconds pushInterval{15};
    static constexpr int maxClients = 100;

Q_SIGNALS:
    // Started, stopped, a new token, or clients came or went.
    void changed();

private:
    void schedulePush();
    void push();
    void announceCue(int index);
    void addClient(QWebSocket *socket);
    void removeClient(QWebSocket *socket);
    void receive(QWebSocket *socket, const QString &message);
    void send(QWebSocket *socket, const QByteArray &json);
    void dropClients();
    void updateAccess();

    CMEngine &m_engine;
    std::unique_ptr<CMRemoteApi> m_api;
    std::unique_ptr<CMRemoteServer> m_server;
    std::unique_ptr<CMRemoteOsc> m_osc;
    QList<QWebSocket *> m_clients;
    QByteArray m_token;
    Options m_options;
    QString m_error;
    QTimer m_push;
    std::chrono::steady_clock::time_point m_lastPush;
};
