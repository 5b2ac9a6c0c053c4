#include "cmremote.h"

#include "cmremoteapi.h"
#include "cmremotehttp.h"
#include "cmremoteosc.h"
#include "cmremotetoken.h"

#include <QHostInfo>
#include <QJsonDocument>
#include <QNetworkInterface>
#include <QUrlQuery>
#include <QWebSocket>
#include <engine/cmengine.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 maxMessageBytes = 16 * 1024;
// A client that lets this much go unread is too slow to follow the prompter; it is dropped
// rather than buffered for.
constexpr qint64 maxUnsentBytes = 4 * 1024 * 1024;
// Ports tried for "any free port" before giving up on a matching UDP port.
constexpr int portAttempts = 20;

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

CMRemote::CMRemote(CMEngine &engine, CMRemoteHooks hooks, QObject *parent)
    : QObject(parent), m_engine(engine),
      m_api(std::make_unique<CMRemoteApi>(engine, std::move(hooks))),
      m_token(CMRemoteToken::generate())
{
    m_push.setSingleShot(true);
    m_push.setTimerType(Qt::PreciseTimer);
    connect(&m_push, &QTimer::timeout, this, &CMRemote::push);

    const auto changed = [this] { schedulePush(); };
    connect(&engine, &CMEngine::runningChanged, this, changed);
    connect(&engine, &CMEngine::finishedChanged, this, changed);
    connect(&engine, &CMEngine::settingsChanged, this, changed);
    connect(&engine, &CMEngine::countdownEndsChanged, this, changed);
    connect(&engine, &CMEngine::contentHeightChanged, this, changed);
    connect(&engine, &CMEngine::viewportHeightChanged, this, changed);
    connect(&engine, &CMEngine::liveChanged, this, changed);
    connect(&engine, &CMEngine::positionChanged, this, changed);
    connect(&engine, &CMEngine::cuesChanged, this, changed);
    connect(&engine, &CMEngine::scriptChanged, this, changed);
    connect(&engine, &CMEngine::targetDurationChanged, this, changed);
    connect(&engine, &CMEngine::cueReached, this, &CMRemote::announceCue);
}

CMRemote::~CMRemote()
{
    stop();
}

bool CMRemote::start(const Options &options)
{
    stop();
    m_options = options;
    m_server = std::make_unique<CMRemoteServer>(
        [this](const CMRemoteRequest &request) { return m_api->reply(request); });
    m_osc = std::make_unique<CMRemoteOsc>(
        [this](const QJsonObject &command) { return m_api->command(command); },
        [this] { return m_api->state(); });
    connect(m_server.get(), &CMRemoteServer::webSocketConnected, this, &CMRemote::addClient);
    updateAccess();

    const QHostAddress address = options.allowNetwork ? QHostAddress(QHostAddress::Any)
                                                      : QHostAddress(QHostAddress::LocalHost);
    // OSC takes the TCP port's number: one number for the operator to remember.
    bool listening = false;
    for (int attempt = 0; attempt < (options.port ? 1 : portAttempts) && !listening; ++attempt) {
        if (!m_server->listen(address, options.port)) {
            m_error =
                u"The port %1 is not free (%2)."_s.arg(options.port).arg(m_server->errorString());
            break;
        }
        listening = m_osc->listen(options.allowNetwork, m_server->port());
        if (!listening && options.port) {
            // A fixed TCP port whose UDP twin is taken: OSC goes elsewhere.
            listening = m_osc->listen(options.allowNetwork, 0);
        }
    }
    if (!listening) {
        if (m_error.isEmpty())
            m_error = m_osc->errorString();
        m_server.reset();
        m_osc.reset();
        Q_EMIT changed();
        return false;
    }
    m_osc->setToken(m_token);
    m_error.clear();
    Q_EMIT changed();
    return true;
}

void CMRemote::stop()
{
    const bool wasRunning = isRunning();
    m_push.stop();
    dropClients();
    m_osc.reset();
    m_server.reset();
    if (wasRunning)
        Q_EMIT changed();
}

bool CMRemote::isRunning() const
{
    return m_server && m_server->isListening();
}

quint16 CMRemote::port() const
{
    return m_server ? m_server->port() : 0;
}

quint16 CMRemote::oscPort() const
{
    return m_osc ? m_osc->port() : 0;
}

void CMRemote::renewToken()
{
    m_token = CMRemoteToken::generate();
    dropClients();
    updateAccess();
    if (m_osc)
        m_osc->setToken(m_token);
    Q_EMIT changed();
}

void CMRemote::updateAccess()
{
    if (!m_server)
        return;
    const QString host = QHostInfo::localHostName();
    m_server->setAccess({m_token, {host, host + u".local"_s}});
}

