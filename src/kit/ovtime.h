#pragma once

#include <QString>

namespace OVTime {

// A duration as a clock: "0:59", "1:01.2" with tenths, "1:02:05" past an hour. Fractions are
// dropped, never rounded up; negative, infinite and not-a-number durations read "0:00".
QString clock(double seconds, bool tenths = false);

} // namespace OVTime
