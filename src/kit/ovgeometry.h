#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>

// Geometry of the kit's pieces at a zoom: design sizes in points, scaled where the look calls
// for it. Kept apart from painting so that it is tested on its own.

struct OVPanelGeometry
{
    qreal radius = 0;
    qreal padding = 0;
    qreal shadowBlur = 0;
    qreal shadowOffsetY = 0;

    static OVPanelGeometry at(qreal radius, qreal padding, qreal zoom);
};

struct OVWellGeometry
{
    qreal radius = 0;
    qreal rimWidth = 0;
    qreal innerShadowInset = 0;

    static OVWellGeometry at(qreal radius, qreal zoom);
};

struct OVOrbGeometry
{
    qreal diameter = 0;
    qreal faceDiameter = 0;
    qreal symbolSize = 0;
    QRectF highlight; // in the orb's square
    qreal litGlowBlur = 0;
    qreal shadowBlur = 0;
    qreal shadowOffsetY = 0;

    static OVOrbGeometry at(qreal size, qreal zoom);
    QRectF face() const;
    // Whether a point of the orb's square lies on the orb.
    bool hits(QPointF point) const;
};

struct OVKnobGeometry
{
    qreal diameter = 0;
    qreal trackWidth = 0;
    qreal glowBlur = 0;
    qreal capDiameter = 0;
    qreal capShadowBlur = 0;
    qreal capShadowOffsetY = 0;
    qreal sheenDiameter = 0;
    QRectF pointer; // upright, centred on the dial's centre at the origin
    qreal spacing = 0;

    static OVKnobGeometry at(qreal size, qreal zoom);
    // How far the track and its glow reach beyond the dial's square.
    qreal overreach() const;
};

// The knob's value arithmetic: fraction of the travel, pointer angle and dragging.
namespace OVKnobMath {

constexpr double dragTravelPt = 180; // upward travel that sweeps the whole range
constexpr double dragThresholdPt = 1;

// (value - lower) / (upper - lower) kept within 0…1; 0 when that is not a number.
double fraction(double value, double lower, double upper);
// Degrees clockwise from straight up: -135 at the minimum, +135 at the maximum.
double pointerAngle(double fraction);
// The value after a drag of `dyPt` (positive downwards) from a drag that began at `start`.
double dragged(double start, double lower, double upper, double dyPt);

} // namespace OVKnobMath

struct OVChromeButtonGeometry
{
    qreal fontSize = 0;
    qreal paddingX = 0;
    qreal paddingY = 0;
    qreal glowBlur = 0;

    static OVChromeButtonGeometry at(bool compact, qreal zoom);
};

// What pressing changes in a chrome button's look.
struct OVChromeButtonLook
{
    bool chromeFill = false; // the firmer chrome instead of the soft one
    qreal sheenOpacity = 0;
    qreal scale = 1;
    qreal shadowBlur = 0; // not scaled by zoom
    qreal shadowOffsetY = 0;
    qreal glowOpacity = 0;

    static OVChromeButtonLook of(bool pressed);
};

struct OVSwitchGeometry
{
    qreal trackWidth = 0;
    qreal trackHeight = 0;
    qreal thumbDiameter = 0;
    qreal thumbInset = 0;
    qreal spacing = 0;
    qreal glowBlur = 0;

    static OVSwitchGeometry at(qreal zoom);
    // The thumb's left edge within the track, `on` running from 0 (off) to 1 (on).
    qreal thumbX(qreal on) const;
};

struct OVSegmentGeometry
{
    qreal padding = 0;
    qreal spacing = 0;
    qreal labelPaddingX = 0;
    qreal labelPaddingY = 0;
    qreal glowBlur = 0;

    static OVSegmentGeometry at(qreal zoom);
    // Equal shares of the control's width, one per item.
    QList<QRectF> segments(const QRectF &bounds, int count) const;
    // The segment under `point`, or -1: each segment answers within its capsule only.
    int segmentAt(const QRectF &bounds, int count, QPointF point) const;
};
