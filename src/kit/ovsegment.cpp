#include "ovsegment.h"

#include "ovfonts.h"
#include "ovpaint.h"
#include "ovui.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

QFont titleFont()
{
    return ovFont(11.5, QFont::Bold, OVDesign::Rounded);
}

} // namespace

OVSegment::OVSegment(QWidget *parent)
    : OVHaloWidget<QWidget>(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    OVUI::shared()->bind(this, [this] {
        updateGeometry();
        update();
        updateHalo();
    });
}

void OVSegment::setItems(const QList<Item> &items)
{
    m_items = items;
    updateGeometry();
    update();
    updateHalo();
}

void OVSegment::setSelection(const QVariant &value)
{
    m_selection = value;
    QString titles;
    for (int i = 0; i < m_items.size(); ++i) {
        if (isSelected(i))
            titles = m_items[i].title;
    }
    setAccessibleDescription(titles);
    update();
    updateHalo();
}

bool OVSegment::isSelected(int index) const
{
    return index >= 0 && index < m_items.size() && m_selection.isValid()
        && m_items[index].value == m_selection;
}

OVSegmentGeometry OVSegment::segmentGeometry() const
{
    return OVSegmentGeometry::at(OVUI::shared()->zoom());
}

QSize OVSegment::sizeHint() const
{
    const OVSegmentGeometry g = segmentGeometry();
    const QFontMetricsF m(titleFont());
    qreal widest = 0;
    for (const Item &item : m_items)
        widest = std::max(widest, m.horizontalAdvance(item.title));
    const int n = int(m_items.size());
    const qreal width = n * (widest + 2 * g.labelPaddingX) + std::max(0, n - 1) * g.spacing
                      + 2 * g.padding;
    return {int(std::ceil(width)),
            int(std::ceil(m.height() + 2 * g.labelPaddingY + 2 * g.padding))};
}

QMarginsF OVSegment::haloMargins() const
{
    const qreal e = OVPaint::blurExtent(segmentGeometry().glowBlur);
    return {e, e, e, e};
}

void OVSegment::paintGlows(QPainter &p) const
{
    const OVSegmentGeometry g = segmentGeometry();
    const QList<QRectF> rects = g.segments(rect(), int(m_items.size()));
    const QColor glow = ovAlpha(OVUI::shared()->theme().accent, 0.7);
    for (int i = 0; i < rects.size(); ++i) {
        if (isSelected(i))
            OVPaint::shadow(p, rects[i], rects[i].height() / 2, glow, g.glowBlur);
    }
}

void OVSegment::paintHalo(QPainter &painter) const
{
    // Only what lies beyond the control: inside, the glow lies over the control's floor.
    QPainterPath outside;
    outside.addRect(QRectF(rect()).marginsAdded(haloMargins()));
    outside.addRect(rect());
    painter.setClipPath(outside, Qt::IntersectClip);
    paintGlows(painter);
}

void OVSegment::paintEvent(QPaintEvent *)
{
    const OVTheme &theme = OVUI::shared()->theme();
    const OVSegmentGeometry g = segmentGeometry();
    const QRectF r = rect();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        p.setOpacity(0.5);
    p.fillPath(OVPaint::capsule(r), theme.well);
    paintGlows(p);

    const QFont font = titleFont();
    const QFontMetricsF m(font);
    p.setFont(font);
    const QList<QRectF> rects = g.segments(r, int(m_items.size()));
    for (int i = 0; i < rects.size(); ++i) {
        const QRectF s = rects[i];
        const bool selected = isSelected(i);
        if (selected) {
            QLinearGradient fill(s.topLeft(), s.bottomLeft());
            fill.setColorAt(0, theme.accent2);
            fill.setColorAt(1, theme.accent);
            p.fillPath(OVPaint::capsule(s), fill);
        }
        if (hasFocus() && (selected || (!m_selection.isValid() && i == 0)))
            OVPaint::insideStroke(p, s, s.height() / 2, QColor::fromRgbF(1, 1, 1, 0.8f), 1.5);
        const QString title = m.elidedText(m_items[i].title, Qt::ElideRight,
                                           std::max(0.0, s.width() - 2 * g.labelPaddingX));
        p.setPen(selected ? QColor(Qt::white) : theme.dim);
        p.drawText(QPointF(s.center().x() - m.horizontalAdvance(title) / 2,
                           s.center().y() - m.height() / 2 + m.ascent()),
                   title);
    }
    OVPaint::metalBorder(p, r, r.height() / 2, theme);
}

void OVSegment::choose(int index)
{
    if (index < 0 || index >= m_items.size() || isSelected(index))
        return;
    setSelection(m_items[index].value);
    Q_EMIT selectionChanged(m_selection);
}

void OVSegment::keyPressEvent(QKeyEvent *e)
{
    int current = -1;
    for (int i = 0; i < m_items.size() && current < 0; ++i) {
        if (isSelected(i))
            current = i;
    }
    switch (e->key()) {
    case Qt::Key_Left:
        choose(current < 0 ? 0 : current - 1);
        break;
    case Qt::Key_Right:
        choose(current < 0 ? 0 : current + 1);
        break;
    default:
        OVHaloWidget<QWidget>::keyPressEvent(e);
    }
}

void OVSegment::mousePressEvent(QMouseEvent *e)
{
    m_pressed = e->button() == Qt::LeftButton
                  ? segmentGeometry().segmentAt(rect(), int(m_items.size()), e->position())
                  : -1;
    if (m_pressed < 0)
        e->ignore();
}

void OVSegment::mouseReleaseEvent(QMouseEvent *e)
{
    const int pressed = std::exchange(m_pressed, -1);
    if (e->button() == Qt::LeftButton && pressed >= 0
        && segmentGeometry().segmentAt(rect(), int(m_items.size()), e->position()) == pressed)
        choose(pressed);
}
