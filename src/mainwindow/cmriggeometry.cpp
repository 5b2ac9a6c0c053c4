#include "cmriggeometry.h"

#include <algorithm>

namespace CMHood {

QPainterPath path(const QRectF &rect)
{
    const qreal i = 0.05 * rect.width();
    QPainterPath p;
    p.moveTo(rect.left() + i, rect.top());
    p.lineTo(rect.right() - i, rect.top());
    p.quadTo(QPointF(rect.right() - 0.2 * i, rect.top()), QPointF(rect.right(), rect.bottom()));
    p.lineTo(rect.left(), rect.bottom());
    p.quadTo(QPointF(rect.left() + 0.2 * i, rect.top()), QPointF(rect.left() + i, rect.top()));
    p.closeSubpath();
    return p;
}

} // namespace CMHood

QSizeF CMRigGeometry::screenSize(const QSizeF &stage, qreal zoom)
{
    const qreal room = (hoodHeightPt + barHeightPt) * zoom;
    const qreal w = std::max(0.0, std::min(stage.width(), (stage.height() - room) * 16 / 9));
    return {w, w * 9 / 16};
}

CMRigGeometry CMRigGeometry::at(const QRectF &stage, qreal zoom, qreal widthLimit)
{
    CMRigGeometry g;
    g.zoom = zoom;
    const QSizeF s = screenSize(stage.size(), zoom);
    const qreal hoodH = hoodHeightPt * zoom;
    const qreal barH = barHeightPt * zoom;
    const qreal top = stage.center().y() - (hoodH + s.height() + barH) / 2;
    const qreal cx = stage.center().x();
    const qreal hoodW = std::min(1.04 * s.width(), std::max(widthLimit, s.width()));
    g.hood = QRectF(cx - hoodW / 2, top, hoodW, hoodH);
    g.screen = QRectF(cx - s.width() / 2, top + hoodH, s.width(), s.height());
    const qreal glassInset = 7 * zoom;
    const qreal pictureInset = 9 * zoom;
    g.glass = g.screen.adjusted(glassInset, glassInset, -glassInset, -glassInset);
    g.picture = g.screen.adjusted(pictureInset, pictureInset, -pictureInset, -pictureInset);
    if (!g.glass.isValid())
        g.glass = QRectF(g.screen.center(), QSizeF());
    if (!g.picture.isValid())
        g.picture = QRectF(g.screen.center(), QSizeF());
    g.bar = QRectF(g.screen.left(), g.screen.bottom(), s.width(), barH);
    return g;
}
