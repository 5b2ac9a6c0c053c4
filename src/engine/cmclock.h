#pragma once

#include <chrono>
#include <functional>

// Instants of the scroll clock. Monotonic: a change of the wall clock never moves the text.
using CMClock = std::chrono::steady_clock;
using CMInstant = CMClock::time_point;
using CMSeconds = std::chrono::duration<double>;

// Where the engine reads "now"; tests install their own.
using CMTimeSource = std::function<CMInstant()>;

inline double secondsBetween(CMInstant from, CMInstant to)
{
    return std::chrono::duration_cast<CMSeconds>(to - from).count();
}

inline CMInstant addSeconds(CMInstant t, double seconds)
{
    return t + std::chrono::duration_cast<CMClock::duration>(CMSeconds(seconds));
}
