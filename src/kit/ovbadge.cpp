#include "ovbadge.h"

#include "ovfonts.h"
#include "ovmaker.h"
#include "ovpaint.h"
#include "ovui.h"

#include <QDesktopServices>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QFont badgeFont()
{
    QFont f = ovFont(10, QFont::ExtraBold, OVDesign::Rounded);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.3);
    return f;
}

QFont linkFont()
{
    return ovFont(10.5, QFont::DemiBold, OVDesign::Rounded);
}

const QString badgeText = u"OVS"_s;

} // namespace

OVSBadge::OVSBadge(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setToolTip(OVSMaker::name());
    setAccessibleName(OVSMaker::name());
    OVUI::shared()->bind(this, [this] {
        updateGeometry();
        update();
    });
}

QSize OVSBadge::sizeHint() const
{
    const QFontMetricsF m(badgeFont());
    const OVUI *ui = OVUI::shared();
    return {int(std::ceil(m.horizontalAdvance(badgeText) + 2 * ui->z(8))),
            int(std::ceil(m.height() + 2 * ui->z(3)))};
}

void OVSBadge::paintEvent(QPaintEvent *)
{
    const OVTheme &theme = OVUI::shared()->theme();
    const QRectF r = rect();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setStops({{0, theme.accent2}, {0.5, theme.accent}, {1, ovAlpha(theme.accent, 0.6)}});
    p.fillPath(OVPaint::capsule(r), fill);
    p.setFont(badgeFont());
    p.setPen(Qt::white);
    // Letter spacing trails the last letter too; centre the letters, not the spacing.
    p.drawText(r.translated(badgeFont().letterSpacing() / 2, 0), Qt::AlignCenter, badgeText);
    OVPaint::metalBorder(p, r, r.height() / 2, theme, 1.2);
}

OVSLink::OVSLink(QWidget *parent)
    : QAbstractButton(parent)
{
    setText(OVSMaker::name());
    setToolTip(OVSMaker::website().toString());
    setAccessibleName(OVSMaker::name());
    setAccessibleDescription(OVSMaker::website().toString());
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::clicked, this,
            [] { QDesktopServices::openUrl(OVSMaker::website()); });
    OVUI::shared()->bind(this, [this] {
        updateGeometry();
        update();
    });
}

QSize OVSLink::sizeHint() const
{
    const QFontMetricsF m(linkFont());
    return {int(std::ceil(m.horizontalAdvance(text()))), int(std::ceil(m.height()))};
}

void OVSLink::paintEvent(QPaintEvent *)
{
    const OVTheme &theme = OVUI::shared()->theme();
    QPainter p(this);
    QFont f = linkFont();
    f.setUnderline(m_hovered || hasFocus());
    p.setFont(f);
    p.setPen(m_hovered || hasFocus() ? theme.text : theme.dim);
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
}

void OVSLink::enterEvent(QEnterEvent *e)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(e);
}

void OVSLink::leaveEvent(QEvent *e)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(e);
}

OVSCredit::OVSCredit(QWidget *parent)
    : QWidget(parent)
    , m_link(new OVSLink(this))
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new OVSBadge(this), 0, Qt::AlignVCenter);
    row->addWidget(m_link, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    OVUI::shared()->bind(this, [row] { row->setSpacing(qRound(OVUI::shared()->z(6))); });
}
