#pragma once

#include "cmreader.h"

// Web pages (HTML and XHTML), parsed by libxml2's HTML parser: the text of the body as a
// browser lays it out, one line per block (paragraph, heading, list item, table row with its
// cells separated by tabs), <br> a line break, white space collapsed outside <pre>. Scripts,
// styles, the head and hidden elements are left out.
namespace CMHtmlReader {

// A page is text: a larger file is refused. The parser keeps its longest markup token in
// memory twice, so this also bounds what a hostile page can take.
constexpr qint64 maxFileBytes = 32LL * 1024 * 1024;
constexpr int maxDepth = 5000;

CMReadResult read(const CMSource &source, CMReadProgress *progress = nullptr);

// The character encoding a page declares in its first bytes (byte-order mark, meta charset,
// XML declaration), else UTF-8 when those bytes are valid UTF-8, else Windows-1252.
QByteArray encoding(QByteArrayView head);

} // namespace CMHtmlReader
