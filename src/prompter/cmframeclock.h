#pragma once

#include <engine/cmclock.h>

#include <QHash>
#include <QObject>
#include <QPointer>

#include <memory>

class CMEngine;
class CMFramePacer;

// The one frame time of every prompter view of an engine. While the engine runs, each paced
// frame reads the engine's clock once and every view, on whatever display, draws offset(at)
// of that instant: several outputs show exactly the same picture. Frames follow the fastest
// refresh among the views shown; while stopped there are no frames and a view that repaints
// reads the clock itself (the offset does not move then).
class CMFrameClock : public QObject
{
    Q_OBJECT

public:
    static std::shared_ptr<CMFrameClock> forEngine(CMEngine &engine);

    explicit CMFrameClock(CMEngine &engine);
    ~CMFrameClock() override;

    // The instant the views draw now.
    CMInstant frameTime() const;
    double refreshRate() const;
    bool pacing() const;

    // A view is shown on a display of that refresh rate, or hidden (rate 0).
    void setShown(const QObject *view, double hertz);

    // Starts a new frame now (the pacer's tick; benches call it to step frames by hand).
    void advance();

Q_SIGNALS:
    void frame();

private:
    void update();

    // Views may outlive the engine by a deferred deletion: they then find no frames.
    QPointer<CMEngine> m_engine;
    CMFramePacer *m_pacer;
    QHash<const QObject *, double> m_shown;
    CMInstant m_frameTime;
};
