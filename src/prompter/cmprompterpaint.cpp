#include "cmprompterpaint.h"

#include <QPainter>
#include <QRawFont>

namespace CMPaint {

QColor markerRed()
{
    return QColor(255, 59, 48);
}

QColor roleColor(const QColor &text, CMTextRole role)
{
    QColor color = text;
    switch (role) {
    case CMTextRole::Spoken:
        break;
    case CMTextRole::Cue:
        color.setAlphaF(0.5f);
        break;
    case CMTextRole::EndMark:
        color.setAlphaF(0.45f);
        break;
    }
    return color;
}

QPainterPath cueArrow(const QRectF &rect, bool pointingLeft)
{
    QPainterPath path;
    const double base = pointingLeft ? rect.right() : rect.left();
    const double tip = pointingLeft ? rect.left() : rect.right();
    path.moveTo(base, rect.top());
    path.lineTo(tip, rect.center().y());
    path.lineTo(base, rect.bottom());
    path.closeSubpath();
    return path;
}

void fillRuns(QPainter &painter, const std::vector<CMRowLayout::Run> &runs, const QColor &text,
              QPointF origin)
{
    painter.setPen(Qt::NoPen);
    for (const CMRowLayout::Run &run : runs) {
        const QRawFont font = run.glyphs.rawFont();
        const QList<quint32> glyphs = run.glyphs.glyphIndexes();
        const QList<QPointF> positions = run.glyphs.positions();
        const QColor color = roleColor(text, run.role);
        painter.setBrush(color);
        for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
            QPainterPath glyph = font.pathForGlyph(glyphs[i]);
            if (glyph.isEmpty()) {
                // Bitmap-only faces (colour emoji) have no outlines: Qt draws those itself.
                if (!font.boundingRect(glyphs[i]).isEmpty()) {
                    QGlyphRun single = run.glyphs;
                    single.setGlyphIndexes({glyphs[i]});
                    single.setPositions({positions[i]});
                    painter.setPen(color);
                    painter.drawGlyphRun(origin, single);
                    painter.setPen(Qt::NoPen);
                }
                continue;
            }
            // One glyph at a time: the rasterizer's cost grows with the width of what it
            // fills, so a whole line as one path is several times slower. Outlines overlap
            // by design in some faces; non-zero winding fills them as the font means.
            glyph.setFillRule(Qt::WindingFill);
            glyph.translate(positions[i] + origin);
            painter.drawPath(glyph);
        }
    }
}

} // namespace CMPaint
