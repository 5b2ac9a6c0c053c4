#pragma once

#include "cmcanvasgeometry.h"
#include "cmoutputs.h"
#include "cmtaketime.h"

#include <QImage>
#include <QTime>

#include <functional>

class QPainter;

// The time of the take, small in a corner of an output's picture: the wall clock, elapsed,
// remaining and over/under. It is part of the picture, so mirror and flip reverse it with the
// text and it reads right where the picture is read (in the glass); the corner is the one
// the reader sees. Drawn from an image made again only when the text changes.
class CMTimeOverlay
{
public:
    // The wall clock (tests and pictures of the windows use a clock that stands still).
    static void setWallClock(std::function<QTime()> clock);
    static QTime wallClock();

    // "14:05 · ELAPSED 1:02 · LEFT 2:28 · OVER 0:12"
    static QString text(const CMTakeTime &time, QTime wall);
    // The box on the canvas, in the reader's orientation, for a text `width` canvas points wide.
    static QRectF box(const CMCanvasGeometry &g, CMCorner corner, double width);

    // Canvas points.
    static constexpr double fontSize = 26;
    static constexpr double inset = 24;

    void paint(QPainter &painter, const CMCanvasGeometry &g, qreal devicePixelRatio,
               CMCorner corner, const QString &text);

private:
    static QImage render(const CMCanvasGeometry &g, qreal devicePixelRatio, CMCorner corner,
                         const QString &text, QRect &deviceRect);

    struct Key
    {
        QString text;
        CMCanvasGeometry geometry;
        qreal devicePixelRatio = 0;
        CMCorner corner = CMCorner::TopRight;
        friend bool operator==(const Key &, const Key &) = default;
    };

    Key m_key;
    QImage m_image;
    QRect m_deviceRect;
};
