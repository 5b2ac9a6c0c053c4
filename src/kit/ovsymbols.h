#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

// Symbols by the platform symbol names the interface uses ("play.fill", "chevron.up", …), drawn
// from the icon font. An unknown name draws nothing and fails nothing.
namespace OVSymbols {

// Every name that has a glyph.
QStringList names();
// The glyph for `name`, empty when the name is unknown or the icon font is missing.
QString glyph(const QString &name);
// The icon font at a symbol size in design points (not zoomed: callers pass zoomed sizes).
QFont font(qreal size);
bool available();

// Draws the symbol centred in `box` at `size` points.
void paint(QPainter &p, const QRectF &box, const QString &name, qreal size, const QColor &color);
// The symbol's glow, blurred once per symbol, size and colour.
void paintGlow(QPainter &p, const QRectF &box, const QString &name, qreal size,
               const QColor &color, qreal blur);
// The symbol as an icon `size` points square.
QIcon icon(const QString &name, qreal size, const QColor &color);

} // namespace OVSymbols
