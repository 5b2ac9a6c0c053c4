#include "ovhalo.h"

#include <QAbstractScrollArea>
#include <QPainter>
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>

#include <cmath>

namespace {

constexpr char hostProperty[] = "ovHaloHost";

// Draws halos for windows that have no kit root.
class WindowHosts : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = static_cast<QWidget *>(watched);
        // A widget built apart and then placed in a panel was a window for a while.
        if (event->type() == QEvent::Paint && window->isWindow()
            && !window->property(hostProperty).toBool()) {
            QPainter painter(window);
            OVHalos::paint(window, painter, static_cast<QPaintEvent *>(event)->region());
        }
        return false;
    }
};

WindowHosts *windowHosts()
{
    static auto *instance = new WindowHosts;
    return instance;
}

bool isViewport(const QWidget *w)
{
    const auto *area = qobject_cast<const QAbstractScrollArea *>(w->parentWidget());
    return area && area->viewport() == w;
}

// The halo's rectangle in the host, cut to the scroll viewports it lies in.
QRect haloRect(const QWidget *piece, const QWidget *host, const OVHalo *halo)
{
    const QMarginsF m = halo->haloMargins();
    QRectF rect = QRectF(piece->rect()).marginsAdded(m);
    rect.translate(piece->mapTo(host, QPoint()));
    for (const QWidget *w = piece->parentWidget(); w && w != host; w = w->parentWidget()) {
        if (isViewport(w))
            rect &= QRectF(QRect(w->mapTo(host, QPoint()), w->size()));
    }
    return rect.toAlignedRect();
}

} // namespace

namespace OVHalos {

void makeHost(QWidget *surface)
{
    surface->setProperty(hostProperty, true);
}

QWidget *hostOf(const QWidget *piece)
{
    QWidget *w = piece->parentWidget();
    if (!w)
        return nullptr;
    for (; w; w = w->parentWidget()) {
        if (w->property(hostProperty).toBool())
            return w;
        if (w->isWindow()) {
            if (!w->property("ovHaloWindow").toBool()) {
                w->setProperty("ovHaloWindow", true);
                w->installEventFilter(windowHosts());
            }
            return w;
        }
    }
    return nullptr;
}

void paint(QWidget *host, QPainter &painter, const QRegion &region)
{
    const QList<QWidget *> children = host->findChildren<QWidget *>();
    for (QWidget *child : children) {
        const auto *halo = dynamic_cast<const OVHalo *>(child);
        if (!halo || !child->isVisibleTo(host) || hostOf(child) != host)
            continue;
        const QRect rect = haloRect(child, host, halo);
        if (!region.intersects(rect))
            continue;
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
        painter.translate(child->mapTo(host, QPoint()));
        painter.setRenderHint(QPainter::Antialiasing);
        halo->paintHalo(painter);
        painter.restore();
    }
}

void invalidate(QWidget *piece)
{
    auto *halo = dynamic_cast<OVHalo *>(piece);
    QWidget *host = halo ? hostOf(piece) : nullptr;
    if (!host)
        return;
    if (halo->haloHost)
        halo->haloHost->update(halo->haloRect);
    const QRect now = piece->isVisibleTo(host) ? haloRect(piece, host, halo) : QRect();
    if (!now.isEmpty())
        host->update(now);
    halo->haloHost = host;
    halo->haloRect = now;
}

} // namespace OVHalos
