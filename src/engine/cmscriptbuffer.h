#pragma once

#include <QString>
#include <QStringView>

#include <vector>

// The script's text, held in chunks of at most maxChunk characters. An edit copies at most
// the chunks it touches, never the text after it, and a copy of the buffer shares every chunk
// with the original: a snapshot for the autosave or the word count costs a list of references,
// and the next keystroke then copies one chunk, not the script. Safe to copy across threads;
// one object is used by one thread at a time.
class CMScriptBuffer
{
public:
    static constexpr qsizetype maxChunk = 1 << 15;

    CMScriptBuffer() = default;
    explicit CMScriptBuffer(QStringView text);

    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    QChar at(qsizetype position) const;
    QString mid(qsizetype position, qsizetype length) const;
    // The characters [position, position + length) as one view: into the buffer when one chunk
    // holds them, else copied into scratch (valid until the buffer or scratch changes).
    QStringView view(qsizetype position, qsizetype length, QString &scratch) const;
    QString toString() const;
    // From `from` on; -1 when there is none.
    qsizetype indexOf(QChar c, qsizetype from = 0) const;

    // Replaces `removed` characters at `position` (both clamped into the text) by `inserted`,
    // which may not point into this buffer.
    void replace(qsizetype position, qsizetype removed, QStringView inserted);

    // The chunks in order, none empty; together they are the text.
    const std::vector<QString> &chunks() const { return m_chunks; }

    // Characters the two texts share at their start, and then at their end (never overlapping
    // the shared start). Chunks the two buffers share are skipped without comparing.
    static qsizetype commonPrefix(const CMScriptBuffer &a, const CMScriptBuffer &b);
    static qsizetype commonSuffix(const CMScriptBuffer &a, const CMScriptBuffer &b,
                                  qsizetype prefix);
    static qsizetype commonPrefix(const CMScriptBuffer &a, QStringView b);
    static qsizetype commonSuffix(const CMScriptBuffer &a, QStringView b, qsizetype prefix);

    friend bool operator==(const CMScriptBuffer &a, QStringView b)
    {
        return a.size() == b.size() && commonPrefix(a, b) == b.size();
    }

private:
    // The chunk holding the character at position; the last chunk for position == size().
    std::size_t chunkAt(qsizetype position) const;
    // The longest contiguous piece that starts at p, and the one that ends at e.
    QStringView pieceFrom(qsizetype p) const;
    QStringView pieceUntil(qsizetype e) const;
    void splitInto(std::vector<QString> &pieces, QStringView text) const;
    void rebalance(std::size_t first, std::size_t last);
    void updateStarts(std::size_t from);

    std::vector<QString> m_chunks;
    std::vector<qsizetype> m_starts; // of each chunk
    qsizetype m_size = 0;
};
