#include "cmsettingsfile.h"

#include "cmatomicfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryFile>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int retryIntervalMs = 5000;

QString reserveBeside(const QString &path)
{
    QTemporaryFile file(path + u".XXXXXX"_s);
    file.setAutoRemove(false);
    return file.open() ? file.fileName() : QString();
}

QString failureReason(const QString &folder)
{
    const QStorageInfo storage(folder);
    if (storage.isValid() && storage.bytesAvailable() < 64 * 1024)
        return u"The disk is full."_s;
    const QFileInfo info(folder);
    if (info.exists() && !info.isWritable())
        return u"The folder can't be written to."_s;
    return u"The settings file couldn't be written."_s;
}

// The whole file with the changes applied, written beside it, read back and renamed over it.
// QSettings alone is not enough: a short write of a small file goes unnoticed and would empty
// the file.
std::optional<QString> writeFile(const QString &path, const QVariantMap &changes)
{
    const QString folder = QFileInfo(path).absolutePath();
    QVariantMap all;
    if (CMAtomicFile::inspect(path, CMSettingsFile::maxBytes) == CMAtomicFile::Kind::Regular) {
        const QSettings current(path, QSettings::IniFormat);
        for (const QString &key : current.allKeys())
            all.insert(key, current.value(key));
    }
    all.insert(changes);

    if (!QDir().mkpath(folder))
        return failureReason(folder);
    const QString written = reserveBeside(path);
    const QString checked = reserveBeside(path);
    const auto fail = [&] {
        QFile::remove(written);
        QFile::remove(checked);
        return failureReason(folder);
    };
    if (written.isEmpty() || checked.isEmpty())
        return fail();
    {
        QSettings out(written, QSettings::IniFormat);
        for (auto it = all.cbegin(); it != all.cend(); ++it)
            out.setValue(it.key(), it.value());
        out.sync();
        if (out.status() != QSettings::NoError)
            return fail();
    }
    // Read back under a name no settings object has seen, so the bytes come from the disk.
    if (::rename(QFile::encodeName(written).constData(), QFile::encodeName(checked).constData())
        != 0) {
        return fail();
    }
    {
        const QSettings back(checked, QSettings::IniFormat);
        if (back.status() != QSettings::NoError || back.allKeys().size() != all.size())
            return fail();
        for (auto it = all.cbegin(); it != all.cend(); ++it) {
            if (back.value(it.key()) != it.value())
                return fail();
        }
    }
    const int fd = ::open(QFile::encodeName(checked).constData(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!synced
        || ::rename(QFile::encodeName(checked).constData(), QFile::encodeName(path).constData())
               != 0) {
        return fail();
    }
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return std::nullopt;
}

} // namespace

CMSettingsFile &CMSettingsFile::shared()
{
    static CMSettingsFile instance;
    return instance;
}

CMSettingsFile::CMSettingsFile() : m_thread([this] { run(); })
{
    // Written while the application still exists: QSettings cannot be used once its
    // globals are gone, so the thread writes nothing after that.
    qAddPostRoutine([] { shared().flush(); });
    m_retry.setInterval(retryIntervalMs);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        std::lock_guard lock(m_mutex);
        if (m_failing)
            queueLocked();
    });
}

CMSettingsFile::~CMSettingsFile()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

QString CMSettingsFile::path()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + u"/Orvelle Software/Cuemaster.conf"_s;
}

namespace {
std::mutex keptAsideMutex;
std::optional<QString> keptAside;
} // namespace

void CMSettingsFile::checkFile()
{
    const QString file = path();
    const auto kind = CMAtomicFile::inspect(file, maxBytes);
    if (kind == CMAtomicFile::Kind::NotRegular || kind == CMAtomicFile::Kind::TooLarge) {
        const QString aside = CMAtomicFile::keepAside(file).value_or(QString());
        std::lock_guard lock(keptAsideMutex);
        keptAside = aside;
    }
}

std::optional<QString> CMSettingsFile::takeKeptAside()
{
    std::lock_guard lock(keptAsideMutex);
    return std::exchange(keptAside, std::nullopt);
}

QVariant CMSettingsFile::value(const QString &key, const QVariant &fallback) const
{
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_pending.constFind(key);
        if (it != m_pending.cend())
            return *it;
    }
    checkFile();
    const QString file = path();
    if (CMAtomicFile::inspect(file, maxBytes) != CMAtomicFile::Kind::Regular)
        return fallback;
    return QSettings(file, QSettings::IniFormat).value(key, fallback);
}

void CMSettingsFile::setValue(const QString &key, const QVariant &value)
{
    {
        std::lock_guard lock(m_mutex);
        m_pending.insert(key, value);
        ++m_generation;
        queueLocked();
    }
    m_wake.notify_one();
}

void CMSettingsFile::queueLocked()
{
    m_queued = Job{m_pending, m_generation};
    m_wake.notify_one();
}

bool CMSettingsFile::flush()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_queued && !m_busy; });
    if (m_written == m_generation)
        return true;
    const Job job{m_pending, m_generation};
    lock.unlock();
    const std::optional<QString> error = writeFile(path(), job.values);
    finished(job.generation, error);
    return !error;
}

bool CMSettingsFile::failing() const
{
    std::lock_guard lock(m_mutex);
    return m_failing;
}

QString CMSettingsFile::lastError() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

void CMSettingsFile::resetForTesting()
{
    flush();
    std::lock_guard lock(m_mutex);
    m_pending.clear();
    m_written = m_generation;
    m_failing = false;
    m_error.clear();
    m_retry.stop();
}

void CMSettingsFile::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_queued || m_stopping; });
        if (m_stopping)
            return;
        const Job job = std::move(*m_queued);
        m_queued.reset();
        m_busy = true;
        lock.unlock();
        const std::optional<QString> error = writeFile(path(), job.values);
        finished(job.generation, error);
        lock.lock();
        m_busy = false;
        if (!m_queued)
            m_idle.notify_all();
    }
}

// Any thread.
void CMSettingsFile::finished(quint64 generation, const std::optional<QString> &error)
{
    bool changed = false;
    {
        std::lock_guard lock(m_mutex);
        if (error) {
            changed = !m_failing || m_error != *error;
            m_failing = true;
            m_error = *error;
        } else {
            m_written = std::max(m_written, generation);
            if (m_written == m_generation)
                m_pending.clear();
            changed = m_failing;
            m_failing = false;
            m_error.clear();
        }
    }
    if (!changed)
        return;
    QMetaObject::invokeMethod(this, [this] {
        if (failing())
            m_retry.start();
        else
            m_retry.stop();
        Q_EMIT statusChanged();
    }, Qt::QueuedConnection);
}
