#pragma once

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <utility>

class QIODevice;

// What every document reader accepts at most.
namespace CMReadLimits {
// The text of one document; a longer one is refused as it passes this, before it takes more
// memory.
inline constexpr qsizetype maxTextChars = 32'000'000;
// What one part of a package may expand to.
inline constexpr qint64 maxExpandedBytes = 256LL * 1024 * 1024;

inline QString textTooLong()
{
    return QStringLiteral("the document's text is longer than %1 million characters")
        .arg(maxTextChars / 1'000'000);
}
} // namespace CMReadLimits

// How the text readers lay out a table: a tab after each cell, a new line after each row.
namespace CMTableText {
// The new line that ends a cell's last paragraph becomes its tab; `cellStart` is where the
// cell's text began, so an empty cell still gets one.
inline void endCell(QString &text, qsizetype cellStart)
{
    if (text.size() > cellStart && text.endsWith(u'\n'))
        text.back() = u'\t';
    else
        text += u'\t';
}

// The last cell's tab becomes the row's new line.
inline void endRow(QString &text)
{
    if (text.endsWith(u'\t'))
        text.back() = u'\n';
    else
        text += u'\n';
}
} // namespace CMTableText

// What one document reader gives back: the document's plain text, or why it could not read
// it, in a few plain words for the "Details: " line of the user's message ("the ZIP container
// is damaged", "the document is encrypted"). Readers never throw.
struct CMReadResult
{
    std::optional<QString> text;
    QString failure;

    static CMReadResult ok(QString text) { return {std::move(text), {}}; }
    static CMReadResult fail(QString reason) { return {std::nullopt, std::move(reason)}; }
    explicit operator bool() const { return text.has_value(); }
};

// How far a long read has come, and whether the user gave up on it: written by the reading
// thread, read by the one that shows the progress. A cancelled reader stops at its next
// chunk or page and fails.
class CMReadProgress
{
public:
    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }
    void report(qint64 done, qint64 total)
    {
        if (total > 0)
            m_permille.store(int(std::clamp<qint64>(done * 1000 / total, 0, 1000)),
                             std::memory_order_relaxed);
    }
    int permille() const { return m_permille.load(std::memory_order_relaxed); }

    // What a cancelled reader gives as its reason; the importer shows no message for it.
    static QString cancelledReason() { return QStringLiteral("cancelled"); }

private:
    std::atomic<bool> m_cancelled{false};
    std::atomic<int> m_permille{0};
};

// Where a reader's document is: a file, which the reader opens and reads as it goes (so a
// large file never has to fit in memory), or bytes already in memory.
class CMSource
{
public:
    static CMSource file(QString path) { return CMSource(std::move(path), {}); }
    static CMSource memory(QByteArrayView bytes) { return CMSource({}, bytes); }

    bool isFile() const { return !m_path.isEmpty(); }
    const QString &path() const { return m_path; }
    QByteArrayView bytes() const { return m_bytes; }
    qint64 size() const;
    // A sequential reading of the document, or null with the reason.
    std::unique_ptr<QIODevice> open(QString *reason) const;
    // The whole document, up to `limit` bytes (readers that need it all at once).
    std::optional<QByteArray> readAll(qint64 limit, QString *reason) const;

private:
    CMSource(QString path, QByteArrayView bytes) : m_path(std::move(path)), m_bytes(bytes) {}

    QString m_path;
    QByteArrayView m_bytes;
};
