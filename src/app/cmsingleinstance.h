#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

class QLocalServer;

// One process per user owns the autosave file. The first launch becomes the primary instance
// and listens; a later launch hands its files to it (which raises its window) and exits.
class CMSingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Role { Primary, Secondary, Alone };

    // key: the per-user name of the rendezvous point (tests pass their own).
    explicit CMSingleInstance(const QString &key, QObject *parent = nullptr);
    ~CMSingleInstance() override;

    // Becomes the primary instance, or hands `files` (absolute paths) to the running one.
    // Alone means neither worked (no runtime folder, socket refused): run without the guard.
    Role start(const QStringList &files);

    static QString defaultKey();

Q_SIGNALS:
    // A later launch asked for these files (possibly none) and for the window to come forward.
    void activated(const QStringList &files);

private:
    bool forward(const QStringList &files);
    bool listen();
    void readClient(class QLocalSocket *socket);

    QString m_key;
    std::unique_ptr<QLocalServer> m_server;
};
