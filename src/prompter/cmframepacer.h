#pragma once

#include <engine/cmclock.h>

#include <QObject>
#include <QTimer>

// Asks for one frame per display refresh while started. X11 gives a raster window no
// vertical sync to wait for, so frames follow a timer on a fixed grid of refresh periods:
// the average rate is the display's, and a late frame never pushes the following ones back.
// (Under compositors that throttle presentation to the refresh, the two agree.)
class CMFramePacer : public QObject
{
    Q_OBJECT

public:
    explicit CMFramePacer(QObject *parent = nullptr);

    void setRefreshRate(double hertz);
    double refreshRate() const { return m_hertz; }
    void start();
    void stop();
    bool isActive() const { return m_active; }

Q_SIGNALS:
    void frame();

private:
    void tick();
    void scheduleNext();

    QTimer m_timer;
    double m_hertz = 60;
    bool m_active = false;
    CMInstant m_next;
};
