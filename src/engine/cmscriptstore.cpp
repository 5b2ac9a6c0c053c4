#include "cmscriptstore.h"

#include <store/cmatomicfile.h>

#include <QDir>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>

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
    const auto unusable = [&] {
        result.keptAside = CMAtomicFile::keepAside(path).value_or(QString());
        return result;
    };
    switch (CMAtomicFile::inspect(path, maxBytes)) {
    case CMAtomicFile::Kind::Missing:
        return result;
    case CMAtomicFile::Kind::TooLarge:
    case CMAtomicFile::Kind::NotRegular:
        return unusable();
    case CMAtomicFile::Kind::Regular:
        break;
    }
    const std::optional<QByteArray> bytes = CMAtomicFile::readRegular(path, maxBytes);
    if (!bytes)
        return unusable();
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(*bytes);
    if (decoder.hasError())
        return unusable();
    result.text = std::move(text);
    return result;
}

std::optional<QString> save(const QString &path, const CMScriptBuffer &text)
{
    QStringEncoder encoder(QStringEncoder::Utf8);
    QByteArray bytes;
    bytes.reserve(text.size() + text.size() / 8);
    for (const QString &chunk : text.chunks()) {
        const QByteArray encoded = encoder.encode(chunk);
        bytes.append(encoded);
    }
    return CMAtomicFile::write(path, bytes);
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

void Writer::write(const QString &path, const CMScriptBuffer &text, quint64 generation)
{
    {
        std::lock_guard lock(m_mutex);
        m_queued = Job{path, text, generation};
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
        const std::optional<QString> error = save(job.path, job.text);
        job.text = CMScriptBuffer(); // the engine's next edit need not copy a chunk shared with this job
        if (m_done)
            m_done(job.generation, error);
        lock.lock();
        m_busy = false;
        if (!m_queued)
            m_idle.notify_all();
    }
}

} // namespace CMScriptStore
