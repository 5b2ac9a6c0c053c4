#include <files/cmdocxreader.h>
#include <files/cmimport.h>

#include <QByteArray>

#include <cstddef>
#include <cstdint>

using namespace Qt::StringLiterals;

// Packages go through the whole importer; anything else is taken as a main document part, so
// the XML reader is fuzzed without the ZIP checksums rejecting almost every mutation.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    if (bytes.startsWith("PK") || bytes.startsWith("\xD0\xCF\x11\xE0"))
        (void)CMImport::readBytes(u"fuzz.docx"_s, bytes);
    else
        (void)CMDocxReader::readDocumentXml(bytes);
    return 0;
}
