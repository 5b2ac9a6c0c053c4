#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

// One process per user owns the autosave file. The first launch takes a lock that it holds for
// its whole life and listens; a later launch hands its files to it (which raises its window)
// and exits. Lock and socket live in a folder only the user can enter, and each end checks
// that the other runs as the same user.
//
// A later launch never removes anything: only the holder of the lock replaces a socket left
// behind by a primary that died (the lock dies with its process). While a primary is still
// starting, a later launch waits for its answer; if the primary dies first, the later launch
// becomes the primary itself.
class CMSingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Role {
        Primary,   // this process owns the script
        Secondary, // the files went to the running instance
        Alone,     // no private folder or socket: runs without the guard
        Cancelled, // the user stopped waiting for the running instance
    };

    // `folder`: the private folder of lock and socket (see CMPrivateFolder); `user`: the one
    // user whose programs are talked to, checked at both ends of every connection (the
    // process's own; tests pass another).
    explicit CMSingleInstance(const QString &folder, uint user, QObject *parent = nullptr);
    ~CMSingleInstance() override; // a primary removes its socket, then lets go of the lock

    // Becomes the primary instance, or hands `files` (absolute paths) to the running one,
    // waiting for its answer as long as it lives.
    Role start(const QStringList &files);
    // Stops a start() that is waiting for the running instance (from its waiting() handler).
    void cancel();

    QString socketPath() const;
    QString lockPath() const;
    // How long a hand-over may take before waiting() is emitted.
    static constexpr int patienceMs = 1500;

Q_SIGNALS:
    // A later launch asked for these files (possibly none) and for the window to come forward.
    void activated(const QStringList &files);
    // The running instance has not answered for a while: tell the user what is going on.
    void waiting();
    // The wait is over, handed over or not.
    void waited();

private:
    enum class Lock { Taken, HeldElsewhere, Unavailable };
    Lock tryLock();
    bool listen();
    Role handOver(const QStringList &files);
    void readClient(QLocalSocket *socket);
    bool peerIsUser(const QLocalSocket &socket) const;

    QString m_folder;
    uint m_user;
    int m_lockFd = -1;
    std::function<void()> m_stopWaiting;
    std::unique_ptr<QLocalServer> m_server;
};
