#include "ovhelppagebutton.h"

#include <kit/ovfonts.h>
#include <kit/ovpaint.h>
#include <kit/ovsymbols.h>
#include <kit/ovtheme.h>
#include <kit/ovui.h>

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr qreal titleSize = 12.5;
constexpr qreal symbolFrame = 18;
constexpr qreal gap = 8;
constexpr qreal padX = 10;
constexpr qreal padY = 6;

qreal z(qreal points)
{
    return OVUI::shared()->z(points);
}

constexpr int wrapFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;

} // namespace

OVHelpPageButton::OVHelpPageButton(const QString &pageId, const QString &title,
                                   const QString &symbol, QWidget *parent)
    : QAbstractButton(parent)
    , m_pageId(pageId)
    , m_symbol(symbol)
{
    setText(title);
    setAccessibleName(title);
    // The keyboard reaches the pages through the search field (arrows, Return).
    setFocusPolicy(Qt::NoFocus);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    OVUI::shared()->bind(this, [this] {
        updateGeometry();
        update();
    });
}

void OVHelpPageButton::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    updateGeometry(); // bold and medium letters differ in width, so wrapping may change
    update();
}

QFont OVHelpPageButton::titleFont() const
{
    return ovFont(titleSize, m_selected ? QFont::Bold : QFont::Medium);
}

QRectF OVHelpPageButton::titleRect(const QRectF &bounds) const
{
    const qreal left = z(padX) + z(symbolFrame) + z(gap);
    return bounds.adjusted(left, z(padY), -z(padX), -z(padY));
}

QSize OVHelpPageButton::sizeHint() const
{
    const QFontMetricsF m(titleFont());
    const qreal width = z(padX) * 2 + z(symbolFrame) + z(gap) + m.horizontalAdvance(text());
    return {int(std::ceil(width)), heightForWidth(int(std::ceil(width)))};
}

QSize OVHelpPageButton::minimumSizeHint() const
{
    const int width = int(std::ceil(z(padX) * 2 + z(symbolFrame) + z(gap)));
    return {width, heightForWidth(-1)};
}

int OVHelpPageButton::heightForWidth(int width) const
{
    const QFontMetricsF m(titleFont());
    qreal textHeight = m.height();
    if (width > 0) {
        const QRectF room = titleRect(QRectF(0, 0, width, 1e6));
        if (room.width() > 0)
            textHeight = m.boundingRect(room, wrapFlags, text()).height();
    }
    const qreal content = std::max({textHeight, m.height(), z(symbolFrame)});
    return int(std::ceil(content + 2 * z(padY)));
}

void OVHelpPageButton::paintEvent(QPaintEvent *)
{
    const OVTheme &theme = OVUI::shared()->theme();
    const QRectF r = rect();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_selected)
        p.fillPath(OVPaint::capsule(r), ovAlpha(theme.accent, 0.55));
    const QColor ink = m_selected ? QColor(Qt::white) : theme.text;
    const qreal frame = z(symbolFrame);
    const QRectF symbolBox(z(padX), r.center().y() - frame / 2, frame, frame);
    OVSymbols::paint(p, symbolBox, m_symbol, z(titleSize), ink);
    p.setFont(titleFont());
    p.setPen(ink);
    p.drawText(titleRect(r), wrapFlags, text());
}
