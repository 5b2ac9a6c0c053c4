#include "cmengine.h"

#include <store/cmsettingsfile.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

// Cue markers and the time of the take: all derived from the same clock as offset(at), so
// every view, the remote and the cue announcements agree with the picture.

namespace {

// A cue within half a point of the reading line is on it, as the end is.
constexpr double onLine = 0.5;
// "Previous cue" just after a cue goes to the one before it, as a player's "previous"
// does: a point of slack, and one second of scrolling when the text runs.
constexpr double previousSlackPt = 1;
constexpr double previousSlackSeconds = 1;

} // namespace

void CMEngine::setCues(const QList<CMCue> &cues)
{
    if (m_cues == cues)
        return;
    m_cues = cues;
    Q_EMIT cuesChanged();
    scheduleCueWatch();
}

int CMEngine::nextCueIndex(CMInstant t) const
{
    const double o = offset(t);
    for (qsizetype i = 0; i < m_cues.size(); ++i) {
        if (m_cues[i].offset > o + onLine)
            return int(i);
    }
    return -1;
}

int CMEngine::previousCueIndex(CMInstant t) const
{
    const bool moving = m_running && !(m_countdownEnds && t < *m_countdownEnds);
    const double slack = previousSlackPt + (moving ? previousSlackSeconds * currentRate() : 0);
    const double o = offset(t);
    for (qsizetype i = m_cues.size() - 1; i >= 0; --i) {
        if (m_cues[i].offset < o - slack)
            return int(i);
    }
    return -1;
}

bool CMEngine::nextCue()
{
    const int i = nextCueIndex(now());
    if (i < 0)
        return false;
    jumpTo(m_cues[i].offset);
    return true;
}

bool CMEngine::previousCue()
{
    const int i = previousCueIndex(now());
    if (i < 0)
        return false;
    jumpTo(m_cues[i].offset);
    return true;
}

void CMEngine::checkCues(CMInstant t)
{
    if (!m_running || !m_startedAt || (m_countdownEnds && t < *m_countdownEnds))
        return;
    const double o = offset(t);
    for (qsizetype i = 0; i < m_cues.size(); ++i) {
        const double at = m_cues[i].offset;
        if (at > m_cuesAnnouncedTo && at <= o + onLine) {
            m_cuesAnnouncedTo = at;
            Q_EMIT cueReached(int(i));
        }
    }
}

// One timer, set for the instant the next cue arrives; every change of the clock sets it anew.
void CMEngine::scheduleCueWatch()
{
    m_cueWatch.stop();
    if (!m_running || !m_startedAt)
        return;
    const auto next = std::find_if(m_cues.cbegin(), m_cues.cend(), [this](const CMCue &cue) {
        return cue.offset > m_cuesAnnouncedTo;
    });
    if (next == m_cues.cend())
        return;
    const CMInstant start =
        m_countdownEnds ? std::max(*m_startedAt, *m_countdownEnds) : *m_startedAt;
    double due = secondsBetween(now(), start);
    const double distance = next->offset - onLine - m_base;
    if (distance > 0) {
        const double r = currentRate();
        if (!(r > 0))
            return;
        due += distance / r;
    }
    const double ms = std::ceil(std::clamp(due, 0.0, 1e6) * 1000);
    m_cueWatch.start(int(ms));
}

// --- time of the take

double CMEngine::stretch(CMInstant t) const
{
    if (!m_running || !m_startedAt || (m_countdownEnds && t < *m_countdownEnds))
        return 0;
    const CMInstant start =
        m_countdownEnds ? std::max(*m_startedAt, *m_countdownEnds) : *m_startedAt;
    const double s = std::max(secondsBetween(start, t), 0.0);
    // The take ends when the text reaches its end, not when the end watch notices.
    const double r = currentRate();
    return r > 0 ? std::min(s, std::max(m_contentHeight - m_base, 0.0) / r) : s;
}

void CMEngine::foldElapsed(CMInstant t)
{
    m_elapsedBefore += stretch(t);
}

double CMEngine::elapsed(CMInstant t) const
{
    return m_elapsedBefore + stretch(t);
}

std::optional<double> CMEngine::remaining(CMInstant t) const
{
    const double left = std::max(m_contentHeight, 0.0) - offset(t);
    if (left <= onLine)
        return 0.0;
    const double r = currentRate();
    if (!(r > 0))
        return std::nullopt;
    return left / r;
}

void CMEngine::setTargetDuration(double seconds)
{
    // A day is longer than any take; negative or NaN means no target.
    const double usable = seconds > 0 ? std::min(seconds, 86400.0) : 0.0;
    if (usable == m_targetDuration)
        return;
    m_targetDuration = usable;
    CMSettingsFile::shared().setValue(QLatin1StringView(targetDurationKey), usable);
    Q_EMIT targetDurationChanged(usable);
}

std::optional<double> CMEngine::overUnder(CMInstant t) const
{
    if (m_targetDuration <= 0)
        return std::nullopt;
    const std::optional<double> left = remaining(t);
    if (!left)
        return std::nullopt;
    return elapsed(t) + *left - m_targetDuration;
}
