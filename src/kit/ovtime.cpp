#include "ovtime.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace OVTime {

QString clock(double seconds, bool tenths)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return tenths ? u"0:00.0"_s : u"0:00"_s;
    // Whole tenths are counted as integers, so 0.3 s never shows as 0.2 through binary
    // floating point, and durations beyond any clock's range stay exact enough.
    constexpr double longest = 1e15; // about 31 million years: keeps the integers exact
    const double scale = tenths ? 10.0 : 1.0;
    const double units = std::floor(std::min(seconds, longest) * scale + 1e-9);
    const qint64 n = qint64(std::floor(units / scale));
    const qint64 h = n / 3600;
    const qint64 m = (n - 3600 * h) / 60;
    const qint64 s = n - 3600 * h - 60 * m;
    QString text = n < 3600 ? u"%1:"_s.arg(m) : u"%1:%2:"_s.arg(h).arg(m, 2, 10, QLatin1Char('0'));
    text += u"%1"_s.arg(s, 2, 10, QLatin1Char('0'));
    if (tenths)
        text += u".%1"_s.arg(qint64(units) % 10);
    return text;
}

} // namespace OVTime
