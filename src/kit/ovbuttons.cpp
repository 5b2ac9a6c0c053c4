#include "ovbuttons.h"

#include "ovfonts.h"
#include "ovpaint.h"
#include "ovsymbols.h"
#include "ovui.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace {

QFont buttonFont(bool compact)
{
    return ovFont(compact ? 11 : 12.5, QFont::Bold, OVDesign::Rounded);
}

// Gap between a leading symbol and the text.
qreal symbolGap()
{
    return OVUI::shared()->z(5);
}

void drawFocusRing(QPainter &p, const QRectF &r, qreal radius)
{
    OVPaint::insideStroke(p, r, radius, ovAlpha(OVUI::shared()->theme().accent, 0.9), 2);
}

} // namespace

OVChromeButton::OVChromeButton(const QString &text, QWidget *parent)
    : OVHaloWidget<QPushButton>(parent)
{
    setText(text);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::pressed, this, [this] { updateHalo(); });
    connect(this, &QAbstractButton::released, this, [this] { updateHalo(); });
    OVUI::shared()->bind(this, [this] { changed(); });
}

void OVChromeButton::setProminent(bool prominent)
{
    m_prominent = prominent;
    changed();
}

void OVChromeButton::setCompact(bool compact)
{
    m_compact = compact;
    changed();
}

void OVChromeButton::setSymbol(const QString &symbol)
{
    m_symbol = symbol;
    changed();
}

void OVChromeButton::changed()
{
    updateGeometry();
    update();
    updateHalo();
}

OVChromeButtonGeometry OVChromeButton::buttonGeometry() const
{
    return OVChromeButtonGeometry::at(m_compact, OVUI::shared()->zoom());
}

QSize OVChromeButton::sizeHint() const
{
    const OVChromeButtonGeometry g = buttonGeometry();
    const QFontMetricsF m(buttonFont(m_compact));
    qreal width = m.horizontalAdvance(text());
    if (!OVSymbols::glyph(m_symbol).isEmpty())
        width += g.fontSize + (text().isEmpty() ? 0 : symbolGap());
    return {int(std::ceil(width + 2 * g.paddingX)), int(std::ceil(m.height() + 2 * g.paddingY))};
}

QRectF OVChromeButton::capsule() const
{
    return rect();
}

bool OVChromeButton::hitButton(const QPoint &pos) const
{
    return OVPaint::capsule(capsule()).contains(QPointF(pos) + QPointF(0.5, 0.5));
}

QMarginsF OVChromeButton::haloMargins() const
{
    const qreal e = std::max(OVPaint::blurExtent(3) + 2, OVPaint::blurExtent(buttonGeometry().glowBlur));
    return {e, e, e, e};
}

void OVChromeButton::paintHalo(QPainter &painter) const
{
    const OVChromeButtonLook look = OVChromeButtonLook::of(isDown());
    const QRectF r = capsule();
    painter.translate(r.center());
    painter.scale(look.scale, look.scale);
    painter.translate(-r.center());
    OVPaint::shadow(painter, r, r.height() / 2, QColor::fromRgbF(0, 0, 0, 0.5f), look.shadowBlur,
                    {0, look.shadowOffsetY});
    if (m_prominent) {
        // The part of the glow beyond the button; the button draws the rest over its face.
        QPainterPath outside;
        outside.addRect(r.marginsAdded(haloMargins()));
        outside.addRect(r);
        painter.setClipPath(outside, Qt::IntersectClip);
        OVPaint::shadow(painter, r, r.height() / 2,
                        ovAlpha(OVUI::shared()->theme().accent, look.glowOpacity),
                        buttonGeometry().glowBlur);
    }
}

void OVChromeButton::paintEvent(QPaintEvent *)
{
    const OVTheme &theme = OVUI::shared()->theme();
    const OVChromeButtonGeometry g = buttonGeometry();
    const OVChromeButtonLook look = OVChromeButtonLook::of(isDown());
    const QRectF r = capsule();
    const qreal radius = r.height() / 2;
    const QPainterPath shape = OVPaint::capsule(r);

    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(r.center());
    p.scale(look.scale, look.scale);
    p.translate(-r.center());
    if (!isEnabled())
        p.setOpacity(0.5);

    if (m_prominent) {
        QLinearGradient fill(r.topLeft(), r.bottomLeft());
        fill.setStops({{0, theme.accent2}, {0.5, theme.accent}, {1, ovAlpha(theme.accent, 0.7)}});
        p.fillPath(shape, fill);
        OVPaint::shadow(p, r, radius, ovAlpha(theme.accent, look.glowOpacity), g.glowBlur);
    } else {
        p.fillPath(shape, look.chromeFill ? theme.chrome(r) : theme.chromeSoft(r));
    }
    const QRectF sheenRect = r.adjusted(2, 2, -2, -2);
    QLinearGradient sheen(sheenRect.topLeft(), QPointF(sheenRect.left(), sheenRect.center().y()));
    sheen.setColorAt(0, QColor::fromRgbF(1, 1, 1, float(look.sheenOpacity)));
    sheen.setColorAt(1, Qt::transparent);
    p.fillPath(OVPaint::capsule(sheenRect), sheen);
    OVPaint::metalBorder(p, r, radius, theme);
    if (hasFocus())
        drawFocusRing(p, r.adjusted(1, 1, -1, -1), radius - 1);

    const QFont font = buttonFont(m_compact);
    const QFontMetricsF m(font);
    const bool hasSymbol = !OVSymbols::glyph(m_symbol).isEmpty();
    const qreal symbolWidth = hasSymbol ? g.fontSize + (text().isEmpty() ? 0 : symbolGap()) : 0;
    const qreal contentWidth = symbolWidth + m.horizontalAdvance(text());
    const qreal left = r.center().x() - contentWidth / 2;
    const QPointF baseline(left + symbolWidth, r.center().y() - m.height() / 2 + m.ascent());
    const QColor ink = m_prominent ? QColor(Qt::white) : QColor::fromRgbF(0, 0, 0, 0.82f);
    const QColor crisp = m_prominent ? QColor::fromRgbF(0, 0, 0, 0.5f)
                                     : QColor::fromRgbF(1, 1, 1, 0.7f);
    const QRectF symbolBox(left, r.center().y() - g.fontSize / 2, g.fontSize, g.fontSize);
    for (const auto &[offset, color] : {std::pair{QPointF(0, 1), crisp}, std::pair{QPointF(), ink}}) {
        if (hasSymbol)
            OVSymbols::paint(p, symbolBox.translated(offset), m_symbol, g.fontSize, color);
        p.setFont(font);
        p.setPen(color);
        p.drawText(baseline + offset, text());
    }
}

