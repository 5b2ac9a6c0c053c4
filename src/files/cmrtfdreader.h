#pragma once

#include <QString>

// RTFD packages: a folder holding TXT.rtf and the attachments it shows.
namespace CMRtfdReader {

// The file whose rich text the package at `path` holds: TXT.rtf in a package folder, or the
// path itself when it is a flat file. Empty when a package folder has no TXT.rtf.
QString textFile(const QString &path);

} // namespace CMRtfdReader
