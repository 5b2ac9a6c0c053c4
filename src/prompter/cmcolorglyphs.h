#pragma once

#include <QImage>
#include <QPointF>

class QRawFont;

// Colour glyphs (emoji) of fonts that hold pictures instead of outlines. Qt paints these only
// through its glyph cache, which text the size of the prompter's never uses, so they are
// rendered here with FreeType at the size they take on the device and kept for reuse.
// Thread-safe.
namespace CMColorGlyphs {

struct Glyph
{
    QImage image;   // premultiplied ARGB at the device's pixels; null when there is none
    QPointF offset; // of the image's top-left corner from the glyph's origin, device pixels
};

// Whether the font draws its glyphs from colour pictures.
bool isColorFont(const QRawFont &font);

// The glyph at pixelSize device pixels to the em.
Glyph glyph(const QRawFont &font, quint32 index, double pixelSize);

} // namespace CMColorGlyphs
