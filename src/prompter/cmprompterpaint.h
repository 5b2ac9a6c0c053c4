#pragma once

#include "cmrowlayout.h"

#include <QColor>
#include <QPainterPath>
#include <QRectF>

#include <vector>

class QPainter;

// Free painters shared by the row images and the overlays of the prompter picture.
namespace CMPaint {

// The reading-line marker's red.
QColor markerRed();

// The text colour of a role: spoken text at full strength, cues and the end mark dimmed.
QColor roleColor(const QColor &text, CMTextRole role);

// The arrow head of the reading-line marker: a triangle the full height of rect, its tip
// at the middle of the right edge (or of the left edge when pointing left).
QPainterPath cueArrow(const QRectF &rect, bool pointingLeft = false);

// Fills the glyphs of laid-out runs with their outlines, offset by origin. Qt's raster engine
// caches glyphs only up to 64 pixels and draws larger ones several times slower than filling
// their outlines directly, and prompter text is far larger than that. Colour glyphs, which
// have no outlines, are drawn from their pictures at the device's size; a face lighter than
// the weight asked for is made bolder, as Qt does when it draws such a face itself; a
// character no font has shows as a box.
void fillRuns(QPainter &painter, const std::vector<CMRowLayout::Run> &runs, const QColor &text,
              QPointF origin = {});

} // namespace CMPaint
