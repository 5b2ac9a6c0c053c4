#pragma once

#include "cmreader.h"

// OpenDocument text: the package (.odt) through its content.xml, and the flat single-file
// form (.fodt).
namespace CMOdtReader {

CMReadResult read(const CMSource &source, CMReadProgress *progress = nullptr);
CMReadResult readFlat(const CMSource &source, CMReadProgress *progress = nullptr);

} // namespace CMOdtReader
