#pragma once

#include <engine/cmclock.h>

#include <QString>

#include <optional>

class CMEngine;

// The time of the take as the operator and the talent read it, in whole seconds: elapsed
// (rounded down), remaining at the current speed (rounded up, so it reaches 0:00 exactly at
// the end) and, with a target, how far the two as shown miss it: what the reader adds up is
// what the time says. From the engine's clock, like the picture.
struct CMTakeTime
{
    qint64 elapsed = 0;
    std::optional<qint64> remaining; // none while the text stands still
    std::optional<qint64> overUnder; // none without a target (or without a remaining time)

    static CMTakeTime at(const CMEngine &engine, CMInstant t);

    // "ELAPSED 1:02"
    QString elapsedText() const;
    // "LEFT 2:28", "LEFT —" at speed 0
    QString remainingText() const;
    // "OVER 0:12", "UNDER 0:08", "ON TIME"; empty without a target
    QString overUnderText() const;
    // The three joined by " · ", the empty one left out.
    QString line() const;

    friend bool operator==(const CMTakeTime &, const CMTakeTime &) = default;
};

namespace CMTakeTimeText {

// A target duration typed by the operator: "3:30", "1:02:03", or whole minutes ("5"). Blank
// means no target (0). None when the text is no duration or is longer than a day.
std::optional<double> parseDuration(const QString &text);
// How the deck shows a target: "3:30"; empty for none.
QString durationText(double seconds);

} // namespace CMTakeTimeText
