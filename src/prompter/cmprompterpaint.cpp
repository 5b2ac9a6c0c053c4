#include "cmprompterpaint.h"

#include "cmcolorglyphs.h"
#include "cmfontresolver.h"

#include <QFontDatabase>
#include <QHash>
#include <QMutex>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <cmath>

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

namespace {

// The weight a face really has, as against the weight asked for (which a fallback face may
// lack: Qt then names the asked weight but draws the face's own outlines).
int faceWeight(const QRawFont &font)
{
    static QMutex mutex;
    static QHash<QString, int> weights;
    const QString family = CMFontResolver::familyOf(font);
    const QString key = family + u'\n' + font.styleName();
    const QMutexLocker lock(&mutex);
    auto it = weights.find(key);
    if (it == weights.end())
        it = weights.insert(key, QFontDatabase::weight(family, font.styleName()));
    return *it;
}

// How much wider a stroke makes the outlines of a face lighter than asked, in the font's
// pixels: FreeType's emboldening (an em / 24 from regular to bold), in proportion.
double emboldening(const QRawFont &font)
{
    const int asked = font.weight();
    const int real = faceWeight(font);
    if (asked < QFont::DemiBold || real <= 0 || asked - real < 200)
        return 0;
    return font.pixelSize() / 24 * (asked - real) / (QFont::Bold - QFont::Normal);
}

// A character no installed font has: a box where the font's missing-glyph mark would be, for
// fonts whose mark is empty, so the reader sees that something is there.
void drawMissing(QPainter &painter, const QRawFont &font, QPointF at, double width)
{
    const double em = font.pixelSize();
    if (width < 0.2 * em)
        width = 0.5 * em;
    const double height = 0.7 * em;
    const double scale = std::sqrt(std::abs(painter.transform().determinant()));
    const double stroke = std::max(0.06 * em, scale > 0 ? 1 / scale : 0.0);
    const QRectF outer(at.x() + 0.08 * width, at.y() - height, 0.84 * width, height);
    QPainterPath box;
    box.addRect(outer);
    box.addRect(outer.adjusted(stroke, stroke, -stroke, -stroke));
    box.setFillRule(Qt::OddEvenFill);
    painter.drawPath(box);
}

void drawColor(QPainter &painter, const QRawFont &font, quint32 glyph, QPointF at, qreal opacity)
{
    const QTransform transform = painter.transform();
    const double scale = std::sqrt(std::abs(transform.determinant()));
    const CMColorGlyphs::Glyph picture =
        CMColorGlyphs::glyph(font, glyph, font.pixelSize() * scale);
    if (picture.image.isNull())
        return;
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    if (transform.type() <= QTransform::TxScale && transform.m11() > 0
        && qFuzzyCompare(transform.m11(), transform.m22())) {
        // The picture is at the device's size already: place it on whole pixels.
        const QPointF device = transform.map(at) + picture.offset;
        painter.resetTransform();
        painter.drawImage(QPoint(qRound(device.x()), qRound(device.y())), picture.image);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSizeF size = QSizeF(picture.image.size()) / scale;
        painter.drawImage(QRectF(at + picture.offset / scale, size), picture.image);
    }
    painter.restore();
}

} // namespace

void fillRuns(QPainter &painter, const std::vector<CMRowLayout::Run> &runs, const QColor &text,
              QPointF origin)
{
    for (const CMRowLayout::Run &run : runs) {
        const QRawFont font = run.glyphs.rawFont();
        const QList<quint32> glyphs = run.glyphs.glyphIndexes();
        const QList<QPointF> positions = run.glyphs.positions();
        const QColor color = roleColor(text, run.role);
        const qsizetype count = std::min(glyphs.size(), positions.size());
        // Asking Qt for the outlines of a colour font leaves its face at another size, and
        // later layouts in that font then take wrong advances: never ask.
        if (CMColorGlyphs::isColorFont(font)) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(color);
            for (qsizetype i = 0; i < count; ++i) {
                if (glyphs[i] == 0)
                    drawMissing(painter, font, positions[i] + origin, 0.5 * font.pixelSize());
                else
                    drawColor(painter, font, glyphs[i], positions[i] + origin, color.alphaF());
            }
            continue;
        }
        const double bolder = emboldening(font);
        painter.setBrush(color);
        painter.setPen(bolder > 0 ? QPen(color, bolder, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin)
                                  : QPen(Qt::NoPen));
        for (qsizetype i = 0; i < count; ++i) {
            const QPointF at = positions[i] + origin;
            QPainterPath glyph = font.pathForGlyph(glyphs[i]);
            if (glyph.isEmpty()) {
                if (glyphs[i] == 0) {
                    const double advance =
                        font.advancesForGlyphIndexes(QList<quint32>{0}).value(0).x();
                    drawMissing(painter, font, at, advance);
                }
                continue;
            }
            // One glyph at a time: the rasterizer's cost grows with the width of what it
            // fills, so a whole line as one path is several times slower. Outlines overlap
            // by design in some faces; non-zero winding fills them as the font means.
            glyph.setFillRule(Qt::WindingFill);
            glyph.translate(at);
            painter.drawPath(glyph);
        }
    }
}

} // namespace CMPaint
