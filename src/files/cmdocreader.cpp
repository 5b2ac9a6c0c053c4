#include "cmdocreader.h"

using namespace Qt::StringLiterals;

namespace CMDocReader {

CMReadResult read(const QByteArray &)
{
    return CMReadResult::fail(u"Word 97-2003 documents cannot be read yet"_s);
}

} // namespace CMDocReader
