#pragma once

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

struct Loaded
{
    std::optional<QString> text; // none when the file is missing or not valid UTF-8
    bool existed = false;        // a file was there, readable or not
};
Loaded load(const QString &path);

// Atomic: the old content or the new, never a mixture.
bool save(const QString &path, const QString &text);

// Renames an unreadable autosave out of the way so the next save cannot destroy it.
void keepAside(const QString &path);

// Saves on a thread of its own, so a large script reaching the disk never holds up a frame.
// Only the newest text waiting matters: a write queued behind another is replaced, not added.
class Writer
{
public:
    using Done = std::function<void(bool succeeded)>; // called on the writer's thread

    explicit Writer(Done done);
    ~Writer(); // finishes what is queued

    void write(const QString &path, const QString &text);
    void waitUntilIdle();

private:
    struct Job
    {
        QString path;
        QString text;
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
