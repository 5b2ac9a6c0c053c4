#include "ovswitch.h"

#include "ovfonts.h"
#include "ovpaint.h"
#include "ovui.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <cmath>

namespace {

QFont titleFont()
{
    return ovFont(11.5, QFont::DemiBold, OVDesign::Rounded);
}

} // namespace

OVSwitch::OVSwitch(const QString &title, QWidget *parent)
    : OVHaloWidget<QAbstractButton>(parent)
    , m_slide(new QVariantAnimation(this))
{
    setCheckable(true);
    setText(title);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_slide->setDuration(slideMs);
    m_slide->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_slide, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_position = v.toReal();
        update();
        updateHalo();
    });
    OVUI::shared()->bind(this, [this] {
        updateGeometry();
        update();
        updateHalo();
    });
}

void OVSwitch::setOn(bool on)
{
    const QSignalBlocker quiet(this);
    setChecked(on);
}

void OVSwitch::setTitle(const QString &title)
{
    setText(title);
    updateGeometry();
    update();
}

void OVSwitch::checkStateSet()
{
    slide();
}

void OVSwitch::nextCheckState()
{
    QAbstractButton::nextCheckState();
    slide();
}

void OVSwitch::slide()
{
    const qreal target = isChecked() ? 1 : 0;
    if (m_slide->state() == QAbstractAnimation::Running && m_slide->endValue().toReal() == target)
        return;
    m_slide->stop();
    if (!isVisible()) {
        m_position = target;
        update();
        return;
    }
    m_slide->setStartValue(m_position);
    m_slide->setEndValue(target);
    m_slide->start();
}

OVSwitchGeometry OVSwitch::switchGeometry() const
{
    return OVSwitchGeometry::at(OVUI::shared()->zoom());
}

QSize OVSwitch::sizeHint() const
{
    const OVSwitchGeometry g = switchGeometry();
    const QFontMetricsF m(titleFont());
    const qreal titleWidth = text().isEmpty() ? 0 : g.spacing + m.horizontalAdvance(text());
    return {int(std::ceil(g.trackWidth + titleWidth)),
            int(std::ceil(std::max(g.trackHeight, m.height())))};
}

QRectF OVSwitch::track() const
{
    const OVSwitchGeometry g = switchGeometry();
    return {0, (height() - g.trackHeight) / 2, g.trackWidth, g.trackHeight};
}

QMarginsF OVSwitch::haloMargins() const
{
    const qreal e = OVPaint::blurExtent(switchGeometry().glowBlur);
    return {e, e, e, e};
}

void OVSwitch::paintHalo(QPainter &painter) const
{
    if (m_position <= 0)
        return;
    const QRectF t = track();
    OVPaint::shadow(painter, t, t.height() / 2,
                    ovAlpha(OVUI::shared()->theme().accent, 0.7 * m_position),
                    switchGeometry().glowBlur);
}

void OVSwitch::paintEvent(QPaintEvent *)
{
    const OVTheme &theme = OVUI::shared()->theme();
    const OVSwitchGeometry g = switchGeometry();
    const QRectF t = track();
    const QPainterPath shape = OVPaint::capsule(t);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        p.setOpacity(0.5);

    p.fillPath(shape, theme.well);
    if (m_position > 0) {
        QLinearGradient on(t.topLeft(), t.topRight());
        on.setColorAt(0, theme.accent);
        on.setColorAt(1, theme.accent2);
        p.save();
        p.setOpacity(p.opacity() * m_position);
        p.fillPath(shape, on);
        p.restore();
    }
    OVPaint::metalBorder(p, t, t.height() / 2, theme);

    const QRectF thumb(t.left() + g.thumbX(m_position), t.center().y() - g.thumbDiameter / 2,
                       g.thumbDiameter, g.thumbDiameter);
    OVPaint::shadow(p, thumb, thumb.width() / 2, QColor::fromRgbF(0, 0, 0, 0.5f), 1, {0, 1});
    p.setPen(Qt::NoPen);
    p.setBrush(theme.chrome(thumb));
    p.drawEllipse(thumb);
    if (hasFocus())
        OVPaint::insideStroke(p, t.adjusted(-2, -2, 2, 2), t.height() / 2 + 2,
                              ovAlpha(theme.accent, 0.9), 1.5);

    if (!text().isEmpty()) {
        const QFont font = titleFont();
        const QFontMetricsF m(font);
        p.setFont(font);
        p.setPen(theme.text);
        p.drawText(QPointF(t.right() + g.spacing, (height() - m.height()) / 2 + m.ascent()), text());
    }
}
