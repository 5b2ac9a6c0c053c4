#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>

class QBrush;
class QFont;
class QImage;
class QPainter;
class QPainterPath;
class QString;
class QLinearGradient;
struct OVTheme;

// Free painters shared by the kit's pieces. Shapes use continuous corners; shadows and glows
// of shapes and lettering are blurred once per size and colour and kept in the pixmap cache.
namespace OVPaint {

// A rounded rectangle with continuous corners; a capsule when the radius reaches half the
// shorter side.
QPainterPath roundedRect(const QRectF &rect, qreal radius);
QPainterPath capsule(const QRectF &rect);

// The four-colour metal gradient of borders, top to bottom over `rect`.
QLinearGradient metalGradient(const QRectF &rect, const OVTheme &theme);
// A line `width` wide just inside the outline of a rounded rectangle (capsule, circle).
void insideStroke(QPainter &p, const QRectF &rect, qreal radius, const QBrush &brush, qreal width);
void metalBorder(QPainter &p, const QRectF &rect, qreal radius, const OVTheme &theme,
                 qreal width = 1);

// How far a shadow of this blur radius reaches beyond its shape.
qreal blurExtent(qreal blur);

// The blurred silhouette of a rounded rectangle (capsule, circle), as drop shadow or glow.
// `color` carries the opacity; a blur of 0 gives a crisp silhouette.
void shadow(QPainter &p, const QRectF &rect, qreal radius, const QColor &color, qreal blur,
            QPointF offset = {});

// A stroked line as if blurred with radius `blur`, built from layered strokes of growing width
// and falling opacity, so that it follows any sweep or angle without blurring anything: for
// glows that change on every drag step and rims that follow a window's size.
void blurredStroke(QPainter &p, const QPainterPath &centreLine, qreal lineWidth,
                   const QColor &color, qreal blur);

// The glow of a round-capped arc stroke on the circle inscribed in `circle`, from `startDeg`
// over `sweepDeg` (Qt's angles: anticlockwise from three o'clock), as if blurred with radius
// `blur`: gradient fills of the band and its two caps, cheap enough for every drag step.
void arcGlow(QPainter &p, const QRectF &circle, qreal startDeg, qreal sweepDeg, qreal lineWidth,
             const QColor &color, qreal blur);

// The glow of a text set at `baseline` (its left end), cached per text, font and colour.
void textGlow(QPainter &p, QPointF baseline, const QString &text, const QFont &font,
              const QColor &color, qreal blur);

} // namespace OVPaint

namespace OVBlur {

// Gaussian blur of the alpha channel of an ARGB32 premultiplied image, then every pixel set to
// `color` at the blurred coverage. `radius` is in the image's pixels; sigma is half of it.
void colorize(QImage &image, qreal radius, const QColor &color);

// How many blurs this process has computed: lets tests and benchmarks see that repainting
// reuses the cache.
quint64 count();

} // namespace OVBlur
