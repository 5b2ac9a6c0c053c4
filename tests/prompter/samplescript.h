#pragma once

#include <QStringList>

// Scripts for the layout and picture tests: lines of varied length, cues and blank lines.
namespace samplescript {

inline QString words(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("word%1").arg(i);
    return list.join(u' ');
}

inline QString script(int lines)
{
    QStringList list;
    for (int i = 0; i < lines; ++i) {
        if (i % 7 == 3)
            list << QString();
        else if (i % 5 == 4)
            list << QStringLiteral("[Cue %1]").arg(i);
        else
            list << words(4 + i % 9);
    }
    return list.join(u'\n');
}

} // namespace samplescript
