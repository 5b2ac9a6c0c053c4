#include "cmprogressbar.h"

#include "cmriggeometry.h"

#include <engine/cmengine.h>
#include <kit/ovpaint.h>
#include <kit/ovui.h>

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

using namespace Qt::StringLiterals;

CMProgressBar::CMProgressBar(CMEngine &engine, QWidget *parent)
    : QWidget(parent)
    , m_engine(engine)
{
    setToolTip(u"Drag to move through the script"_s);
    m_redraw.setInterval(redrawMs);
    connect(&m_redraw, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    const auto repaint = [this] { update(); };
    connect(&engine, &CMEngine::runningChanged, this, &CMProgressBar::runningChanged);
    connect(&engine, &CMEngine::positionChanged, this, repaint);
    connect(&engine, &CMEngine::contentHeightChanged, this, repaint);
    connect(&engine, &CMEngine::finishedChanged, this, repaint);
    OVUI::shared()->bind(this, repaint);
    runningChanged(engine.running());
}

double CMProgressBar::fraction(double offset, double contentHeight)
{
    if (!(contentHeight > 0))
        return 0;
    return std::clamp(offset / contentHeight, 0.0, 1.0);
}

double CMProgressBar::target(double x, double width, double contentHeight)
{
    const double f = width > 0 ? std::clamp(x / width, 0.0, 1.0) : 0.0;
    return f * std::max(contentHeight, 0.0);
}

double CMProgressBar::shownFraction() const
{
    return fraction(m_engine.offset(m_engine.now()), m_engine.contentHeight());
}

void CMProgressBar::runningChanged(bool running)
{
    if (running)
        m_redraw.start();
    else
        m_redraw.stop();
    update();
}

void CMProgressBar::seek(double x)
{
    const double to = target(x, width(), m_engine.contentHeight());
    m_engine.jump(to - m_engine.offset(m_engine.now()));
}

void CMProgressBar::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    seek(e->position().x());
}

void CMProgressBar::mouseMoveEvent(QMouseEvent *e)
{
    if (e->buttons() & Qt::LeftButton)
        seek(e->position().x());
}

void CMProgressBar::paintEvent(QPaintEvent *)
{
    const OVUI *ui = OVUI::shared();
    const OVTheme &theme = ui->theme();
    const qreal h = ui->z(CMRigGeometry::trackHeightPt);
    const QRectF track(0, height() - h, width(), h);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(theme.well);
    p.drawPath(OVPaint::capsule(track));

    const qreal w = std::max(track.width() * shownFraction(), h);
    const QRectF fill(track.left(), track.top(), w, h);
    QLinearGradient gradient(fill.topLeft(), fill.topRight());
    gradient.setColorAt(0, theme.accent);
    gradient.setColorAt(1, theme.accent2);
    p.setBrush(gradient);
    p.drawPath(OVPaint::capsule(fill));
}
