#include "cmsingleinstance.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

constexpr int connectTimeoutMs = 500;
constexpr int ioTimeoutMs = 2000;
constexpr qint64 maxMessageBytes = 1 << 20;

QString lockPath(const QString &key)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + u'/' + key + u".lock"_s;
}

} // namespace

CMSingleInstance::CMSingleInstance(const QString &key, QObject *parent)
    : QObject(parent), m_key(key)
{
}

CMSingleInstance::~CMSingleInstance() = default;

QString CMSingleInstance::defaultKey()
{
    const QString user = qEnvironmentVariable("USER", qEnvironmentVariable("LOGNAME"));
    return u"ovs-cuemaster-"_s + (user.isEmpty() ? u"user"_s : user);
}

CMSingleInstance::Role CMSingleInstance::start(const QStringList &files)
{
    // Two launches at the same moment must not both become primary.
    QLockFile lock(lockPath(m_key));
    lock.setStaleLockTime(5000);
    const bool locked = lock.tryLock(3000);
    if (forward(files))
        return Role::Secondary;
    if (!locked)
        return Role::Alone;
    return listen() ? Role::Primary : Role::Alone;
}

bool CMSingleInstance::forward(const QStringList &files)
{
    QLocalSocket socket;
    socket.connectToServer(m_key);
    if (!socket.waitForConnected(connectTimeoutMs))
        return false;
    QJsonObject message;
    message.insert("files"_L1, QJsonArray::fromStringList(files));
    socket.write(QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n');
    if (!socket.waitForBytesWritten(ioTimeoutMs))
        return false;
    // Wait for the primary's acknowledgement, so a hung primary is not mistaken for success.
    return socket.waitForReadyRead(ioTimeoutMs) && socket.readAll().startsWith("ok");
}

bool CMSingleInstance::listen()
{
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left behind by a crashed primary would block us forever.
    QLocalServer::removeServer(m_key);
    if (!m_server->listen(m_key)) {
        m_server.reset();
        return false;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readClient(socket); });
        }
    });
    return true;
}

void CMSingleInstance::readClient(QLocalSocket *socket)
{
    if (socket->bytesAvailable() > maxMessageBytes) {
        socket->abort();
        return;
    }
    if (!socket->canReadLine())
        return;
    const QJsonDocument doc = QJsonDocument::fromJson(socket->readLine(maxMessageBytes));
    socket->write("ok\n");
    socket->flush();
    QStringList files;
    for (const QJsonValue &v : doc.object().value("files"_L1).toArray()) {
        if (v.isString())
            files << v.toString();
    }
    Q_EMIT activated(files);
}
