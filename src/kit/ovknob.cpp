#include "ovknob.h"

#include "ovfonts.h"
#include "ovpaint.h"
#include "ovui.h"

#include <QConicalGradient>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString dragHelp = u"Drag up or down to change"_s;

QFont labelFont()
{
    QFont f = ovFont(9.5, QFont::ExtraBold, OVDesign::Rounded);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
    return f;
}

QFont readoutFont()
{
    return ovMono(11, QFont::Bold);
}

// The arc of the dial's inscribed circle from 7:30 clockwise over `sweep` degrees.
QPainterPath arc(const QRectF &dial, double sweep)
{
    QPainterPath path;
    // Qt counts angles anticlockwise; 135° clockwise from three o'clock is -135°.
    path.arcMoveTo(dial, -135);
    path.arcTo(dial, -135, -sweep);
    return path;
}

} // namespace

OVKnob::OVKnob(QWidget *parent)
    : OVHaloWidget<QWidget>(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleDescription(dragHelp);
    OVUI::shared()->bind(this, [this] {
        updateGeometry();
        changed();
    });
}

void OVKnob::setValue(double value)
{
    if (value == m_value)
        return;
    const QString before = readout();
    m_value = value;
    if (readout().size() != before.size())
        updateGeometry();
    changed();
}

void OVKnob::setRange(double lower, double upper)
{
    m_lower = lower;
    m_upper = upper;
    changed();
}

void OVKnob::setSize(qreal size)
{
    m_size = size;
    updateGeometry();
    changed();
}

void OVKnob::setLabel(const QString &label)
{
    m_label = label;
    setAccessibleName(label);
    updateGeometry();
    changed();
}

void OVKnob::setFormatter(Formatter format)
{
    m_format = std::move(format);
    updateGeometry();
    changed();
}

QString OVKnob::readout() const
{
    return m_format ? m_format(m_value) : QString::number(m_value, 'f', 2);
}

void OVKnob::changed()
{
    update();
    updateHalo();
}

OVKnobGeometry OVKnob::knobGeometry() const
{
    return OVKnobGeometry::at(m_size, OVUI::shared()->zoom());
}

QRectF OVKnob::dial() const
{
    const qreal d = knobGeometry().diameter;
    return {(width() - d) / 2, 0, d, d};
}

QSize OVKnob::sizeHint() const
{
    const OVKnobGeometry g = knobGeometry();
    const QFontMetricsF labels(labelFont());
    const QFontMetricsF readouts(readoutFont());
    qreal width = std::max(g.diameter, readouts.horizontalAdvance(readout()));
    qreal height = g.diameter + g.spacing + readouts.height();
    if (!m_label.isEmpty()) {
        width = std::max(width, labels.horizontalAdvance(m_label.toUpper()));
        height += labels.height() + g.spacing;
    }
    return {int(std::ceil(width)), int(std::ceil(height))};
}

QMarginsF OVKnob::haloMargins() const
{
    const qreal reach = knobGeometry().overreach();
    const qreal side = std::max(0.0, reach - dial().left());
    return {side, reach, side, 0};
}

