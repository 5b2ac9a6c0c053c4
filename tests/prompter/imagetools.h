#pragma once

#include <QImage>

#include <algorithm>
#include <cstdlib>

// Pixel helpers shared by the picture tests.
namespace imagetools {

inline int brightness(QRgb pixel)
{
    return std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)});
}

// The first row, from the top, with a bright pixel inside the columns.
inline int firstInkRow(const QImage &image, int x0, int x1)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = x0; x < x1; ++x) {
            if (brightness(image.pixel(x, y)) >= 128)
                return y;
        }
    }
    return -1;
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
