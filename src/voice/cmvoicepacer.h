#pragma once

#include <algorithm>
#include <deque>
#include <functional>

// Keeps the word being read at the reading line by choosing the scroll rate, never the
// position: the text only ever speeds up or slows down, within a bounded acceleration, so it
// glides. Between heard words the place is carried on at the reader's pace, but only as far as
// the words heard since allow (see CMVoiceTracker::reach()), so the text comes to rest soon
// after the reader stops.
// Times are seconds on one clock; offsets are canvas points.
class CMVoicePacer
{
public:
    struct Options
    {
        double gain = 2.0;             // per second: how quickly a distance is closed
        double acceleration = 500;     // points per second², at most
        double maxRate = 3000;         // points per second
        double wordsPerSecond = 2.5;   // the pace assumed before one is measured
        double paceWindow = 8;         // seconds of heard words the pace is measured over
    };
    // The offset that shows a word position (fractional: 3.5 is half-way through word 3) at
    // the reading line.
    using Place = std::function<double(double words)>;

    CMVoicePacer() = default;
    explicit CMVoicePacer(Options options)
        : m_options(options)
    {
    }

    // The reader is at the start of word `wordsRead` at time t; forgets the measured pace.
    void reset(double wordsRead, double t);
    // Word `wordsRead - 1` was heard to end at time t.
    void heard(double wordsRead, double t);
    // How many words past the last word heard the place may be carried.
    void setReach(double words) { m_reach = std::max(words, 0.0); }

    // Where the reader is believed to be at time t, in words.
    double target(double t) const;
    double wordsPerSecond() const { return m_pace; }

    // The rate to scroll at from t on, given the offset shown at t and the rate in force;
    // dt is the time since the previous call (it bounds the change of rate).
    double rate(double t, double offset, double currentRate, double dt, const Place &place) const;

private:
    Options m_options;
    double m_wordsRead = 0;
    double m_heardAt = 0;
    double m_pace = 2.5;
    double m_reach = 0;
    std::deque<std::pair<double, double>> m_history; // (time, words read)
};
