#include "ovsurfaces.h"

#include "ovpaint.h"
#include "ovui.h"

#include <QChildEvent>
#include <QLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPaintEvent>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyle>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// A layout set on a surface gets no margins of its own: the surface's padding is the only
// one. Only the style's default margins are dropped, so margins the owner chose stay. A layout
// built with the surface as its parent is not a layout yet when it is added, so the first
// layout request catches it.
void adoptLayout(QWidget *surface, QEvent *e)
{
    if (e->type() != QEvent::ChildAdded && e->type() != QEvent::LayoutRequest)
        return;
    QLayout *layout = surface->layout();
    if (!layout || layout->property("ovAdopted").toBool())
        return;
    layout->setProperty("ovAdopted", true);
    const QStyle *style = surface->style();
    const QMargins defaults(style->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, surface),
                            style->pixelMetric(QStyle::PM_LayoutTopMargin, nullptr, surface),
                            style->pixelMetric(QStyle::PM_LayoutRightMargin, nullptr, surface),
                            style->pixelMetric(QStyle::PM_LayoutBottomMargin, nullptr, surface));
    if (layout->contentsMargins() == defaults)
        layout->setContentsMargins(0, 0, 0, 0);
}

QRegion roundedRegion(const QRectF &rect, qreal radius)
{
    return QRegion(OVPaint::roundedRect(rect, radius).toFillPolygon().toPolygon());
}

// Draws the rim and inner shadow of a well over its content.
class WellRim : public QWidget
{
public:
    explicit WellRim(OVWell *well)
        : QWidget(well)
        , m_well(well)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const OVTheme &theme = OVUI::shared()->theme();
        const OVWellGeometry g = m_well->wellGeometry();
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = rect();
        QLinearGradient rim(r.topLeft(), r.bottomLeft());
        rim.setColorAt(0, QColor::fromRgbF(0, 0, 0, 0.9f));
        rim.setColorAt(1, ovAlpha(theme.metalMid, 0.5));
        OVPaint::insideStroke(p, r, g.radius, rim, g.rimWidth);

        const qreal inset = g.innerShadowInset + 0.5;
        const QRectF line = r.adjusted(inset, inset, -inset, -inset);
        if (!line.isEmpty()) {
            OVPaint::blurredStroke(p,
                                   OVPaint::roundedRect(line, std::max(0.0, g.radius - inset)),
                                   1, QColor::fromRgbF(0, 0, 0, 0.6f), 1.5);
        }
    }

private:
    OVWell *m_well;
};

} // namespace

QList<BrushedLines::Bar> BrushedLines::bars(qreal height)
{
    QList<Bar> result;
    for (qint64 k = 0; k * pitch < height; ++k)
        result.append({k * pitch, qreal((k * 7919) % 13) / 13});
    return result;
}

void BrushedLines::paint(QPainter &p, const QRectF &rect)
{
    if (rect.height() <= 0 || rect.width() <= 0)
        return;
    // One column of the texture, stretched across: the bars are full-width, so a column says it all.
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const int heightPx = int(std::ceil(rect.height() * dpr));
    const QString key = u"ov-brushed:%1:%2"_s.arg(heightPx).arg(dpr);
    QPixmap strip;
    if (!QPixmapCache::find(key, &strip)) {
        QImage image(1, heightPx, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter ip(&image);
            ip.setRenderHint(QPainter::Antialiasing);
            ip.scale(1, dpr);
            for (const Bar &bar : bars(rect.height()))
                ip.fillRect(QRectF(0, bar.top, 1, barHeight), QColor::fromRgbF(1, 1, 1, float(bar.opacity)));
        }
        strip = QPixmap::fromImage(std::move(image));
        QPixmapCache::insert(key, strip);
    }
    p.drawPixmap(rect, strip, QRectF(0, 0, 1, heightPx));
}

OVPanel::OVPanel(QWidget *parent)
    : OVHaloWidget<QWidget>(parent)
{
    OVHalos::makeHost(this);
    OVUI::shared()->bind(this, [this] { applyZoom(); });
}

OVPanel::OVPanel(qreal radius, qreal padding, QWidget *parent)
    : OVPanel(parent)
{
    m_radius = radius;
    m_padding = padding;
    applyZoom();
}

void OVPanel::setRadius(qreal radius)
{
    m_radius = radius;
    applyZoom();
}

void OVPanel::setPadding(qreal padding)
{
    m_padding = padding;
    applyZoom();
}

OVPanelGeometry OVPanel::panelGeometry() const
{
    return OVPanelGeometry::at(m_radius, m_padding, OVUI::shared()->zoom());
}

void OVPanel::applyZoom()
{
    const int pad = qRound(panelGeometry().padding);
    setContentsMargins(pad, pad, pad, pad);
    update();
    updateHalo();
}

