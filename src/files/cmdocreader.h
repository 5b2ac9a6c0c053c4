#pragma once

#include "cmreader.h"

#include <QByteArray>

// Word 97-2003 binary documents (.doc), and Word 6 and 95 ones: the compound file, the FIB and
// the piece table. The text is the main document only (no headers, footers, notes or comments)
// with paragraph marks as "\n", table cells separated by tabs and one line per table row.
namespace CMDocReader {

// Larger files are refused before anything is read.
inline constexpr qint64 maxInputBytes = 256LL * 1024 * 1024;

CMReadResult read(const QByteArray &bytes);
// The file is read whole (the compound file is read at random places).
CMReadResult read(const CMSource &source);

} // namespace CMDocReader
