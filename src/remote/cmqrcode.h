#pragma once

#include <QByteArray>
#include <QImage>

// A QR code (libqrencode) as an image of one pixel per module, dark on white, with the
// four-module quiet zone the standard asks for. Null for text too long for a QR code.
namespace CMQRCode {

QImage image(const QByteArray &text);

} // namespace CMQRCode