QMarginsF OVPanel::haloMargins() const
{
    const OVPanelGeometry g = panelGeometry();
    const qreal e = OVPaint::blurExtent(g.shadowBlur);
    return {e, std::max(0.0, e - g.shadowOffsetY), e, e + g.shadowOffsetY};
}

void OVPanel::paintHalo(QPainter &painter) const
{
    const OVPanelGeometry g = panelGeometry();
    OVPaint::shadow(painter, rect(), g.radius, QColor::fromRgbF(0, 0, 0, 0.45f), g.shadowBlur,
                    {0, g.shadowOffsetY});
}

bool OVPanel::event(QEvent *e)
{
    adoptLayout(this, e);
    return OVHaloWidget<QWidget>::event(e);
}

namespace {

// Face, grain and sheen of a panel: a large area of gradients and hairlines, drawn once per
// size and theme so that repainting a control inside the panel only copies it.
QPixmap panelFace(const QSizeF &size, qreal radius, const OVTheme &theme, qreal dpr)
{
    const QString key = u"ov-panel:%1:%2:%3:%4:%5"_s.arg(size.width())
                            .arg(size.height())
                            .arg(radius)
                            .arg(theme.id)
                            .arg(dpr);
    QPixmap face;
    if (QPixmapCache::find(key, &face))
        return face;
    face = QPixmap((size * dpr).toSize());
    face.setDevicePixelRatio(dpr);
    face.fill(Qt::transparent);
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(QPointF(), size);
    const QPainterPath shape = OVPaint::roundedRect(r, radius);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setStops({{0.0, theme.raised},
                   {1.0 / 3, theme.panel},
                   {2.0 / 3, ovAlpha(theme.panel, 0.96)},
                   {1.0, theme.base}});
    p.fillPath(shape, fill);
    p.setClipPath(shape);
    p.setOpacity(0.05);
    BrushedLines::paint(p, r);
    p.setOpacity(1);
    QLinearGradient sheen(r.topLeft(), QPointF(r.left(), r.center().y()));
    sheen.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.1f));
    sheen.setColorAt(1, Qt::transparent);
    p.fillPath(shape, sheen);
    p.end();
    QPixmapCache::insert(key, face);
    return face;
}

} // namespace

void OVPanel::paintEvent(QPaintEvent *e)
{
    const OVTheme &theme = OVUI::shared()->theme();
    const OVPanelGeometry g = panelGeometry();
    QPainter p(this);
    p.drawPixmap(0, 0, panelFace(size(), g.radius, theme, devicePixelRatioF()));
    p.setRenderHint(QPainter::Antialiasing);
    OVHalos::paint(this, p, e->region());
    OVPaint::metalBorder(p, rect(), g.radius, theme, 1.2);
}

OVWell::OVWell(QWidget *parent)
    : QWidget(parent)
{
    m_rim = new WellRim(this);
    OVHalos::makeHost(this);
    OVUI::shared()->bind(this, [this] {
        update();
        m_rim->update();
        const QList<QWidget *> children = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (QWidget *child : children)
            clipContent(child);
    });
}

OVWell::OVWell(qreal radius, QWidget *parent)
    : OVWell(parent)
{
    setRadius(radius);
}

void OVWell::setRadius(qreal radius)
{
    m_radius = radius;
    update();
    m_rim->update();
}

OVWellGeometry OVWell::wellGeometry() const
{
    return OVWellGeometry::at(m_radius, OVUI::shared()->zoom());
}

bool OVWell::event(QEvent *e)
{
    adoptLayout(this, e);
    if (e->type() == QEvent::ChildAdded) {
        auto *child = qobject_cast<QWidget *>(static_cast<QChildEvent *>(e)->child());
        if (child && m_rim && child != m_rim) {
            child->installEventFilter(this);
            m_rim->raise();
        }
    }
    return QWidget::event(e);
}

bool OVWell::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::Resize || e->type() == QEvent::Move)
        clipContent(static_cast<QWidget *>(watched));
    return QWidget::eventFilter(watched, e);
}

void OVWell::clipContent(QWidget *child)
{
    if (child == m_rim || child->parentWidget() != this)
        return;
    const QRect frame = child->geometry();
    const QRectF shape = QRectF(rect()).translated(-frame.topLeft());
    const QRegion clip = roundedRegion(shape, wellGeometry().radius) & QRegion(child->rect());
    if (clip == QRegion(child->rect()))
        child->clearMask();
    else
        child->setMask(clip);
}

void OVWell::paintEvent(QPaintEvent *e)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(OVPaint::roundedRect(rect(), wellGeometry().radius), OVUI::shared()->theme().well);
    OVHalos::paint(this, p, e->region());
}

void OVWell::resizeEvent(QResizeEvent *e)
{
    m_rim->setGeometry(rect());
    m_rim->raise();
    const QList<QWidget *> children = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *child : children)
        clipContent(child);
    QWidget::resizeEvent(e);
}
