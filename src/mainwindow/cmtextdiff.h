#pragma once

#include <QString>
#include <QStringView>

// The one replacement that turns a text into another: the span between their common prefix
// and common suffix. Lets a change from outside reach the editor as a single undoable edit
// that leaves the caret, selection and scroll position alone wherever the texts agree.
struct CMTextDiff
{
    qsizetype position = 0; // where the replaced span starts, in both texts
    qsizetype removed = 0;  // UTF-16 units of `before` replaced
    QString inserted;

    bool isEmpty() const { return removed == 0 && inserted.isEmpty(); }

    // Never splits a surrogate pair.
    static CMTextDiff between(QStringView before, QStringView after);
};
