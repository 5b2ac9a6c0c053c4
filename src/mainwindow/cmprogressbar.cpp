#include "cmprogressbar.h"

#include "cmriggeometry.h"

#include <engine/cmengine.h>
#include <kit/ovpaint.h>
#include <kit/ovui.h>

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

CMProgressBar::CMProgressBar(CMEngine &engine, QWidget *parent)
    : QWidget(parent)
    , m_engine(engine)
{
    setToolTip(u"Drag to move through the script"_s);
    setMouseTracking(true);
    m_redraw.setInterval(redrawMs);
    connect(&m_redraw, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    const auto repaint = [this] { update(); };
    connect(&engine, &CMEngine::runningChanged, this, &CMProgressBar::runningChanged);
    connect(&engine, &CMEngine::positionChanged, this, repaint);
    connect(&engine, &CMEngine::contentHeightChanged, this, repaint);
    connect(&engine, &CMEngine::finishedChanged, this, repaint);
    connect(&engine, &CMEngine::cuesChanged, this, repaint);
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

QList<double> CMProgressBar::tickPositions(const QList<double> &cueOffsets, double contentHeight,
                                           double width)
{
    QList<double> xs;
    xs.reserve(cueOffsets.size());
    for (const double offset : cueOffsets)
        xs.append(fraction(offset, contentHeight) * width);
    return xs;
}

QList<double> CMProgressBar::ticks() const
{
    if (!(m_engine.contentHeight() > 0))
        return {};
    QList<double> offsets;
    offsets.reserve(m_engine.cues().size());
    for (const CMCue &cue : m_engine.cues())
        offsets.append(cue.offset);
    return tickPositions(offsets, m_engine.contentHeight(), width());
}

int CMProgressBar::tickAt(double x) const
{
    const double reach = OVUI::shared()->z(5);
    const QList<double> xs = ticks();
    // Ticks run left to right with the script: the nearest is beside x's insertion point.
    const auto it = std::lower_bound(xs.cbegin(), xs.cend(), x);
    int best = -1;
    double bestDistance = reach;
    for (auto at = it == xs.cbegin() ? it : it - 1; at != xs.cend() && at <= it; ++at) {
        const double distance = std::abs(*at - x);
        if (distance <= bestDistance) {
            best = int(at - xs.cbegin());
            bestDistance = distance;
        }
    }
    return best;
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

bool CMProgressBar::event(QEvent *e)
{
    if (e->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(e);
        const int tick = tickAt(help->pos().x());
        if (tick >= 0) {
            QToolTip::showText(help->globalPos(),
                               m_engine.cues()[tick].text + u"\nClick to go to this cue"_s, this);
            return true;
        }
    } else if (e->type() == QEvent::Leave && m_hoveredTick >= 0) {
        m_hoveredTick = -1;
        unsetCursor();
        update();
    }
    return QWidget::event(e);
}

void CMProgressBar::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    const double x = e->position().x();
    m_pressedTick = tickAt(x);
    m_pressX = x;
    if (m_pressedTick >= 0)
        m_engine.jumpTo(m_engine.cues()[m_pressedTick].offset);
    else
        seek(x);
}

void CMProgressBar::mouseMoveEvent(QMouseEvent *e)
{
    const double x = e->position().x();
    if (!(e->buttons() & Qt::LeftButton)) {
        const int tick = tickAt(x);
        if (tick != m_hoveredTick) {
            m_hoveredTick = tick;
            if (tick >= 0)
                setCursor(Qt::PointingHandCursor);
            else
                unsetCursor();
            update();
        }
        return;
    }
    if (m_pressedTick >= 0 && std::abs(x - m_pressX) < QApplication::startDragDistance())
        return;
    m_pressedTick = -1;
    seek(x);
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
    paintTicks(p);
}

void CMProgressBar::paintTicks(QPainter &p) const
{
    const OVUI *ui = OVUI::shared();
    const OVTheme &theme = ui->theme();
    const qreal tickWidth = ui->z(2);
    const qreal top = ui->z(2);
    const QList<double> xs = ticks();
    p.setRenderHint(QPainter::Antialiasing, false);
    QColor color = theme.text;
    color.setAlphaF(0.7f);
    // A long script has more cues than the bar has pixels: one tick per pixel column.
    int lastColumn = std::numeric_limits<int>::min();
    for (qsizetype i = 0; i < xs.size(); ++i) {
        const int column = int(std::lround(xs[i]));
        if (column == lastColumn && i != m_hoveredTick)
            continue;
        lastColumn = column;
        const double x = std::clamp(xs[i] - tickWidth / 2, 0.0, width() - tickWidth);
        p.fillRect(QRectF(x, top, tickWidth, height() - top),
                   i == m_hoveredTick ? theme.accent2 : color);
    }
}
