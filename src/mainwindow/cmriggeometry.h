#pragma once

#include <QPainterPath>
#include <QRectF>
#include <QSizeF>

// The hood above the rig's screen: narrower at the top than at the bottom, its sides bowed
// outwards. The same shape for any rectangle.
namespace CMHood {

QPainterPath path(const QRectF &rect);

} // namespace CMHood

// Where the rig preview's pieces sit on its stage: a 16:9 screen as large as fits beside the
// room kept for the hood and the progress bar, with the hood above and the bar below, the
// three centred on the stage.
struct CMRigGeometry
{
    static constexpr qreal hoodHeightPt = 22;
    static constexpr qreal barHeightPt = 14; // the 6-point track below 8 points of padding
    static constexpr qreal trackHeightPt = 6;

    QRectF hood;
    QRectF screen;
    QRectF glass;
    QRectF picture;
    QRectF bar;
    qreal zoom = 1;

    // The screen for a stage of `stage`: w = min(W, (H − 36·z) × 16 ÷ 9), h = w × 9 ÷ 16.
    static QSizeF screenSize(const QSizeF &stage, qreal zoom);
    // `stage` is the stage's area; the hood, slightly wider than the screen, may reach out to
    // `widthLimit` (centred on the stage) but no further.
    static CMRigGeometry at(const QRectF &stage, qreal zoom, qreal widthLimit);

    qreal bezelRadius() const { return 18 * zoom; }
    qreal glassRadius() const { return 14 * zoom; }
    qreal pictureRadius() const { return 10 * zoom; }
};
