#include "cmremoteosc.h"

#include "cmremotetoken.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <cstdlib>
#include <cstring>
#include <lo/lo.h>

using namespace Qt::StringLiterals;

namespace {

constexpr const char prefix[] = "/cuemaster/";
// Datagrams handled per wake-up: a flood waits for the next turn of the event loop instead of
// holding up a frame.
constexpr int datagramsPerWake = 64;
constexpr int maxBundleDepth = 4;

quint32 bigEndian32(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return (quint32(u[0]) << 24) | (quint32(u[1]) << 16) | (quint32(u[2]) << 8) | quint32(u[3]);
}

} // namespace

struct CMRemoteOsc::Message
{
    QHostAddress host;
    quint16 port = 0;
    QString path;
    QJsonArray args; // numbers, booleans and strings; null for other types
};

CMRemoteOsc::CMRemoteOsc(Commands commands, State state, QObject *parent)
    : QObject(parent), m_commands(std::move(commands)), m_state(std::move(state))
{
}

CMRemoteOsc::~CMRemoteOsc()
{
    close();
}

bool CMRemoteOsc::listen(bool allowNetwork, quint16 port)
{
    close();
    auto socket = std::make_unique<QUdpSocket>();
    const QHostAddress address =
        allowNetwork ? QHostAddress(QHostAddress::Any) : QHostAddress(QHostAddress::LocalHost);
    if (!socket->bind(address, port)) {
        m_error = u"The OSC port %1 is not free."_s.arg(port);
        return false;
    }
    m_socket = std::move(socket);
    m_allowNetwork = allowNetwork;
    m_error.clear();
    connect(m_socket.get(), &QUdpSocket::readyRead, this, &CMRemoteOsc::readPending);
    return true;
}

void CMRemoteOsc::close()
{
    m_socket.reset();
    m_subscribers.clear();
    m_paired.clear();
}

quint16 CMRemoteOsc::port() const
{
    return m_socket ? m_socket->localPort() : 0;
}

int CMRemoteOsc::subscriberCount() const
{
    return int(m_subscribers.size());
}

void CMRemoteOsc::setToken(const QByteArray &token)
{
    if (token == m_token)
        return;
    m_token = token;
    m_paired.clear();
    // Hosts that subscribed over the network paired with the old token.
    std::erase_if(m_subscribers, [](const Subscriber &s) { return !s.host.isLoopback(); });
}

void CMRemoteOsc::readPending()
{
    for (int i = 0; i < datagramsPerWake && m_socket && m_socket->hasPendingDatagrams(); ++i) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram(64 * 1024);
        receive(datagram.data(), datagram.senderAddress(), quint16(datagram.senderPort()));
    }
    // Whatever is left comes back through readyRead on the next turn of the event loop.
    if (m_socket && m_socket->hasPendingDatagrams())
        QMetaObject::invokeMethod(this, &CMRemoteOsc::readPending, Qt::QueuedConnection);
}

void CMRemoteOsc::receive(const QByteArray &packet, const QHostAddress &from, quint16 port)
{
    dispatch(packet, from, port, 0);
}

void CMRemoteOsc::dispatch(const QByteArray &packet, const QHostAddress &from, quint16 port,
                           int depth)
{
    // A bundle: "#bundle", a time tag, then sized elements. Elements run at once.
    if (packet.startsWith(QByteArrayView("#bundle\0", 8))) {
        if (depth >= maxBundleDepth)
            return;
        qsizetype at = 16;
        while (at + 4 <= packet.size()) {
            const quint32 size = bigEndian32(packet.constData() + at);
            at += 4;
            if (size == 0 || size % 4 != 0 || size > quint32(packet.size() - at))
                return;
            dispatch(packet.mid(at, size), from, port, depth + 1);
            at += size;
        }
        return;
    }
    QByteArray data = packet;
    int result = 0;
    lo_message message = lo_message_deserialise(data.data(), size_t(data.size()), &result);
    if (!message)
        return;
    Message m;
    m.host = from;
    m.port = port;
    m.path = QString::fromUtf8(lo_get_path(data.data(), data.size()));
    const char *types = lo_message_get_types(message);
    lo_arg **argv = lo_message_get_argv(message);
    for (int i = 0; i < lo_message_get_argc(message); ++i) {
        const auto type = lo_type(types[i]);
        if (type == LO_STRING || type == LO_SYMBOL)
            m.args.append(QString::fromUtf8(&argv[i]->s));
        else if (type == LO_TRUE || type == LO_FALSE)
            m.args.append(type == LO_TRUE);
        else if (lo_is_numerical_type(type))
            m.args.append(double(lo_hires_val(type, argv[i])));
        else
            m.args.append(QJsonValue());
    }
    lo_message_free(message);
    handle(m);
}

