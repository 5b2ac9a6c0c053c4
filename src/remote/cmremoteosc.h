#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QJsonObject>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QUdpSocket;

// OSC over UDP, on the Qt event loop: a UDP socket bound like the HTTP port, with liblo
// reading and writing the OSC messages. The remote's commands are /cuemaster/NAME messages;
// feedback goes to the clients that subscribed. OSC carries no credentials, so
// messages are taken from this machine only, and, when other devices are allowed, from a host
// that first sent /cuemaster/pair with the token. Everything else is dropped unanswered.
class CMRemoteOsc : public QObject
{
    Q_OBJECT

public:
    // Runs one command ({"command": NAME, ...}); returns the error, empty when done.
    using Commands = std::function<QString(const QJsonObject &)>;
    using State = std::function<QJsonObject()>;

    CMRemoteOsc(Commands commands, State state, QObject *parent = nullptr);
    ~CMRemoteOsc() override;

    bool listen(bool allowNetwork, quint16 port);
    void close();
    bool isListening() const { return m_socket != nullptr; }
    quint16 port() const;
    QString errorString() const { return m_error; }

    // A new token forgets every paired host.
    void setToken(const QByteArray &token);
    int subscriberCount() const;

    // One datagram as it arrived: a message or a bundle of them.
    void receive(const QByteArray &packet, const QHostAddress &from, quint16 port);

    // Feedback: the state's main values, and cue announcements.
    void publish(const QJsonObject &state);
    void publishCue(const QJsonObject &cue);

    static constexpr int maxSubscribers = 32;
    static constexpr int maxPairedHosts = 64;

private:
    struct Subscriber
    {
        QHostAddress host;
        quint16 port = 0;
    };
    struct Message;

    void readPending();
    void dispatch(const QByteArray &packet, const QHostAddress &from, quint16 port, int depth);
    void handle(const Message &message);
    void subscribe(const QHostAddress &host, quint16 port);
    void unsubscribe(const QHostAddress &host, quint16 port);
    void sendState(const QHostAddress &host, quint16 port, const QJsonObject &state);
    void send(const QHostAddress &host, quint16 port, const char *path, void *message);

    Commands m_commands;
    State m_state;
    std::unique_ptr<QUdpSocket> m_socket;
    bool m_allowNetwork = false;
    QByteArray m_token;
    QSet<QString> m_paired;
    std::vector<Subscriber> m_subscribers;
    QString m_error;
};
