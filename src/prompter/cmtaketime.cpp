#include "cmtaketime.h"

#include <engine/cmengine.h>
#include <kit/ovtime.h>

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Beyond any take; keeps the whole seconds far inside qint64.
constexpr double longest = 1e9;

qint64 whole(double seconds, double (*round)(double))
{
    if (!std::isfinite(seconds))
        return 0;
    return qint64(round(std::clamp(seconds, -longest, longest)));
}

} // namespace

CMTakeTime CMTakeTime::at(const CMEngine &engine, CMInstant t)
{
    CMTakeTime time;
    // The take's time is whole seconds; a hair of arithmetic must not make 3.0 read 2.
    time.elapsed = whole(engine.elapsed(t) + 1e-9, std::floor);
    if (const auto left = engine.remaining(t))
        time.remaining = whole(*left - 1e-9, std::ceil);
    // Against the figures shown, so that what the reader adds up is what the take says.
    if (engine.targetDuration() > 0 && time.remaining)
        time.overUnder =
            time.elapsed + *time.remaining - whole(engine.targetDuration(), std::round);
    return time;
}

QString CMTakeTime::elapsedText() const
{
    return u"ELAPSED "_s + OVTime::clock(double(elapsed));
}

QString CMTakeTime::remainingText() const
{
    return u"LEFT "_s + (remaining ? OVTime::clock(double(*remaining)) : u"\u2014"_s);
}

QString CMTakeTime::overUnderText() const
{
    if (!overUnder)
        return {};
    if (*overUnder == 0)
        return u"ON TIME"_s;
    return (*overUnder > 0 ? u"OVER "_s : u"UNDER "_s) +
           OVTime::clock(double(std::abs(*overUnder)));
}

QString CMTakeTime::line() const
{
    QString text = elapsedText() + u" \u00B7 "_s + remainingText();
    if (const QString over = overUnderText(); !over.isEmpty())
        text += u" \u00B7 "_s + over;
    return text;
}

namespace CMTakeTimeText {

std::optional<double> parseDuration(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0.0;
    static const QRegularExpression minutes(u"^(\\d{1,4})$"_s);
    static const QRegularExpression clock(u"^(?:(\\d{1,2}):)?(\\d{1,4}):(\\d{1,2})$"_s);
    double seconds = 0;
    if (const auto m = minutes.match(t); m.hasMatch()) {
        seconds = m.captured(1).toDouble() * 60;
    } else if (const auto c = clock.match(t); c.hasMatch()) {
        const double h = c.captured(1).toDouble();
        const double m = c.captured(2).toDouble();
        const double s = c.captured(3).toDouble();
        if (s >= 60 || (c.hasCaptured(1) && m >= 60))
            return std::nullopt;
        seconds = h * 3600 + m * 60 + s;
    } else {
        return std::nullopt;
    }
    if (seconds > 86400)
        return std::nullopt;
    return seconds;
}

QString durationText(double seconds)
{
    return seconds > 0 ? OVTime::clock(seconds) : QString();
}

} // namespace CMTakeTimeText
