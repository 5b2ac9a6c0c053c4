#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class CMEngine;
class QThread;

// Imports one file at a time on a thread of its own, so a long document never stalls the
// prompter or the keys. The engine's script is replaced only when the whole text is there; a
// failure shows its alert; cancel() or a newer import ends the running one without a word.
// While a read runs, progress() is reported ten times a second.
class CMImportJob : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(bool imported)>;

    // The engine's one import job, made on first use.
    static CMImportJob *of(CMEngine &engine);
    ~CMImportJob() override;

    // Reads `path` and replaces the script; on failure, an alert titled `failureTitle`.
    // `done` runs on this thread once the import ended, whatever the outcome.
    void start(const QString &path, const QString &failureTitle, Done done = {});
    void cancel();

    bool running() const { return m_current != nullptr; }
    QString fileName() const;
    int permille() const;
    // How long the running import has taken so far.
    qint64 elapsedMs() const { return running() ? m_clock.elapsed() : 0; }

Q_SIGNALS:
    void runningChanged(bool running);
    void progress(int permille);
    void finished(bool imported);

private:
    struct Read;
    explicit CMImportJob(CMEngine &engine);
    void deliver(const std::shared_ptr<Read> &read);
    void end(bool imported);

    CMEngine &m_engine;
    std::shared_ptr<Read> m_current;
    std::vector<QThread *> m_threads;
    QTimer m_poll;
    QElapsedTimer m_clock;
};