void CMRemoteOsc::handle(const Message &m)
{
    if (!m.path.startsWith(QLatin1StringView(prefix)))
        return;
    const bool local = m.host.isLoopback();
    const QString name = m.path.sliced(int(sizeof(prefix) - 1));
    const QString host = m.host.toString();
    if (name == u"pair") {
        if (!m_allowNetwork || local || m.args.size() != 1 || !m.args[0].isString())
            return;
        if (!CMRemoteToken::matches(m.args[0].toString().toUtf8(), m_token))
            return;
        if (m_paired.size() < maxPairedHosts)
            m_paired.insert(host);
        return;
    }
    if (!local && !(m_allowNetwork && m_paired.contains(host)))
        return;

    const auto number = [&m](int i) -> std::optional<double> {
        return i < m.args.size() && m.args[i].isDouble() ? std::optional(m.args[i].toDouble())
                                                         : std::nullopt;
    };
    const auto replyPort = [&] {
        const auto p = number(0);
        return p && *p >= 1 && *p <= 65535 ? quint16(*p) : m.port;
    };
    if (name == u"subscribe") {
        subscribe(m.host, replyPort());
        return;
    }
    if (name == u"unsubscribe") {
        unsubscribe(m.host, replyPort());
        return;
    }
    if (name == u"state") {
        sendState(m.host, replyPort(), m_state());
        return;
    }

    QJsonObject command{{u"command"_s, name}};
    const auto argument = [&](const QString &key) {
        const auto v = number(0);
        command.insert(key, v ? QJsonValue(*v) : QJsonValue());
    };
    if (name == u"speed") {
        argument(u"value"_s);
    } else if (name == u"jump") {
        argument(u"points"_s);
    } else if (name == u"jump-screens") {
        command.insert(u"command"_s, u"jump"_s);
        argument(u"screens"_s);
    } else if (name == u"jump-to") {
        argument(u"offset"_s);
    } else if (name == u"cue") {
        argument(u"index"_s);
    } else if (name == u"mirror" || name == u"flip" || name == u"live") {
        if (const auto v = number(0))
            command.insert(u"on"_s, *v != 0);
        else if (!m.args.isEmpty() && m.args[0].isBool())
            command.insert(u"on"_s, m.args[0].toBool());
    }
    m_commands(command);
}

void CMRemoteOsc::subscribe(const QHostAddress &host, quint16 port)
{
    for (const Subscriber &s : m_subscribers) {
        if (s.host == host && s.port == port)
            return;
    }
    if (int(m_subscribers.size()) >= maxSubscribers)
        return;
    m_subscribers.push_back({host, port});
    sendState(host, port, m_state());
}

void CMRemoteOsc::unsubscribe(const QHostAddress &host, quint16 port)
{
    std::erase_if(m_subscribers,
                  [&](const Subscriber &s) { return s.host == host && s.port == port; });
}

void CMRemoteOsc::send(const QHostAddress &host, quint16 port, const char *path, void *message)
{
    auto *m = static_cast<lo_message>(message);
    size_t size = 0;
    if (void *data = lo_message_serialise(m, path, nullptr, &size)) {
        if (m_socket)
            m_socket->writeDatagram(static_cast<const char *>(data), qint64(size), host, port);
        std::free(data);
    }
    lo_message_free(m);
}

void CMRemoteOsc::sendState(const QHostAddress &host, quint16 port, const QJsonObject &state)
{
    const auto sendInt = [&](const char *path, int value) {
        lo_message m = lo_message_new();
        lo_message_add_int32(m, value);
        send(host, port, path, m);
    };
    const auto sendFloat = [&](const char *path, double value) {
        lo_message m = lo_message_new();
        lo_message_add_float(m, float(value));
        send(host, port, path, m);
    };
    sendInt("/cuemaster/running", state.value(u"running"_s).toBool());
    sendInt("/cuemaster/finished", state.value(u"finished"_s).toBool());
    sendInt("/cuemaster/live", state.value(u"live"_s).toBool());
    sendFloat("/cuemaster/speed",
              state.value(u"settings"_s).toObject().value(u"speed"_s).toDouble());
    sendInt("/cuemaster/countdown",
            int(state.value(u"countdown"_s).toObject().value(u"left"_s).toDouble()));
    sendFloat("/cuemaster/offset", state.value(u"offset"_s).toDouble());
    sendFloat("/cuemaster/elapsed", state.value(u"elapsed"_s).toDouble());
    sendFloat("/cuemaster/remaining", state.value(u"remaining"_s).toDouble(-1));
}

void CMRemoteOsc::publish(const QJsonObject &state)
{
    for (const Subscriber &s : m_subscribers)
        sendState(s.host, s.port, state);
}

void CMRemoteOsc::publishCue(const QJsonObject &cue)
{
    const QByteArray text = cue.value(u"text"_s).toString().toUtf8();
    const int index = cue.value(u"index"_s).toInt();
    for (const Subscriber &s : m_subscribers) {
        lo_message m = lo_message_new();
        lo_message_add_int32(m, index);
        lo_message_add_string(m, text.constData());
        send(s.host, s.port, "/cuemaster/cue", m);
    }
}
