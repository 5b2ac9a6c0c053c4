#pragma once

#include <QImage>
#include <QList>

#include <algorithm>
#include <cstdlib>
#include <functional>

// Pixel helpers shared by the picture tests.
namespace imagetools {

inline int brightness(QRgb pixel)
{
    return std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)});
}

inline bool ink(QRgb pixel)
{
    return brightness(pixel) >= 128;
}

// The columns inside rect, left to right, that hold a pixel passing the test.
inline QList<int> columns(const QImage &image, const QRect &rect,
                          const std::function<bool(QRgb)> &test = ink)
{
    QList<int> found;
    const QRect inside = rect.intersected(image.rect());
    for (int x = inside.left(); x <= inside.right(); ++x) {
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            if (test(image.pixel(x, y))) {
                found.append(x);
                break;
            }
        }
    }
    return found;
}

// The pixels inside rect that pass the test.
inline qint64 count(const QImage &image, const QRect &rect,
                    const std::function<bool(QRgb)> &test = ink)
{
    qint64 n = 0;
    const QRect inside = rect.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x)
            n += test(image.pixel(x, y)) ? 1 : 0;
    }
    return n;
}

inline bool near(QRgb pixel, QColor expected, int tolerance = 3)
{
    return std::abs(qRed(pixel) - expected.red()) <= tolerance
        && std::abs(qGreen(pixel) - expected.green()) <= tolerance
        && std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

// Pixels whose channels differ by more than the tolerance; every pixel when the sizes differ.
inline qint64 differing(const QImage &a, const QImage &b, int tolerance)
{
    if (a.size() != b.size())
        return qint64(a.width()) * a.height();
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 over = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            over += near(p[col], QColor::fromRgb(q[col]), tolerance) ? 0 : 1;
    }
    return over;
}

} // namespace imagetools
