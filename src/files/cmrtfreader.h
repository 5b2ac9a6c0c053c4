#pragma once

#include "cmreader.h"

#include <QByteArrayView>

// Rich Text Format: the text of the document body. Tables, headers, footers, notes, pictures,
// field instructions and every other non-text destination are left out.
namespace CMRtfReader {

// Deeper nesting than this is refused as damaged: no real document comes near it.
constexpr int maxGroupDepth = 1000;

CMReadResult read(QByteArrayView bytes);
// A file is read in chunks, never whole.
CMReadResult read(const CMSource &source, CMReadProgress *progress = nullptr);

} // namespace CMRtfReader
