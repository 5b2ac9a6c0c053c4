#include "cmvoicepacer.h"

#include <algorithm>
#include <cmath>

void CMVoicePacer::reset(double wordsRead, double t)
{
    m_wordsRead = wordsRead;
    m_heardAt = t;
    m_pace = m_options.wordsPerSecond;
    m_reach = 0;
    m_history.clear();
}

void CMVoicePacer::heard(double wordsRead, double t)
{
    if (wordsRead <= m_wordsRead)
        return;
    m_wordsRead = wordsRead;
    m_heardAt = t;
    m_history.emplace_back(t, wordsRead);
    while (m_history.size() > 2 && t - m_history.front().first > m_options.paceWindow)
        m_history.pop_front();
    const auto &[t0, w0] = m_history.front();
    // A jump over a skipped sentence is no measure of pace.
    if (t - t0 >= 1.5 && wordsRead - w0 < 8 * (t - t0))
        m_pace = std::clamp((wordsRead - w0) / (t - t0), 1.0, 5.0);
}

double CMVoicePacer::target(double t) const
{
    return m_wordsRead + std::min(m_pace * std::max(t - m_heardAt, 0.0), m_reach);
}

double CMVoicePacer::rate(double t, double offset, double currentRate, double dt,
                          const Place &place) const
{
    const double words = target(t);
    const double goal = place(words);
    const bool carried = m_pace * std::max(t - m_heardAt, 0.0) < m_reach;
    constexpr double step = 0.25;
    const double slope = std::max(place(words + step) - goal, 0.0) / step;
    const double follow = carried ? m_pace * slope : 0.0;

    const double distance = goal - offset;
    double wanted = follow + m_options.gain * distance;
    // Never faster than can still stop at the goal.
    if (distance > 0)
        wanted = std::min(wanted, follow + std::sqrt(2 * m_options.acceleration * distance));
    wanted = std::clamp(wanted, 0.0, m_options.maxRate);
    const double change = m_options.acceleration * std::max(dt, 0.0);
    return std::clamp(wanted, currentRate - change, currentRate + change);
}
