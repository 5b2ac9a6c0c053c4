#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// The application's settings file (INI, "Orvelle Software/Cuemaster.conf" in the user's
// configuration folder), shared by the engine's settings and the interface's theme and zoom.
//
// Every change is written at once on a thread of its own, so a dragged knob never waits for
// the disk; a change made while a write is running is written right after it (only the newest
// values wait). A write reaches the disk whole or not at all: the file is written beside the
// old one, read back, and only then renamed over it. A failed write keeps the values in
// memory, is reported, and is tried again with the next change and every few seconds.
class CMSettingsFile : public QObject
{
    Q_OBJECT

public:
    static CMSettingsFile &shared();
    ~CMSettingsFile() override;

    static QString path();
    static constexpr qint64 maxBytes = 1 << 20;
    // Before anything reads the file: a file that is no regular file (a pipe would hang the
    // start) or is larger than maxBytes is set aside (value() does this too).
    static void checkFile();
    // Where the last file set aside went (empty when it could not be moved), once.
    static std::optional<QString> takeKeptAside();

    QVariant value(const QString &key, const QVariant &fallback = {}) const;
    void setValue(const QString &key, const QVariant &value);

    // Waits for the write under way and, if the values are still not on disk, writes them on
    // the calling thread. True when every value set is on disk.
    bool flush();
    bool failing() const;
    QString lastError() const;

    // For tests: drops values not yet written and forgets failures.
    void resetForTesting();

Q_SIGNALS:
    // A write failed, or succeeded after failing (main thread).
    void statusChanged();

private:
    CMSettingsFile();
    struct Job
    {
        QVariantMap values;
        quint64 generation = 0;
    };
    void run();
    void queueLocked();
    void finished(quint64 generation, const std::optional<QString> &error);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    QVariantMap m_pending;      // set but not yet known to be on disk
    quint64 m_generation = 0;   // of the newest change
    quint64 m_written = 0;      // generation on disk
    std::optional<Job> m_queued;
    bool m_busy = false;
    bool m_stopping = false;
    bool m_failing = false;
    QString m_error;
    QTimer m_retry;
    std::thread m_thread;
};
