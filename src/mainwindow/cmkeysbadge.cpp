#include "cmkeysbadge.h"

#include "cmlayout.h"

#include <engine/cmfocus.h>
#include <kit/ovfonts.h>
#include <kit/ovsymbols.h>
#include <kit/ovui.h>

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal fontPt = 10;
constexpr qreal symbolGapPt = 4;

QFont badgeFont()
{
    return ovFont(fontPt, QFont::ExtraBold, OVDesign::Rounded);
}

qreal symbolSize()
{
    return OVUI::shared()->z(fontPt * 1.3);
}

} // namespace

CMKeysBadge::CMKeysBadge(QWidget *parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_tick.setInterval(pollMs);
    connect(&m_tick, &QTimer::timeout, this, &CMKeysBadge::poll);
    connect(this, &QAbstractButton::clicked, this, [this] {
        CMFocus::toPrompter();
        setEditing(false);
    });
    OVUI::shared()->bind(this, [this] {
        updateGeometry();
        update();
    });
    setEditing(false);
}

QString CMKeysBadge::symbol() const
{
    return m_editing ? u"character.cursor.ibeam"_s : u"keyboard"_s;
}

QColor CMKeysBadge::color() const
{
    return m_editing ? CMColors::orange() : CMColors::green();
}

void CMKeysBadge::setEditing(bool editing)
{
    m_editing = editing;
    setText(editing ? u"Typing in script — click here for prompter keys"_s
                    : u"Keys control the prompter"_s);
    setToolTip(editing ? u"Space, arrows and R are typing into the script. Click here or on the "
                         u"prompter to control the prompter."_s
                       : u"Space start/stop · ↑/↓ speed · R top"_s);
    updateGeometry();
    update();
}

void CMKeysBadge::poll()
{
    const bool now = CMFocus::editing();
    if (now != m_editing)
        setEditing(now);
}

void CMKeysBadge::showEvent(QShowEvent *e)
{
    QAbstractButton::showEvent(e);
    m_tick.start();
}

void CMKeysBadge::hideEvent(QHideEvent *e)
{
    QAbstractButton::hideEvent(e);
    m_tick.stop();
}

QSize CMKeysBadge::sizeHint() const
{
    const QFontMetricsF m(badgeFont());
    const qreal w = symbolSize() + OVUI::shared()->z(symbolGapPt) + m.horizontalAdvance(text());
    const qreal h = std::max(m.height(), symbolSize());
    return {int(std::ceil(w)), int(std::ceil(h))};
}

void CMKeysBadge::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = isDown() ? color().darker(130) : color();
    const qreal s = symbolSize();
    OVSymbols::paint(p, QRectF(0, (height() - s) / 2, s, s), symbol(), s, ink);
    p.setFont(badgeFont());
    p.setPen(ink);
    const qreal x = s + OVUI::shared()->z(symbolGapPt);
    p.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}