OVOrbButton::OVOrbButton(const QString &symbol, qreal size, QWidget *parent)
    : OVHaloWidget<QAbstractButton>(parent)
    , m_symbol(symbol)
    , m_size(size)
{
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::pressed, this, qOverload<>(&QWidget::update));
    connect(this, &QAbstractButton::released, this, qOverload<>(&QWidget::update));
    OVUI::shared()->bind(this, [this] {
        updateGeometry();
        update();
        updateHalo();
    });
}

void OVOrbButton::setSymbol(const QString &symbol)
{
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    update();
}

void OVOrbButton::setSize(qreal size)
{
    m_size = size;
    updateGeometry();
    update();
    updateHalo();
}

void OVOrbButton::setLit(bool lit)
{
    if (lit == m_lit)
        return;
    m_lit = lit;
    update();
    updateHalo();
}

void OVOrbButton::setHelp(const QString &help)
{
    m_help = help;
    setToolTip(help);
    setAccessibleName(help);
}

OVOrbGeometry OVOrbButton::orbGeometry() const
{
    return OVOrbGeometry::at(m_size, OVUI::shared()->zoom());
}

QSize OVOrbButton::sizeHint() const
{
    const int d = int(std::ceil(orbGeometry().diameter));
    return {d, d};
}

bool OVOrbButton::hitButton(const QPoint &pos) const
{
    const OVOrbGeometry g = orbGeometry();
    const QPointF origin((width() - g.diameter) / 2, (height() - g.diameter) / 2);
    return g.hits(QPointF(pos) + QPointF(0.5, 0.5) - origin);
}

QMarginsF OVOrbButton::haloMargins() const
{
    const OVOrbGeometry g = orbGeometry();
    const qreal e = std::max(OVPaint::blurExtent(g.litGlowBlur),
                             OVPaint::blurExtent(g.shadowBlur) + g.shadowOffsetY);
    return {e, e, e, e};
}

void OVOrbButton::paintHalo(QPainter &painter) const
{
    const OVOrbGeometry g = orbGeometry();
    const QRectF orb((width() - g.diameter) / 2, (height() - g.diameter) / 2, g.diameter, g.diameter);
    if (m_lit) {
        OVPaint::shadow(painter, orb, g.diameter / 2, ovAlpha(OVUI::shared()->theme().accent, 0.7),
                        g.litGlowBlur);
    } else {
        OVPaint::shadow(painter, orb, g.diameter / 2, QColor::fromRgbF(0, 0, 0, 0.5f), g.shadowBlur,
                        {0, g.shadowOffsetY});
    }
}

void OVOrbButton::paintEvent(QPaintEvent *)
{
    const OVTheme &theme = OVUI::shared()->theme();
    const OVOrbGeometry g = orbGeometry();
    const qreal d = g.diameter;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate((width() - d) / 2, (height() - d) / 2);
    if (isDown())
        p.setOpacity(0.85);
    if (!isEnabled())
        p.setOpacity(0.5);

    const QRectF square(0, 0, d, d);
    p.setPen(Qt::NoPen);
    p.setBrush(theme.chrome(square));
    p.drawEllipse(square);

    const QRectF face = g.face();
    if (m_lit) {
        QRadialGradient glow(square.center(), 0.45 * d);
        glow.setStops({{0, theme.accent2}, {0.5, theme.accent}, {1, ovAlpha(theme.accent, 0.5)}});
        p.setBrush(glow);
    } else {
        QLinearGradient shade(face.topLeft(), face.bottomLeft());
        shade.setColorAt(0, theme.raised);
        shade.setColorAt(1, theme.deep);
        p.setBrush(shade);
    }
    p.drawEllipse(face);
    OVPaint::insideStroke(p, face, face.height() / 2, QColor::fromRgbF(0, 0, 0, 0.5f), 1);

    const QString glyph = OVSymbols::glyph(m_symbol);
    if (!glyph.isEmpty()) {
        if (m_lit) {
            OVSymbols::paintGlow(p, square, m_symbol, g.symbolSize,
                                 QColor::fromRgbF(1, 1, 1, 0.6f), 4);
            OVSymbols::paint(p, square, m_symbol, g.symbolSize, Qt::white);
        } else {
            OVSymbols::paint(p, square.translated(0, 1), m_symbol, g.symbolSize,
                             QColor::fromRgbF(0, 0, 0, 0.6f));
            OVSymbols::paint(p, square, m_symbol, g.symbolSize, theme.text);
        }
    }

    QLinearGradient highlight(g.highlight.topLeft(), g.highlight.bottomLeft());
    highlight.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.55f));
    highlight.setColorAt(1, Qt::transparent);
    p.setPen(Qt::NoPen);
    p.setBrush(highlight);
    p.drawEllipse(g.highlight);

    if (hasFocus())
        drawFocusRing(p, square, d / 2);
}
