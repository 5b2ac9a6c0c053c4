#include <files/cmimport.h>
#include <files/cmodtreader.h>

#include <QByteArray>

#include <cstddef>
#include <cstdint>

using namespace Qt::StringLiterals;

// Packages go through the whole importer; anything else is read as a flat document, so the
// XML side is fuzzed without the ZIP checksums rejecting almost every mutation.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    if (bytes.startsWith("PK"))
        (void)CMImport::readBytes(u"fuzz.odt"_s, bytes);
    else
        (void)CMOdtReader::readFlat(CMSource::memory(bytes));
    return 0;
}