void OVKnob::paintHalo(QPainter &painter) const
{
    const OVTheme &theme = OVUI::shared()->theme();
    const OVKnobGeometry g = knobGeometry();
    const QRectF d = dial();
    const double f = OVKnobMath::fraction(m_value, m_lower, m_upper);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(theme.well, g.trackWidth, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
    painter.drawPath(arc(d, 270));
    if (f <= 0)
        return;
    OVPaint::arcGlow(painter, d, -135, -270 * f, g.trackWidth, ovAlpha(theme.accent, 0.9), g.glowBlur);
    const QPainterPath value = arc(d, 270 * f);
    QLinearGradient stroke(d.topLeft(), d.topRight());
    stroke.setColorAt(0, theme.accent);
    stroke.setColorAt(1, theme.accent2);
    painter.setPen(QPen(QBrush(stroke), g.trackWidth, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(value);
}

void OVKnob::paintEvent(QPaintEvent *)
{
    const OVTheme &theme = OVUI::shared()->theme();
    const OVKnobGeometry g = knobGeometry();
    const QRectF d = dial();
    const QPointF centre = d.center();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        p.setOpacity(0.5);

    const qreal inset = (g.diameter - g.capDiameter) / 2;
    const QRectF cap = d.adjusted(inset, inset, -inset, -inset);
    OVPaint::shadow(p, cap, cap.width() / 2, QColor::fromRgbF(0, 0, 0, 0.6f), g.capShadowBlur,
                    {0, g.capShadowOffsetY});
    p.setPen(Qt::NoPen);
    p.setBrush(theme.chrome(cap));
    p.drawEllipse(cap);
    OVPaint::metalBorder(p, cap, cap.width() / 2, theme);

    const qreal sheenInset = (g.diameter - g.sheenDiameter) / 2;
    QConicalGradient sheen(centre, 0);
    // Symmetric stops, so the clockwise sweep reads the same in Qt's anticlockwise angles.
    sheen.setStops({{0, QColor::fromRgbF(1, 1, 1, 0.35f)},
                    {0.25, Qt::transparent},
                    {0.5, QColor::fromRgbF(1, 1, 1, 0.25f)},
                    {0.75, Qt::transparent},
                    {1, QColor::fromRgbF(1, 1, 1, 0.35f)}});
    p.setBrush(sheen);
    p.drawEllipse(d.adjusted(sheenInset, sheenInset, -sheenInset, -sheenInset));

    p.save();
    p.translate(centre);
    p.rotate(OVKnobMath::pointerAngle(OVKnobMath::fraction(m_value, m_lower, m_upper)));
    const QRectF pointer = g.pointer;
    QPainterPath spine;
    spine.moveTo(pointer.center().x(), pointer.top() + pointer.width() / 2);
    spine.lineTo(pointer.center().x(), pointer.bottom() - pointer.width() / 2);
    OVPaint::blurredStroke(p, spine, pointer.width(), theme.accent, 3);
    p.fillPath(OVPaint::capsule(pointer), theme.accent);
    p.restore();

    if (hasFocus()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ovAlpha(theme.accent, 0.9), 1.5, Qt::DotLine));
        p.drawEllipse(cap.adjusted(-2, -2, 2, 2));
    }

    qreal y = d.bottom() + g.spacing;
    if (!m_label.isEmpty()) {
        const QFont font = labelFont();
        const QFontMetricsF m(font);
        p.setFont(font);
        p.setPen(theme.dim);
        const QString text = m_label.toUpper();
        // Letter spacing trails the last letter too; centre the letters, not the spacing.
        const qreal x = (width() - m.horizontalAdvance(text) + font.letterSpacing()) / 2;
        p.drawText(QPointF(x, y + m.ascent()), text);
        y += m.height() + g.spacing;
    }
    const QFont font = readoutFont();
    const QFontMetricsF m(font);
    const QString text = readout();
    p.setFont(font);
    p.setPen(theme.accent2);
    p.drawText(QPointF((width() - m.horizontalAdvance(text)) / 2, y + m.ascent()), text);
}

bool OVKnob::onDial(QPointF pos) const
{
    const QRectF d = dial();
    return std::hypot(pos.x() - d.center().x(), pos.y() - d.center().y()) <= d.width() / 2;
}

void OVKnob::write(double value)
{
    if (value == m_value)
        return;
    setValue(value);
    Q_EMIT valueChanged(m_value);
}

bool OVKnob::event(QEvent *e)
{
    if (e->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(e);
        if (onDial(help->pos()))
            QToolTip::showText(help->globalPos(), dragHelp, this, dial().toAlignedRect());
        else
            QToolTip::hideText();
        return true;
    }
    return OVHaloWidget<QWidget>::event(e);
}

void OVKnob::keyPressEvent(QKeyEvent *e)
{
    const double span = m_upper - m_lower;
    const double current = std::clamp(m_value, std::min(m_lower, m_upper), std::max(m_lower, m_upper));
    switch (e->key()) {
    case Qt::Key_Up:
    case Qt::Key_Right:
        write(OVKnobMath::dragged(current, m_lower, m_upper, -OVKnobMath::dragTravelPt / 100));
        break;
    case Qt::Key_Down:
    case Qt::Key_Left:
        write(OVKnobMath::dragged(current, m_lower, m_upper, OVKnobMath::dragTravelPt / 100));
        break;
    case Qt::Key_PageUp:
        write(OVKnobMath::dragged(current, m_lower, m_upper, -OVKnobMath::dragTravelPt / 10));
        break;
    case Qt::Key_PageDown:
        write(OVKnobMath::dragged(current, m_lower, m_upper, OVKnobMath::dragTravelPt / 10));
        break;
    case Qt::Key_Home:
        write(m_lower);
        break;
    case Qt::Key_End:
        write(m_lower + span);
        break;
    default:
        OVHaloWidget<QWidget>::keyPressEvent(e);
    }
}

void OVKnob::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || !onDial(e->position())) {
        e->ignore();
        return;
    }
    m_press = e->position();
    m_start.reset();
}

void OVKnob::mouseMoveEvent(QMouseEvent *e)
{
    if (!m_press)
        return;
    const QPointF moved = e->position() - *m_press;
    if (!m_start && std::hypot(moved.x(), moved.y()) < OVKnobMath::dragThresholdPt)
        return;
    if (!m_start)
        m_start = m_value;
    write(OVKnobMath::dragged(*m_start, m_lower, m_upper, moved.y()));
}

void OVKnob::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton)
        return;
    m_press.reset();
    m_start.reset();
}
