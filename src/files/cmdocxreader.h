#pragma once

#include "cmreader.h"

#include <QByteArray>

// Word documents in Office Open XML (.docx), transitional or strict: the main document part,
// found through the package relationships.
namespace CMDocxReader {

// What the main document part may expand to: a small package that inflates to gigabytes is
// refused as soon as it passes this, with memory bounded by the text read so far.
constexpr qint64 maxExpandedBytes = CMReadLimits::maxExpandedBytes;
constexpr qsizetype maxTextChars = CMReadLimits::maxTextChars;

struct Limits
{
    qint64 expandedBytes = maxExpandedBytes;
    qsizetype textChars = maxTextChars;
};

CMReadResult read(const CMSource &source, const Limits &limits = {},
                  CMReadProgress *progress = nullptr);
inline CMReadResult read(const QByteArray &bytes, const Limits &limits = {})
{
    return read(CMSource::memory(bytes), limits);
}

// The text of a main document part alone (tests and fuzzing reach the XML reader this way).
CMReadResult readDocumentXml(QByteArrayView xml);

} // namespace CMDocxReader
