#include "cmsingleinstance.h"

#include "cmprivatefolder.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 maxMessageBytes = 1 << 20;
// Between two tries while the primary is not listening yet (or has just died).
constexpr int retryMs = 100;

} // namespace

CMSingleInstance::CMSingleInstance(const QString &folder, uint user, QObject *parent)
    : QObject(parent), m_folder(folder), m_user(user)
{
}

CMSingleInstance::~CMSingleInstance()
{
    // The socket goes first: once the lock is free, a new primary may already listen at that
    // name, and its socket must not be removed.
    if (m_server)
        m_server->close();
    m_server.reset();
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

// Named after the user id, never after an environment variable that anyone can set.
QString CMSingleInstance::socketPath() const
{
    return m_folder + u"/ovs-cuemaster-%1.socket"_s.arg(CMPrivateFolder::user());
}

QString CMSingleInstance::lockPath() const
{
    return m_folder + u"/ovs-cuemaster-%1.lock"_s.arg(CMPrivateFolder::user());
}

void CMSingleInstance::cancel()
{
    if (m_stopWaiting)
        m_stopWaiting();
}

CMSingleInstance::Role CMSingleInstance::start(const QStringList &files)
{
    // Qt binds in a folder beside the name first ("<name>-XXXXXX/s"), then moves the socket.
    const qsizetype bindLength = QFile::encodeName(socketPath()).size() + 9;
    if (m_folder.isEmpty() || bindLength >= qsizetype(sizeof(sockaddr_un::sun_path)))
        return Role::Alone;
    // Close-on-exec: a program started from here (a browser for the maker's website) must not
    // keep the lock alive after this process ends.
    m_lockFd = ::open(QFile::encodeName(lockPath()).constData(),
                      O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_lockFd < 0)
        return Role::Alone;
    switch (tryLock()) {
    case Lock::Taken:
        return listen() ? Role::Primary : Role::Alone;
    case Lock::HeldElsewhere:
        return handOver(files);
    case Lock::Unavailable:
        break;
    }
    return Role::Alone;
}

CMSingleInstance::Lock CMSingleInstance::tryLock()
{
    // The kernel lets go of the lock when its process ends, however it ends: a primary killed
    // with -9 never blocks the next start.
    int result;
    do
        result = ::flock(m_lockFd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result == 0)
        return Lock::Taken;
    return errno == EWOULDBLOCK ? Lock::HeldElsewhere : Lock::Unavailable;
}

bool CMSingleInstance::listen()
{
    // Holding the lock, this is the only process that may act on the socket's name: whatever
    // is there was left by a primary that is gone.
    ::unlink(QFile::encodeName(socketPath()).constData());
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath())) {
        m_server.reset();
        return false;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            if (!peerIsUser(*socket)) {
                socket->abort();
                continue;
            }
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readClient(socket); });
            socket->write("ready\n");
        }
    });
    return true;
}

bool CMSingleInstance::peerIsUser(const QLocalSocket &socket) const
{
    ucred peer{};
    socklen_t length = sizeof(peer);
    const int fd = int(socket.socketDescriptor());
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || length != sizeof(peer))
        return false;
    return peer.uid == m_user;
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

CMSingleInstance::Role CMSingleInstance::handOver(const QStringList &files)
{
    QJsonObject object;
    object.insert("files"_L1, QJsonArray::fromStringList(files));
    const QByteArray message = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';

    // Runs an event loop, so that the message shown while waiting is drawn and answers.
    QEventLoop loop;
    QLocalSocket socket;
    QByteArray answer;
    bool sent = false;
    Role role = Role::Secondary;
    bool done = false;
    const auto finish = [&](Role r) {
        if (done)
            return;
        done = true;
        role = r;
        loop.quit();
    };
    QTimer retry;
    retry.setSingleShot(true);
    retry.setInterval(retryMs);
    const auto tryAgain = [&] {
        if (done)
            return;
        socket.abort();
        answer.clear();
        sent = false;
        retry.start();
    };
    m_stopWaiting = [&] { finish(Role::Cancelled); };
    connect(&retry, &QTimer::timeout, &loop, [&] {
        switch (tryLock()) {
        case Lock::Taken: // the primary died before it answered: this launch takes over
            finish(listen() ? Role::Primary : Role::Alone);
            break;
        case Lock::HeldElsewhere:
            socket.connectToServer(socketPath());
            break;
        case Lock::Unavailable:
            finish(Role::Alone);
            break;
        }
    });
    connect(&socket, &QLocalSocket::connected, &loop, [&] {
        // Only root can listen in the user's private folder as someone else: the files never
        // go to such a program.
        if (!peerIsUser(socket))
            finish(Role::Alone);
    });
    // The files go only once the primary runs and greets, so a launch that stops waiting
    // before then leaves nothing behind to open.
    connect(&socket, &QLocalSocket::readyRead, &loop, [&] {
        answer += socket.read(64 - answer.size());
        if (!sent && answer.startsWith("ready\n")) {
            answer.remove(0, 6);
            sent = true;
            socket.write(message);
        }
        if (sent && answer.startsWith("ok\n"))
            finish(Role::Secondary);
        else if (answer.size() >= 64 || answer.contains('\n'))
            tryAgain();
    });
    connect(&socket, &QLocalSocket::errorOccurred, &loop, [&] { tryAgain(); });
    connect(&socket, &QLocalSocket::disconnected, &loop, [&] { tryAgain(); });

    QTimer patience;
    patience.setSingleShot(true);
    bool warned = false;
    connect(&patience, &QTimer::timeout, &loop, [&] {
        warned = true;
        Q_EMIT waiting();
    });
    patience.start(patienceMs);

    socket.connectToServer(socketPath());
    if (!done)
        loop.exec();
    m_stopWaiting = nullptr;
    socket.abort();
    if (warned)
        Q_EMIT waited();
    return role;
}
