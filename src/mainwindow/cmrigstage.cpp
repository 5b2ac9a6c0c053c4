#include "cmrigstage.h"

#include "cmprogressbar.h"

#include <engine/cmengine.h>
#include <engine/cmfocus.h>
#include <kit/ovpaint.h>
#include <kit/ovui.h>
#include <prompter/cmprompterview.h>

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

using namespace Qt::StringLiterals;

namespace {

void paintBezel(QPainter &p, const CMRigGeometry &g, const OVTheme &theme)
{
    p.setPen(Qt::NoPen);
    p.setBrush(theme.chrome(g.screen));
    p.drawPath(OVPaint::roundedRect(g.screen, g.bezelRadius()));
    p.setBrush(Qt::black);
    p.drawPath(OVPaint::roundedRect(g.glass, g.glassRadius()));
}

// Drawn over the prompter picture, which the stage cannot clip to a rounded shape: the bezel
// and glass in the picture's corners and the sheen across the glass. One image per size and
// theme, so a running picture only costs one blend of it per frame.
class Glass : public QWidget
{
public:
    explicit Glass(QWidget *parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

    void setRig(const CMRigGeometry &g)
    {
        m_rig = g;
        m_image = QPixmap();
        QWidget::setGeometry(g.picture.toAlignedRect());
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const qreal dpr = devicePixelRatioF();
        const QString theme = OVUI::shared()->theme().id;
        if (m_image.isNull() || m_imageTheme != theme || m_image.devicePixelRatio() != dpr)
            render(dpr, theme);
        QPainter(this).drawPixmap(0, 0, m_image);
    }

private:
    void render(qreal dpr, const QString &theme)
    {
        const OVTheme &colors = OVUI::shared()->theme();
        m_image = QPixmap((QSizeF(size()) * dpr).toSize());
        m_image.setDevicePixelRatio(dpr);
        m_image.fill(Qt::transparent);
        m_imageTheme = theme;
        QPainter p(&m_image);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(-QPointF(pos()));
        paintBezel(p, m_rig, colors);
        const QPainterPath picture = OVPaint::roundedRect(m_rig.picture, m_rig.pictureRadius());
        p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        p.fillPath(picture, Qt::black);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        QLinearGradient sheen(m_rig.picture.topLeft(), m_rig.picture.bottomRight());
        sheen.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.1f));
        sheen.setColorAt(1.0 / 3, Qt::transparent);
        sheen.setColorAt(2.0 / 3, QColor::fromRgbF(1, 1, 1, 0.04f));
        sheen.setColorAt(1, Qt::transparent);
        p.fillPath(picture, sheen);
    }

    CMRigGeometry m_rig;
    QPixmap m_image;
    QString m_imageTheme;
};

} // namespace

CMRigStage::CMRigStage(CMEngine &engine, qreal bleedPt, QWidget *parent)
    : QWidget(parent)
    , m_bleedPt(bleedPt)
    , m_picture(new CMPrompterView(engine, true, this))
    , m_glass(new Glass(this))
    , m_bar(new CMProgressBar(engine, this))
{
    setToolTip(u"Click the prompter to use the keyboard shortcuts"_s);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_picture->installEventFilter(this);
    m_bar->installEventFilter(this);
    OVUI::shared()->bind(this, [this] { place(); });
}

QRectF CMRigStage::area() const
{
    const qreal bleed = OVUI::shared()->z(m_bleedPt);
    return QRectF(rect()).adjusted(bleed, 0, -bleed, 0);
}

CMRigGeometry CMRigStage::rigGeometry() const
{
    // Half the bleed: the hood stays clear of the panel's rim.
    return CMRigGeometry::at(area(), OVUI::shared()->zoom(),
                             area().width() + OVUI::shared()->z(m_bleedPt));
}

void CMRigStage::place()
{
    const CMRigGeometry g = rigGeometry();
    m_picture->setGeometry(g.picture.toAlignedRect());
    static_cast<Glass *>(m_glass)->setRig(g);
    m_bar->setGeometry(g.bar.toAlignedRect());
    update();
}

void CMRigStage::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    place();
}

bool CMRigStage::eventFilter(QObject *watched, QEvent *event)
{
    // Seen on the way past: the bar still drags, the picture still gets its clicks.
    if (event->type() == QEvent::MouseButtonPress)
        CMFocus::toPrompter();
    return QWidget::eventFilter(watched, event);
}

void CMRigStage::mousePressEvent(QMouseEvent *e)
{
    CMFocus::toPrompter();
    e->accept();
}

void CMRigStage::paintEvent(QPaintEvent *)
{
    const OVUI *ui = OVUI::shared();
    const OVTheme &theme = ui->theme();
    const CMRigGeometry g = rigGeometry();
    if (g.screen.isEmpty())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    const QPainterPath hood = CMHood::path(g.hood);
    QLinearGradient fill(g.hood.topLeft(), g.hood.bottomLeft());
    fill.setColorAt(0, theme.metalLo);
    fill.setColorAt(1, Qt::black);
    p.fillPath(hood, fill);
    p.strokePath(hood, QPen(QBrush(OVPaint::metalGradient(g.hood, theme)), 1.5));

    OVPaint::shadow(p, g.screen, g.bezelRadius(), QColor::fromRgbF(0, 0, 0, 0.6f), ui->z(10),
                    {0, ui->z(5)});
    paintBezel(p, g, theme);
}
