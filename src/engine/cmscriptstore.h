#pragma once

#include "cmscriptbuffer.h"

#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// The autosave file: the script as UTF-8, byte for byte, in the user's data folder.
namespace CMScriptStore {

// ".../Orvelle Software/Cuemaster/current-script.txt" under the user's data folder, with the
// folder created on every call (a failure to create it shows up when writing). Empty when the
// platform reports no data folder.
QString path();

// The largest autosave read back: the importer's bound for plain text.
constexpr qint64 maxBytes = 64LL * 1024 * 1024;

struct Loaded
{
    std::optional<QString> text; // none when missing or unusable
    // An unusable file (not UTF-8, too large, a pipe, a device...) moved out of the way, so
    // the next save cannot destroy it: where it went, or empty if it could not be moved.
    std::optional<QString> keptAside;
};
// Never blocks on what it finds there and never reads more than maxBytes.
Loaded load(const QString &path);

// Atomic: the old content or the new, never a mixture. The reason on failure.
std::optional<QString> save(const QString &path, const CMScriptBuffer &text);

// Saves on a thread of its own, so a large script reaching the disk never holds up a frame.
// Only the newest text waiting matters: a write queued behind another is replaced, not added.
class Writer
{
public:
    // Called on the writer's thread with the job's generation and the failure, if any.
    using Done = std::function<void(quint64 generation, const std::optional<QString> &error)>;

    explicit Writer(Done done);
    ~Writer(); // finishes what is queued

    // Takes a snapshot of text: the writer shares its chunks, never copies them.
    void write(const QString &path, const CMScriptBuffer &text, quint64 generation);
    // Waits until nothing is queued or being written.
    void waitUntilIdle();

private:
    struct Job
    {
        QString path;
        CMScriptBuffer text;
        quint64 generation = 0;
    };
    void run();

    Done m_done;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<Job> m_queued;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace CMScriptStore
