#include <cstddef>
#include <cstdint>
#include <files/cmdocreader.h>

// Any bytes give either text or a reason, within the sanitizers' eyes: the buffer is not copied,
// so a read past its end is caught.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const CMReadResult result = CMDocReader::read(bytes);
    if (!result && result.failure.isEmpty())
        __builtin_trap();
    return 0;
}
