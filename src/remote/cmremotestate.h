#pragma once

#include <QJsonObject>
#include <engine/cmclock.h>

class CMEngine;

// The engine as a remote sees it. Instants are milliseconds on the server's clock (a steady
// clock counted from `epoch`), so a client that knows the difference between its clock and the
// server's can compute the offset itself, exactly as the live window does:
//   offset(t) = clamp(base + max(t - max(startedAt, countdownEnds), 0) / 1000 * rate,
//                     0, contentHeight)            while running and past the countdown,
//   offset(t) = base                               otherwise.
namespace CMRemoteState {

struct Script
{
    qint64 revision = 0; // changes whenever the script text changes
    qint64 words = 0;
};

double serverMs(CMInstant epoch, CMInstant t);

QJsonObject state(const CMEngine &engine, CMInstant epoch, CMInstant now, const Script &script);

// A cue line reached the reading line.
QJsonObject cueReached(const CMEngine &engine, int index, CMInstant epoch, CMInstant now);

QJsonObject settings(const CMEngine &engine);

} // namespace CMRemoteState
