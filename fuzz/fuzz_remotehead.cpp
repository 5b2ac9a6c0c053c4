#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <remote/cmremotehead.h>

using namespace Qt::StringLiterals;

// The remote's request-head reader and its judgement: whatever a client sends before its body.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const CMRemoteHead head = CMRemoteHead::parse(bytes);
    if (head.status == CMRemoteHead::Status::Complete &&
        (head.size > bytes.size() || head.contentLength < 0))
        __builtin_trap();
    const CMRemoteVerdict verdict = CMRemoteGatePolicy::judge(head, {"fuzz-token", {u"studio"_s}});
    if (verdict.passes() && verdict.bodyLimit < 0)
        __builtin_trap();
    return 0;
}
