#include "cmtextdiff.h"

#include <algorithm>

CMTextDiff CMTextDiff::between(QStringView before, QStringView after)
{
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < shorter && before[prefix] == after[prefix])
        ++prefix;
    if (prefix > 0 && before[prefix - 1].isHighSurrogate())
        --prefix;

    // The suffix may not reach into the prefix of either text.
    const qsizetype room = shorter - prefix;
    qsizetype suffix = 0;
    while (suffix < room
           && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    if (suffix > 0 && before[before.size() - suffix].isLowSurrogate())
        --suffix;

    CMTextDiff diff;
    diff.position = prefix;
    diff.removed = before.size() - prefix - suffix;
    diff.inserted = after.mid(prefix, after.size() - prefix - suffix).toString();
    return diff;
}
