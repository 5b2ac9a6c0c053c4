#include "cmscriptstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace CMScriptStore {

QString path()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return {};
    const QString folder = data + u"/Orvelle Software/Cuemaster"_s;
    QDir().mkpath(folder);
    return folder + u"/current-script.txt"_s;
}

Loaded load(const QString &path)
{
    Loaded result;
    if (path.isEmpty())
        return result;
    QFile file(path);
    result.existed = file.exists();
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return result;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return result;
    result.text = std::move(text);
    return result;
}

bool save(const QString &path, const QString &text)
{
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void keepAside(const QString &path)
{
    const QString aside = path + u".unreadable"_s;
    QFile::remove(aside);
    QFile::rename(path, aside);
}

Writer::Writer(Done done) : m_done(std::move(done)), m_thread([this] { run(); }) {}

Writer::~Writer()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void Writer::write(const QString &path, const QString &text)
{
    {
        std::lock_guard lock(m_mutex);
        m_queued = Job{path, text}; // shared, not copied: QString's sharing is thread-safe
    }
    m_wake.notify_one();
}

void Writer::waitUntilIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_queued && !m_busy; });
}

void Writer::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_queued || m_stopping; });
        if (!m_queued)
            return;
        Job job = std::move(*m_queued);
        m_queued.reset();
        m_busy = true;
        lock.unlock();
        const bool ok = save(job.path, job.text);
        if (m_done)
            m_done(ok);
        lock.lock();
        m_busy = false;
        if (!m_queued)
            m_idle.notify_all();
    }
}

} // namespace CMScriptStore
