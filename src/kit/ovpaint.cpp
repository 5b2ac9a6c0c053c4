#include "ovpaint.h"

#include "ovtheme.h"

#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPixmapCache>
#include <QRadialGradient>
#include <QtMath>

#include <cmath>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

quint64 blurCount = 0;

qreal devicePixelRatio(const QPainter &p)
{
    return p.device() ? p.device()->devicePixelRatioF() : 1.0;
}

// One corner of a continuous rounded rectangle: three cubic segments that ease from the
// straight edge into the curve over 1.53 radii instead of one, so no kink shows at the join.
// `c` is the corner point, `u` points back along the incoming edge, `v` along the outgoing.
void continuousCorner(QPainterPath &path, QPointF c, QPointF u, QPointF v, qreal r)
{
    const auto at = [&](qreal a, qreal b) { return c + u * (a * r) + v * (b * r); };
    path.lineTo(at(1.52866483, 0));
    path.cubicTo(at(1.08849323, 0), at(0.86840689, 0), at(0.63149399, 0.07491100));
    path.cubicTo(at(0.37282392, 0.16906001), at(0.16906001, 0.37282392),
                 at(0.07491100, 0.63149399));
    path.cubicTo(at(0, 0.86840689), at(0, 1.08849323), at(0, 1.52866483));
}

// Standard normal cumulative distribution.
double phi(double x)
{
    return 0.5 * std::erfc(-x / std::sqrt(2.0));
}

struct Slice
{
    qreal src;
    qreal srcLen;
    qreal dst;
    qreal dstLen;
};

// Splits one axis of a nine-patch: the ends are copied, the one-pixel middle is stretched.
std::vector<Slice> slices(int imagePx, int endPx, qreal dstStart, qreal dstLen, qreal dpr)
{
    if (endPx <= 0)
        return {{0, qreal(imagePx), dstStart, dstLen}};
    const qreal end = endPx / dpr;
    return {{0, qreal(endPx), dstStart, end},
            {qreal(endPx), 1, dstStart + end, dstLen - 2 * end},
            {qreal(endPx + 1), qreal(endPx), dstStart + dstLen - end, end}};
}

} // namespace

namespace OVBlur {

void colorize(QImage &image, qreal radius, const QColor &color)
{
    ++blurCount;
    const int w = image.width();
    const int h = image.height();
    std::vector<float> alpha(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            alpha[std::size_t(y) * w + x] = qAlpha(line[x]) / 255.0f;
    }
    const double sigma = radius / 2.0;
    if (sigma > 0.05) {
        const int k = int(std::ceil(3 * sigma));
        std::vector<float> kernel(std::size_t(2 * k + 1));
        double sum = 0;
        for (int i = -k; i <= k; ++i)
            sum += kernel[std::size_t(i + k)] = float(std::exp(-(i * i) / (2 * sigma * sigma)));
        for (float &weight : kernel)
            weight = float(weight / sum);
        std::vector<float> tmp(alpha.size());
        const auto pass = [&](const std::vector<float> &in, std::vector<float> &out, bool rows) {
            const int len = rows ? w : h;
            const int lines = rows ? h : w;
            for (int line = 0; line < lines; ++line) {
                for (int i = 0; i < len; ++i) {
                    float acc = 0;
                    for (int j = std::max(0, i - k); j <= std::min(len - 1, i + k); ++j) {
                        const std::size_t idx = rows ? std::size_t(line) * w + j
                                                     : std::size_t(j) * w + line;
                        acc += in[idx] * kernel[std::size_t(j - i + k)];
                    }
                    out[rows ? std::size_t(line) * w + i : std::size_t(i) * w + line] = acc;
                }
            }
        };
        pass(alpha, tmp, true);
        pass(tmp, alpha, false);
    }
    const float r = color.redF(), g = color.greenF(), b = color.blueF(), a = color.alphaF();
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const float cover = std::clamp(alpha[std::size_t(y) * w + x] * a, 0.0f, 1.0f);
            line[x] = qRgba(int(r * cover * 255 + 0.5f), int(g * cover * 255 + 0.5f),
                            int(b * cover * 255 + 0.5f), int(cover * 255 + 0.5f));
        }
    }
}

quint64 count()
{
    return blurCount;
}

} // namespace OVBlur

namespace OVPaint {

QPainterPath roundedRect(const QRectF &rect, qreal radius)
{
    QPainterPath path;
    const qreal half = std::min(rect.width(), rect.height()) / 2;
    const qreal r = std::clamp(radius, 0.0, half);
    if (r <= 0) {
        path.addRect(rect);
        return path;
    }
    if (r * 1.52866483 > half) {
        // No room for the eased corner: a plain circular one (capsules end in half circles).
        path.addRoundedRect(rect, r, r);
        return path;
    }
    const QPointF left(-1, 0), right(1, 0), up(0, -1), down(0, 1);
    path.moveTo(rect.left() + 1.52866483 * r, rect.top());
    continuousCorner(path, rect.topRight(), left, down, r);
    continuousCorner(path, rect.bottomRight(), up, left, r);
    continuousCorner(path, rect.bottomLeft(), right, up, r);
    continuousCorner(path, rect.topLeft(), down, right, r);
    path.closeSubpath();
    return path;
}

QPainterPath capsule(const QRectF &rect)
{
    return roundedRect(rect, std::min(rect.width(), rect.height()) / 2);
}

QLinearGradient metalGradient(const QRectF &rect, const OVTheme &theme)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setStops({{0.0, ovAlpha(theme.metalHi, 0.95)},
                       {1.0 / 3, ovAlpha(theme.metalMid, 0.6)},
                       {2.0 / 3, theme.metalLo},
                       {1.0, ovAlpha(theme.metalMid, 0.8)}});
    return gradient;
}

