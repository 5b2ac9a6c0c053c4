#include "cmqrcode.h"

#include <memory>
#include <qrencode.h>

namespace CMQRCode {

QImage image(const QByteArray &text)
{
    constexpr int quiet = 4;
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString8bit(text.constData(), 0, QR_ECLEVEL_M), &QRcode_free);
    if (!code)
        return {};
    const int n = code->width;
    QImage image(n + 2 * quiet, n + 2 * quiet, QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < n; ++y) {
        uchar *row = image.scanLine(y + quiet);
        for (int x = 0; x < n; ++x) {
            // The lowest bit of each module is "dark".
            if (code->data[y * n + x] & 1)
                row[x + quiet] = 0;
        }
    }
    return image;
}

} // namespace CMQRCode
