#include "cmcanvasgeometry.h"

#include <engine/cmsettings.h>

#include <algorithm>

CMCanvasGeometry CMCanvasGeometry::make(QSizeF viewSize, const CMSettings &settings)
{
    const CMSettings s = settings.clamped();
    CMCanvasGeometry g;
    g.viewSize = viewSize;
    g.scale = viewSize.width() / width;
    g.height = viewSize.height() / std::max(g.scale, 0.0001);
    g.fontSize = s.fontSize;
    g.cueY = s.cuePosition * g.height;
    g.columnX = width * s.margin / 100;
    g.columnWidth = width * (1 - 2 * s.margin / 100);
    g.mirror = s.mirror;
    g.flip = s.flip;
    return g;
}

QRectF CMCanvasGeometry::band() const
{
    return {0, cueY - 0.12 * fontSize, width, 1.35 * fontSize};
}

QRectF CMCanvasGeometry::leftArrow() const
{
    return {14, cueY + 0.55 * fontSize - 28, 46, 56};
}

QRectF CMCanvasGeometry::rightArrow() const
{
    return {1860, cueY + 0.55 * fontSize - 28, 46, 56};
}

QTransform CMCanvasGeometry::toView() const
{
    QTransform t;
    t.scale(scale, scale);
    t.translate(mirror ? width : 0, flip ? height : 0);
    t.scale(mirror ? -1 : 1, flip ? -1 : 1);
    return t;
}

double CMCanvasGeometry::viewY(double canvasY) const
{
    return (flip ? height - canvasY : canvasY) * scale;
}
