#pragma once

#include "cmreader.h"

// PDF documents, through poppler: the text of every page in reading order, laid out again as
// paragraphs (CMPdfLayout). A PDF of scanned pictures has no text; one that needs a password
// to open is refused.
namespace CMPdfReader {

CMReadResult read(const CMSource &source, CMReadProgress *progress = nullptr);

} // namespace CMPdfReader