QUrl CMRemote::localUrl() const
{
    QUrl url;
    url.setScheme(u"http"_s);
    url.setHost(u"127.0.0.1"_s);
    url.setPort(port());
    url.setPath(u"/"_s);
    url.setQuery(u"token="_s + QString::fromLatin1(m_token));
    return url;
}

QList<QUrl> CMRemote::networkUrls() const
{
    QList<QUrl> urls;
    if (!isRunning() || !m_options.allowNetwork)
        return urls;
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces()) {
        const auto flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : iface.addressEntries()) {
            const QHostAddress ip = entry.ip();
            if (ip.protocol() != QAbstractSocket::IPv4Protocol || ip.isLinkLocal())
                continue;
            QUrl url = localUrl();
            url.setHost(ip.toString());
            // Wired and wireless networks first: where phones are.
            if (iface.type() == QNetworkInterface::Ethernet ||
                iface.type() == QNetworkInterface::Wifi)
                urls.prepend(url);
            else
                urls.append(url);
        }
    }
    return urls;
}

void CMRemote::schedulePush()
{
    if (m_push.isActive() || (m_clients.isEmpty() && (!m_osc || m_osc->subscriberCount() == 0)))
        return;
    using namespace std::chrono;
    const auto since = duration_cast<milliseconds>(steady_clock::now() - m_lastPush);
    m_push.start(since >= pushInterval ? 0ms : pushInterval - since);
}

void CMRemote::push()
{
    m_lastPush = std::chrono::steady_clock::now();
    const QJsonObject state = m_api->state();
    const QByteArray json = compact(state);
    for (QWebSocket *client : std::as_const(m_clients))
        send(client, json);
    if (m_osc)
        m_osc->publish(state);
}

void CMRemote::announceCue(int index)
{
    if (!isRunning())
        return;
    const QJsonObject cue = m_api->cueReached(index);
    const QByteArray json = compact(cue);
    for (QWebSocket *client : std::as_const(m_clients))
        send(client, json);
    if (m_osc)
        m_osc->publishCue(cue);
}

void CMRemote::addClient(QWebSocket *socket)
{
    if (m_clients.size() >= maxClients) {
        socket->close(QWebSocketProtocol::CloseCodePolicyViolated, u"Too many remotes."_s);
        socket->deleteLater();
        return;
    }
    socket->setParent(this);
    socket->setMaxAllowedIncomingMessageSize(maxMessageBytes);
    socket->setMaxAllowedIncomingFrameSize(maxMessageBytes);
    m_clients.append(socket);
    connect(socket, &QWebSocket::textMessageReceived, this,
            [this, socket](const QString &message) { receive(socket, message); });
    connect(socket, &QWebSocket::binaryMessageReceived, socket,
            [socket] { socket->close(QWebSocketProtocol::CloseCodeDatatypeNotSupported); });
    connect(socket, &QWebSocket::disconnected, this, [this, socket] { removeClient(socket); });
    send(socket, compact(m_api->state()));
    Q_EMIT changed();
}

void CMRemote::removeClient(QWebSocket *socket)
{
    if (m_clients.removeOne(socket)) {
        socket->deleteLater();
        Q_EMIT changed();
    }
}

void CMRemote::dropClients()
{
    const QList<QWebSocket *> clients = std::exchange(m_clients, {});
    for (QWebSocket *client : clients) {
        client->disconnect(this);
        client->abort();
        client->deleteLater();
    }
    if (!clients.isEmpty())
        Q_EMIT changed();
}

void CMRemote::send(QWebSocket *socket, const QByteArray &json)
{
    if (socket->bytesToWrite() > maxUnsentBytes) {
        socket->abort();
        return;
    }
    socket->sendTextMessage(QString::fromUtf8(json));
}

void CMRemote::receive(QWebSocket *socket, const QString &message)
{
    const QJsonDocument doc = QJsonDocument::fromJson(message.toUtf8());
    const QJsonObject object = doc.object();
    const QJsonValue id = object.value(u"id"_s);
    if (object.value(u"type"_s).toString() == u"ping") {
        // The client's clock reading comes back with the server's, for its clock difference.
        send(socket, compact({{u"type"_s, u"pong"_s},
                              {u"id"_s, id},
                              {u"t"_s, object.value(u"t"_s)},
                              {u"server"_s, m_api->serverMs()}}));
        return;
    }
    const QString error = doc.isObject() ? m_api->command(object) : u"Send a JSON object."_s;
    QJsonObject result{{u"type"_s, u"result"_s}, {u"id"_s, id}, {u"ok"_s, error.isEmpty()}};
    if (!error.isEmpty())
        result.insert(u"error"_s, error);
    send(socket, compact(result));
}
