#include "ovgeometry.h"

#include <algorithm>
#include <cmath>

namespace {

bool inCapsule(const QRectF &r, QPointF p)
{
    if (!r.contains(p))
        return false;
    const qreal radius = std::min(r.width(), r.height()) / 2;
    const qreal cx = std::clamp(p.x(), r.left() + radius, r.right() - radius);
    const qreal cy = std::clamp(p.y(), r.top() + radius, r.bottom() - radius);
    return std::hypot(p.x() - cx, p.y() - cy) <= radius;
}

} // namespace

OVPanelGeometry OVPanelGeometry::at(qreal radius, qreal padding, qreal zoom)
{
    return {radius * zoom, padding * zoom, 8 * zoom, 3 * zoom};
}

OVWellGeometry OVWellGeometry::at(qreal radius, qreal zoom)
{
    return {radius * zoom, 2 * zoom, 2 * zoom};
}

OVOrbGeometry OVOrbGeometry::at(qreal size, qreal zoom)
{
    OVOrbGeometry g;
    const qreal d = size * zoom;
    g.diameter = d;
    g.faceDiameter = 0.76 * d;
    g.symbolSize = 0.36 * d;
    g.highlight = QRectF(d / 2 - 0.31 * d, d / 2 - 0.22 * d - 0.15 * d, 0.62 * d, 0.3 * d);
    g.litGlowBlur = 7 * zoom;
    g.shadowBlur = 3 * zoom;
    g.shadowOffsetY = 2 * zoom;
    return g;
}

QRectF OVOrbGeometry::face() const
{
    const qreal inset = 0.12 * diameter;
    return QRectF(inset, inset, faceDiameter, faceDiameter);
}

bool OVOrbGeometry::hits(QPointF point) const
{
    const qreal r = diameter / 2;
    return std::hypot(point.x() - r, point.y() - r) <= r;
}

OVKnobGeometry OVKnobGeometry::at(qreal size, qreal zoom)
{
    OVKnobGeometry g;
    const qreal d = size * zoom;
    g.diameter = d;
    g.trackWidth = 0.09 * d;
    g.glowBlur = 0.08 * d;
    g.capDiameter = 0.68 * d;
    g.capShadowBlur = 0.06 * d;
    g.capShadowOffsetY = 0.04 * d;
    g.sheenDiameter = 0.6 * d;
    g.pointer = QRectF(-0.03 * d, -0.22 * d - 0.1 * d, 0.06 * d, 0.2 * d);
    g.spacing = 4 * zoom;
    return g;
}

qreal OVKnobGeometry::overreach() const
{
    return trackWidth / 2 + 1.5 * glowBlur + 1;
}

namespace OVKnobMath {

double fraction(double value, double lower, double upper)
{
    const double f = (value - lower) / (upper - lower);
    if (std::isnan(f))
        return 0;
    return std::clamp(f, 0.0, 1.0);
}

double pointerAngle(double fraction)
{
    return 270 * fraction - 135;
}

double dragged(double start, double lower, double upper, double dyPt)
{
    if (!std::isfinite(start))
        start = lower;
    const double value = start + (upper - lower) * (dyPt / -dragTravelPt);
    return std::max(lower, std::min(value, upper));
}

} // namespace OVKnobMath

OVChromeButtonGeometry OVChromeButtonGeometry::at(bool compact, qreal zoom)
{
    if (compact)
        return {11 * zoom, 10 * zoom, 4 * zoom, 8 * zoom};
    return {12.5 * zoom, 16 * zoom, 7 * zoom, 8 * zoom};
}

OVChromeButtonLook OVChromeButtonLook::of(bool pressed)
{
    if (pressed)
        return {true, 0.05, 0.97, 1, 0.5, 0.2};
    return {false, 0.45, 1.0, 3, 2, 0.45};
}

OVSwitchGeometry OVSwitchGeometry::at(qreal zoom)
{
    return {34 * zoom, 18 * zoom, 15 * zoom, 1.5 * zoom, 8 * zoom, 5 * zoom};
}

qreal OVSwitchGeometry::thumbX(qreal on) const
{
    const qreal off = thumbInset;
    const qreal full = trackWidth - thumbInset - thumbDiameter;
    return off + (full - off) * std::clamp(on, 0.0, 1.0);
}

OVSegmentGeometry OVSegmentGeometry::at(qreal zoom)
{
    return {3 * zoom, 3 * zoom, 10 * zoom, 5 * zoom, 6 * zoom};
}

QList<QRectF> OVSegmentGeometry::segments(const QRectF &bounds, int count) const
{
    QList<QRectF> rects;
    if (count <= 0)
        return rects;
    const QRectF inner = bounds.adjusted(padding, padding, -padding, -padding);
    const qreal width = std::max(0.0, (inner.width() - spacing * (count - 1)) / count);
    for (int i = 0; i < count; ++i)
        rects.append(QRectF(inner.left() + i * (width + spacing), inner.top(), width, inner.height()));
    return rects;
}

int OVSegmentGeometry::segmentAt(const QRectF &bounds, int count, QPointF point) const
{
    const QList<QRectF> rects = segments(bounds, count);
    for (int i = 0; i < rects.size(); ++i) {
        if (inCapsule(rects[i], point))
            return i;
    }
    return -1;
}
