#pragma once

#include <QEvent>
#include <QMarginsF>
#include <QPointer>
#include <QRect>
#include <QWidget>

class QPainter;
class QRegion;

// A piece whose drawing reaches beyond its own rectangle: drop shadows, glows, a knob's outer
// track. Qt clips a widget to its rectangle, so the nearest surface below the piece (a panel,
// a well or the window root: its host) draws this part right after its own background, and
// the piece asks its host to repaint that area when it changes.
class OVHalo
{
public:
    virtual ~OVHalo() = default;

    // How far the drawing reaches beyond the piece's rectangle.
    virtual QMarginsF haloMargins() const = 0;
    // Draws what lies beneath the piece and around it, in the piece's coordinates.
    virtual void paintHalo(QPainter &painter) const = 0;

    // Where the halo was last drawn, so that it can be wiped when it moves or changes.
    QPointer<QWidget> haloHost;
    QRect haloRect;
};

namespace OVHalos {

// Marks a surface that draws the halos of the pieces inside it (panels, wells, roots).
void makeHost(QWidget *surface);
// The surface that draws `piece`'s halo: the nearest marked ancestor, else the window (which
// is then taught to draw halos).
QWidget *hostOf(const QWidget *piece);
// Called by a host while it paints, after its background.
void paint(QWidget *host, QPainter &painter, const QRegion &region);
// Repaints the area of `piece`'s halo, where it was and where it is now.
void invalidate(QWidget *piece);

} // namespace OVHalos

// Base of the kit's widgets that cast halos: keeps the host informed when the piece moves,
// resizes, appears or disappears.
template <class Base>
class OVHaloWidget : public Base, public OVHalo
{
public:
    using Base::Base;

    ~OVHaloWidget() override
    {
        // Later, not now: the host may be the very widget whose destruction deletes this one.
        if (QWidget *host = haloHost) {
            QMetaObject::invokeMethod(
                host, [host, rect = haloRect] { host->update(rect); }, Qt::QueuedConnection);
        }
    }

protected:
    bool event(QEvent *e) override
    {
        const bool handled = Base::event(e);
        switch (e->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::ParentChange:
            OVHalos::invalidate(this);
            break;
        default:
            break;
        }
        return handled;
    }

    void updateHalo() { OVHalos::invalidate(this); }
};