void insideStroke(QPainter &p, const QRectF &rect, qreal radius, const QBrush &brush, qreal width)
{
    const qreal half = width / 2;
    const QRectF inner = rect.adjusted(half, half, -half, -half);
    if (inner.isEmpty())
        return;
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(brush, width));
    p.drawPath(roundedRect(inner, std::max(0.0, radius - half)));
    p.restore();
}

void metalBorder(QPainter &p, const QRectF &rect, qreal radius, const OVTheme &theme, qreal width)
{
    insideStroke(p, rect, radius, metalGradient(rect, theme), width);
}

qreal blurExtent(qreal blur)
{
    return std::ceil(1.5 * std::max(0.0, blur));
}

void shadow(QPainter &p, const QRectF &rect, qreal radius, const QColor &color, qreal blur,
            QPointF offset)
{
    if (rect.isEmpty() || color.alpha() == 0)
        return;
    const qreal r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    const QRectF shape = rect.translated(offset);
    if (blur <= 0) {
        p.fillPath(roundedRect(shape, r), color);
        return;
    }
    const qreal dpr = devicePixelRatio(p);
    const qreal e = blurExtent(blur);
    // Ends of a nine-patch: the corner, and the blur on both sides of it.
    const int endPx = int(std::ceil((r + 2 * e) * dpr));
    const auto axis = [&](qreal length, int &imagePx, int &ends) {
        const qreal full = (length + 2 * e) * dpr;
        if (full >= 2 * endPx + 1) {
            imagePx = 2 * endPx + 1;
            ends = endPx;
        } else {
            imagePx = int(std::ceil(full));
            ends = 0;
        }
    };
    int wPx = 0, hPx = 0, xEnds = 0, yEnds = 0;
    axis(shape.width(), wPx, xEnds);
    axis(shape.height(), hPx, yEnds);
    const QString key = u"ov-shadow:%1:%2:%3:%4:%5:%6:%7:%8"_s.arg(wPx)
                            .arg(hPx)
                            .arg(xEnds ? 0.0 : shape.width())
                            .arg(yEnds ? 0.0 : shape.height())
                            .arg(r)
                            .arg(blur)
                            .arg(dpr)
                            .arg(color.rgba(), 0, 16);
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        QImage image(wPx, hPx, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter ip(&image);
            ip.setRenderHint(QPainter::Antialiasing);
            ip.scale(dpr, dpr);
            const qreal w = xEnds ? wPx / dpr - 2 * e : shape.width();
            const qreal h = yEnds ? hPx / dpr - 2 * e : shape.height();
            ip.fillPath(roundedRect(QRectF(e, e, w, h), r), Qt::black);
        }
        OVBlur::colorize(image, blur * dpr, color);
        pixmap = QPixmap::fromImage(std::move(image));
        QPixmapCache::insert(key, pixmap);
    }
    const QRectF target = shape.adjusted(-e, -e, e, e);
    const std::vector<Slice> columns =
        slices(wPx, xEnds, target.x(), xEnds ? target.width() : wPx / dpr, dpr);
    const std::vector<Slice> rows =
        slices(hPx, yEnds, target.y(), yEnds ? target.height() : hPx / dpr, dpr);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        for (std::size_t j = 0; j < rows.size(); ++j) {
            const Slice &x = columns[i];
            const Slice &y = rows[j];
            if (x.dstLen <= 0 || y.dstLen <= 0)
                continue;
            const QRectF to(x.dst, y.dst, x.dstLen, y.dstLen);
            if (i == 1 && j == 1) {
                // The middle of a large shadow is one flat colour: fill it, don't scale it.
                p.fillRect(to, color);
                continue;
            }
            // Stretched slices are one pixel thick, so the plain scaler is exact and fast.
            p.drawPixmap(to, pixmap, QRectF(x.src, y.src, x.srcLen, y.srcLen));
        }
    }
}

