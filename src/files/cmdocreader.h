#pragma once

#include "cmreader.h"

#include <QByteArray>

// Word 97-2003 binary documents (.doc): the compound file, the FIB and the piece table.
namespace CMDocReader {

CMReadResult read(const QByteArray &bytes);

} // namespace CMDocReader
