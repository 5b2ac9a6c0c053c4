#include "ovlettering.h"

#include "ovfonts.h"
#include "ovpaint.h"
#include "ovui.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

QFont captionFont()
{
    QFont f = ovFont(9.5, QFont::ExtraBold, OVDesign::Rounded);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.4);
    return f;
}

QFont titleFont(QFont::Weight weight)
{
    return ovFont(19, weight, OVDesign::Rounded);
}

QSize ceilSize(QSizeF s)
{
    return {int(std::ceil(s.width())), int(std::ceil(s.height()))};
}

void followUI(QWidget *w)
{
    OVUI::shared()->bind(w, [w] {
        w->updateGeometry();
        w->update();
    });
}

} // namespace

OVCaption::OVCaption(const QString &text, QWidget *parent)
    : QWidget(parent)
    , m_text(text)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    followUI(this);
}

void OVCaption::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    updateGeometry();
    update();
}

QSize OVCaption::sizeHint() const
{
    const QFontMetricsF m(captionFont());
    return ceilSize({m.horizontalAdvance(m_text.toUpper()), m.height()});
}

void OVCaption::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setFont(captionFont());
    p.setPen(OVUI::shared()->theme().dim);
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, m_text.toUpper());
}

OVLCD::OVLCD(const QString &text, qreal size, QWidget *parent)
    : QWidget(parent)
    , m_text(text)
    , m_size(size)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    followUI(this);
}

void OVLCD::setText(const QString &text)
{
    if (text == m_text)
        return;
    const bool widthChanges = text.size() != m_text.size();
    m_text = text;
    if (widthChanges)
        updateGeometry();
    update();
}

void OVLCD::setSize(qreal size)
{
    m_size = size;
    updateGeometry();
    update();
}

QSize OVLCD::sizeHint() const
{
    const QFontMetricsF m(ovMono(m_size, QFont::Bold));
    const OVUI *ui = OVUI::shared();
    return ceilSize({m.horizontalAdvance(m_text) + 2 * ui->z(12), m.height() + 2 * ui->z(5)});
}

void OVLCD::paintEvent(QPaintEvent *)
{
    const OVUI *ui = OVUI::shared();
    const OVTheme &theme = ui->theme();
    const QRectF r = rect();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(OVPaint::capsule(r), theme.well);

    const QFont font = ovMono(m_size, QFont::Bold);
    const QFontMetricsF m(font);
    const QPointF baseline((r.width() - m.horizontalAdvance(m_text)) / 2,
                           (r.height() - m.height()) / 2 + m.ascent());
    OVPaint::textGlow(p, baseline, m_text, font, ovAlpha(theme.accent, 0.9), ui->z(4));
    p.setFont(font);
    p.setPen(theme.accent2);
    p.drawText(baseline, m_text);
    OVPaint::metalBorder(p, r, r.height() / 2, theme);
}

OVChromeTitle::OVChromeTitle(const QString &first, const QString &second, QWidget *parent)
    : OVHaloWidget<QWidget>(parent)
    , m_first(first)
    , m_second(second)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    OVUI::shared()->bind(this, [this] {
        updateGeometry();
        update();
        updateHalo();
    });
}

void OVChromeTitle::setText(const QString &first, const QString &second)
{
    m_first = first;
    m_second = second;
    updateGeometry();
    update();
    updateHalo();
}

OVChromeTitle::Layout OVChromeTitle::layout() const
{
    const QFontMetricsF heavy(titleFont(QFont::ExtraBold));
    const QFontMetricsF light(titleFont(QFont::Light));
    const qreal ascent = std::max(heavy.ascent(), light.ascent());
    const qreal descent = std::max(heavy.descent(), light.descent());
    const qreal firstWidth = heavy.horizontalAdvance(m_first);
    const qreal gap = m_first.isEmpty() || m_second.isEmpty() ? 0 : OVUI::shared()->z(5);
    Layout l;
    l.firstBaseline = QPointF(0, ascent);
    l.secondBaseline = QPointF(firstWidth + gap, ascent);
    // Room for the crisp shadow under the chrome letters.
    l.size = QSizeF(firstWidth + gap + light.horizontalAdvance(m_second), ascent + descent + 1.5);
    return l;
}

QSize OVChromeTitle::sizeHint() const
{
    return ceilSize(layout().size);
}

QMarginsF OVChromeTitle::haloMargins() const
{
    const qreal e = OVPaint::blurExtent(OVUI::shared()->z(5));
    return {e, e, e, e};
}

void OVChromeTitle::paintHalo(QPainter &painter) const
{
    const OVUI *ui = OVUI::shared();
    OVPaint::textGlow(painter, layout().secondBaseline, m_second, titleFont(QFont::Light),
                      ovAlpha(ui->theme().accent, 0.7), ui->z(5));
}

void OVChromeTitle::paintEvent(QPaintEvent *)
{
    const OVTheme &theme = OVUI::shared()->theme();
    const Layout l = layout();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    const QFont heavy = titleFont(QFont::ExtraBold);
    const QFontMetricsF hm(heavy);
    p.setFont(heavy);
    p.setPen(QColor::fromRgbF(0, 0, 0, 0.7f));
    p.drawText(l.firstBaseline + QPointF(0, 1.5), m_first);
    const QRectF box(l.firstBaseline.x(), l.firstBaseline.y() - hm.ascent(),
                     hm.horizontalAdvance(m_first), hm.height());
    p.setPen(QPen(QBrush(theme.chrome(box)), 1));
    p.drawText(l.firstBaseline, m_first);

    p.setFont(titleFont(QFont::Light));
    p.setPen(theme.accent2);
    p.drawText(l.secondBaseline, m_second);
}
