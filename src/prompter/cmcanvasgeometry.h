#pragma once

#include <QRectF>
#include <QSizeF>
#include <QTransform>

struct CMSettings;

// Where everything sits on the prompter canvas: 1920 points wide, as tall as the view's
// aspect ratio makes it, scaled uniformly to the view. Canvas coordinates grow downward.
struct CMCanvasGeometry
{
    static constexpr double width = 1920;

    QSizeF viewSize;           // W × Hv, in view points
    double scale = 1;          // s = W / 1920
    double height = 1080;      // H = Hv / max(s, 0.0001)
    double fontSize = 72;
    double cueY = 356.4;       // the reading line
    double columnX = 230.4;    // the text column between the margins
    double columnWidth = 1459.2;
    bool mirror = false;
    bool flip = false;

    // The settings are clamped first.
    static CMCanvasGeometry make(QSizeF viewSize, const CMSettings &settings);

    QRectF canvasRect() const { return {0, 0, width, height}; }
    // The reading-line band and the two arrow heads.
    QRectF band() const;
    QRectF leftArrow() const;
    QRectF rightArrow() const;
    // Top of the text block for a scroll offset.
    double textTop(double offset) const { return cueY - offset; }

    // Canvas points to view points: mirror and flip about the canvas centre, then the scale.
    QTransform toView() const;
    // Canvas y to view y, flip included.
    double viewY(double canvasY) const;

    friend bool operator==(const CMCanvasGeometry &, const CMCanvasGeometry &) = default;
};
