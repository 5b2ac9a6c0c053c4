#pragma once

#include <QImage>
#include <QRect>

#include <algorithm>
#include <cstdlib>

// Pixel helpers shared by the picture tests.
namespace imagetools {

inline int brightness(QRgb pixel)
{
    return std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)});
}

// The first row, from the top, with a pixel of at least this brightness inside the columns.
inline int firstInkRow(const QImage &image, int x0, int x1, int threshold = 128)
{
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = std::max(x0, 0); x < std::min(x1, image.width()); ++x) {
            if (brightness(line[x]) >= threshold)
                return y;
        }
    }
    return -1;
}

struct Difference
{
    int largest = 0;        // largest channel difference
    qint64 over = 0;        // pixels whose difference exceeds the tolerance
};

inline Difference compare(const QImage &a, const QImage &b, int tolerance)
{
    Difference d;
    if (a.size() != b.size()) {
        d.largest = 255;
        d.over = qint64(a.width()) * a.height();
        return d;
    }
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const int diff = std::max({std::abs(qRed(p[col]) - qRed(q[col])),
                                       std::abs(qGreen(p[col]) - qGreen(q[col])),
                                       std::abs(qBlue(p[col]) - qBlue(q[col]))});
            d.largest = std::max(d.largest, diff);
            if (diff > tolerance)
                ++d.over;
        }
    }
    return d;
}

inline bool near(QRgb pixel, QColor expected, int tolerance = 3)
{
    return std::abs(qRed(pixel) - expected.red()) <= tolerance
        && std::abs(qGreen(pixel) - expected.green()) <= tolerance
        && std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

} // namespace imagetools
