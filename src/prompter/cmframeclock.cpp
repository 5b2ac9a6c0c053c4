#include "cmframeclock.h"

#include "cmframepacer.h"

#include <engine/cmengine.h>

#include <algorithm>

namespace {

QHash<const CMEngine *, std::weak_ptr<CMFrameClock>> &clocks()
{
    static QHash<const CMEngine *, std::weak_ptr<CMFrameClock>> registry;
    return registry;
}

} // namespace

std::shared_ptr<CMFrameClock> CMFrameClock::forEngine(CMEngine &engine)
{
    if (auto existing = clocks().value(&engine).lock())
        return existing;
    auto clock = std::make_shared<CMFrameClock>(engine);
    clocks().insert(&engine, clock);
    return clock;
}

CMFrameClock::CMFrameClock(CMEngine &engine)
    : m_engine(&engine), m_pacer(new CMFramePacer(this)), m_frameTime(engine.now())
{
    connect(m_pacer, &CMFramePacer::frame, this, &CMFrameClock::advance);
    connect(&engine, &CMEngine::runningChanged, this, &CMFrameClock::update);
    connect(&engine, &QObject::destroyed, this, [this, engine = &engine] {
        clocks().remove(engine);
        m_pacer->stop();
    });
}

CMFrameClock::~CMFrameClock()
{
    const auto it = clocks().constFind(m_engine.data());
    if (it != clocks().constEnd() && it->expired())
        clocks().erase(it);
}

CMInstant CMFrameClock::frameTime() const
{
    if (m_pacer->isActive() || !m_engine)
        return m_frameTime;
    return m_engine->now();
}

double CMFrameClock::refreshRate() const
{
    return m_pacer->refreshRate();
}

bool CMFrameClock::pacing() const
{
    return m_pacer->isActive();
}

void CMFrameClock::setShown(const QObject *view, double hertz)
{
    if (hertz > 0)
        m_shown.insert(view, hertz);
    else
        m_shown.remove(view);
    update();
}

void CMFrameClock::advance()
{
    if (!m_engine)
        return;
    m_frameTime = m_engine->now();
    Q_EMIT frame();
}

void CMFrameClock::update()
{
    if (!m_engine || !m_engine->running() || m_shown.isEmpty()) {
        m_pacer->stop();
        return;
    }
    m_pacer->setRefreshRate(*std::max_element(m_shown.cbegin(), m_shown.cend()));
    m_pacer->start();
}
