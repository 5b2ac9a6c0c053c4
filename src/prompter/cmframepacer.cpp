#include "cmframepacer.h"

#include <algorithm>
#include <cmath>

CMFramePacer::CMFramePacer(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CMFramePacer::tick);
}

void CMFramePacer::setRefreshRate(double hertz)
{
    m_hertz = std::isfinite(hertz) && hertz >= 20 ? std::min(hertz, 360.0) : 60.0;
}

void CMFramePacer::start()
{
    if (m_active)
        return;
    m_active = true;
    m_next = CMClock::now();
    tick();
}

void CMFramePacer::stop()
{
    m_active = false;
    m_timer.stop();
}

void CMFramePacer::tick()
{
    if (!m_active)
        return;
    Q_EMIT frame();
    scheduleNext();
}

void CMFramePacer::scheduleNext()
{
    const CMInstant now = CMClock::now();
    m_next = addSeconds(m_next, 1.0 / m_hertz);
    if (m_next < now)
        m_next = addSeconds(now, 1.0 / m_hertz);
    const double waitMs = secondsBetween(now, m_next) * 1000;
    m_timer.start(std::max(0, int(std::lround(waitMs))));
}
