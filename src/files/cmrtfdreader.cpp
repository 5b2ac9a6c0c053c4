#include "cmrtfdreader.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace CMRtfdReader {

QString textFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isDir())
        return path;
    const QDir package(path);
    const QStringList found = package.entryList({u"TXT.rtf"_s}, QDir::Files | QDir::CaseSensitive);
    if (!found.isEmpty())
        return package.filePath(found.first());
    // Packages copied through case-insensitive file systems may have lost the name's case.
    const QStringList loose = package.entryList({u"txt.rtf"_s}, QDir::Files);
    return loose.isEmpty() ? QString() : package.filePath(loose.first());
}

} // namespace CMRtfdReader
