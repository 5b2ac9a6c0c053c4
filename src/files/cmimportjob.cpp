#include "cmimportjob.h"

#include "cmimport.h"
#include "cmreader.h"
#include "ovalert.h"

#include <engine/cmengine.h>

#include <QFileInfo>
#include <QThread>

using namespace Qt::StringLiterals;

struct CMImportJob::Read
{
    QString path;
    QString failureTitle;
    Done done;
    CMReadProgress progress;
    CMImport::Result result;
};

CMImportJob *CMImportJob::of(CMEngine &engine)
{
    if (auto *job = engine.findChild<CMImportJob *>(QString(), Qt::FindDirectChildrenOnly))
        return job;
    return new CMImportJob(engine);
}

CMImportJob::CMImportJob(CMEngine &engine) : QObject(&engine), m_engine(engine)
{
    m_poll.setInterval(100);
    connect(&m_poll, &QTimer::timeout, this, [this] { Q_EMIT progress(permille()); });
}

CMImportJob::~CMImportJob()
{
    if (m_current)
        m_current->progress.cancel();
    // Readers look at the cancel flag at every chunk and page: this is short.
    for (QThread *thread : m_threads) {
        thread->wait();
        delete thread;
    }
}

QString CMImportJob::fileName() const
{
    return m_current ? QFileInfo(m_current->path).fileName() : QString();
}

int CMImportJob::permille() const
{
    return m_current ? m_current->progress.permille() : 0;
}

void CMImportJob::start(const QString &path, const QString &failureTitle, Done done)
{
    const bool wasRunning = running();
    if (m_current) {
        m_current->progress.cancel();
        if (m_current->done)
            m_current->done(false);
    }
    auto read = std::make_shared<Read>();
    read->path = path;
    read->failureTitle = failureTitle;
    read->done = std::move(done);
    m_current = read;
    m_clock.start();

    QThread *thread = QThread::create([this, read] {
        read->result = CMImport::read(read->path, &read->progress);
        // Queued to this object: dropped unread if it is gone by then.
        QMetaObject::invokeMethod(this, [this, read] { deliver(read); }, Qt::QueuedConnection);
    });
    m_threads.push_back(thread);
    connect(thread, &QThread::finished, this, [this, thread] {
        std::erase(m_threads, thread);
        thread->deleteLater();
    });
    thread->start(QThread::LowPriority);
    m_poll.start();
    if (!wasRunning)
        Q_EMIT runningChanged(true);
}

void CMImportJob::cancel()
{
    if (!m_current)
        return;
    m_current->progress.cancel();
    const Done done = std::move(m_current->done);
    m_current.reset();
    if (done)
        done(false);
    end(false);
}

void CMImportJob::deliver(const std::shared_ptr<Read> &read)
{
    if (read != m_current)
        return; // cancelled, or overtaken by a newer import
    const Done done = std::move(read->done);
    m_current.reset();
    const CMImport::Result &result = read->result;
    if (result)
        m_engine.replaceScript(*result.text);
    // The progress goes away before an alert says why the import failed.
    end(bool(result));
    if (!result && !result.cancelled)
        OVAlert::show(read->failureTitle, result.error->message());
    if (done)
        done(bool(result));
}

void CMImportJob::end(bool imported)
{
    m_poll.stop();
    Q_EMIT runningChanged(false);
    Q_EMIT finished(imported);
}