void blurredStroke(QPainter &p, const QPainterPath &centreLine, qreal lineWidth,
                   const QColor &color, qreal blur)
{
    if (color.alpha() == 0)
        return;
    if (blur <= 0) {
        p.strokePath(centreLine, QPen(color, lineWidth, Qt::SolidLine, Qt::RoundCap));
        return;
    }
    // A blurred band of half-width h has, at distance s from its centre line, the coverage
    // phi((h - s) / sigma) - phi((-h - s) / sigma). Strokes of growing width, widest first,
    // build that profile in steps: a point is covered by every stroke at least as wide as
    // twice its distance, so each stroke's opacity is chosen to reach the target there.
    constexpr int layers = 7;
    const double h = lineWidth / 2;
    const double sigma = blur / 2;
    const double reach = h + 3 * sigma;
    const auto coverage = [&](double s) { return phi((h - s) / sigma) - phi((-h - s) / sigma); };
    p.save();
    p.setBrush(Qt::NoBrush);
    double covered = 0;
    for (int k = layers; k >= 1; --k) {
        const double target =
            std::clamp(coverage(reach * (k - 0.5) / layers) * color.alphaF(), 0.0, 0.999);
        const double alpha = 1 - (1 - target) / (1 - covered);
        covered = std::max(covered, target);
        if (alpha <= 0.001)
            continue;
        QColor c = color;
        c.setAlphaF(float(alpha));
        p.setPen(QPen(c, 2 * reach * k / layers, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(centreLine);
    }
    p.restore();
}

void arcGlow(QPainter &p, const QRectF &circle, qreal startDeg, qreal sweepDeg, qreal lineWidth,
             const QColor &color, qreal blur)
{
    if (sweepDeg == 0 || blur <= 0 || color.alpha() == 0 || circle.isEmpty())
        return;
    // Away from its caps the blurred band depends only on the distance from the circle, and
    // beyond each cap only on the distance from the arc's end: radial gradients draw both.
    const double h = lineWidth / 2;
    const double sigma = blur / 2;
    const double reach = h + 3 * sigma;
    const auto coverage = [&](double s) {
        return std::clamp((phi((h - s) / sigma) - phi((-h - s) / sigma)) * color.alphaF(), 0.0, 1.0);
    };
    const auto shade = [&](double alpha) {
        QColor c = color;
        c.setAlphaF(float(alpha));
        return c;
    };
    constexpr int samples = 16;
    const QPointF c = circle.center();
    const double radius = circle.width() / 2;
    const double outer = radius + reach;
    const double inner = std::max(0.0, radius - reach);

    QRadialGradient band(c, outer);
    band.setColorAt(0, Qt::transparent);
    for (int i = 0; i <= 2 * samples; ++i) {
        const double r = inner + (outer - inner) * i / (2 * samples);
        band.setColorAt(r / outer, shade(coverage(std::abs(r - radius))));
    }
    const QRectF outerRect(c.x() - outer, c.y() - outer, 2 * outer, 2 * outer);
    const QRectF innerRect(c.x() - inner, c.y() - inner, 2 * inner, 2 * inner);
    QPainterPath body;
    body.arcMoveTo(outerRect, startDeg);
    body.arcTo(outerRect, startDeg, sweepDeg);
    body.arcTo(innerRect, startDeg + sweepDeg, -sweepDeg);
    body.closeSubpath();
    p.fillPath(body, band);

    const auto cap = [&](qreal angleDeg, qreal turn) {
        const double a = qDegreesToRadians(angleDeg);
        const QPointF end(c.x() + radius * std::cos(a), c.y() - radius * std::sin(a));
        QRadialGradient glow(end, reach);
        for (int i = 0; i <= samples; ++i)
            glow.setColorAt(double(i) / samples, shade(coverage(reach * i / samples)));
        QPainterPath half;
        half.moveTo(end);
        half.arcTo(QRectF(end.x() - reach, end.y() - reach, 2 * reach, 2 * reach), angleDeg, turn);
        half.closeSubpath();
        p.fillPath(half, glow);
    };
    const qreal away = sweepDeg < 0 ? 180 : -180;
    cap(startDeg, away);
    cap(startDeg + sweepDeg, -away);
}

void textGlow(QPainter &p, QPointF baseline, const QString &text, const QFont &font,
              const QColor &color, qreal blur)
{
    if (text.isEmpty() || blur <= 0 || color.alpha() == 0)
        return;
    const qreal dpr = devicePixelRatio(p);
    const qreal e = blurExtent(blur);
    const QFontMetricsF metrics(font);
    const QString key = u"ov-textglow:%1:%2:%3:%4:%5"_s.arg(text, font.toString())
                            .arg(blur)
                            .arg(dpr)
                            .arg(color.rgba(), 0, 16);
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        const QSizeF size(metrics.horizontalAdvance(text) + 2 * e,
                          metrics.ascent() + metrics.descent() + 2 * e);
        QImage image(int(std::ceil(size.width() * dpr)), int(std::ceil(size.height() * dpr)),
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter ip(&image);
            ip.scale(dpr, dpr);
            ip.setFont(font);
            ip.setPen(Qt::black);
            ip.drawText(QPointF(e, e + metrics.ascent()), text);
        }
        OVBlur::colorize(image, blur * dpr, color);
        image.setDevicePixelRatio(dpr);
        pixmap = QPixmap::fromImage(std::move(image));
        QPixmapCache::insert(key, pixmap);
    }
    p.drawPixmap(baseline - QPointF(e, e + metrics.ascent()), pixmap);
}

} // namespace OVPaint
