#include "cmprompterview.h"

#include "cmframepacer.h"
#include "cmtextmodel.h"

#include <engine/cmengine.h>

#include <QPainter>
#include <QScreen>

#include <cmath>

namespace {

// Rendering ahead between frames, in slices that leave most of a frame's time free.
constexpr auto renderSliceTime = std::chrono::milliseconds(4);

} // namespace

CMPrompterView::CMPrompterView(CMEngine &engine, bool preview, QWidget *parent)
    : QWidget(parent)
    , m_engine(engine)
    , m_preview(preview)
    , m_model(CMTextModel::forEngine(engine))
    , m_renderer(m_model->text())
    , m_pacer(new CMFramePacer(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    m_renderer.setSettings(engine.settings());
    m_between.setSingleShot(true);
    m_between.setInterval(0);
    connect(&m_between, &QTimer::timeout, this, &CMPrompterView::workBetweenFrames);
    connect(m_pacer, &CMFramePacer::frame, this, qOverload<>(&QWidget::update));

    const auto repaint = [this] { update(); };
    connect(m_model.get(), &CMTextModel::changed, this, [this] {
        update();
        scheduleReport();
    });
    connect(m_model.get(), &CMTextModel::measured, this, &CMPrompterView::scheduleReport);
    connect(&engine, &CMEngine::settingsChanged, this, &CMPrompterView::settingsChanged);
    connect(&engine, &CMEngine::runningChanged, this, [this] {
        updatePacing();
        update();
    });
    connect(&engine, &CMEngine::liveChanged, this, [this] {
        update();
        scheduleReport();
    });
    connect(&engine, &CMEngine::scriptChanged, this, repaint);
    connect(&engine, &CMEngine::countdownEndsChanged, this, repaint);
    connect(&engine, &CMEngine::positionChanged, this, repaint);
    connect(&engine, &CMEngine::finishedChanged, this, repaint);
    connect(&engine, &CMEngine::contentHeightChanged, this, repaint);
    connect(&engine, &CMEngine::viewportHeightChanged, this, repaint);
    scheduleReport();
}

CMPrompterView::~CMPrompterView() = default;

void CMPrompterView::settingsChanged()
{
    m_renderer.setSettings(m_engine.settings());
    update();
}

void CMPrompterView::updatePacing()
{
    if (m_engine.running() && isVisible()) {
        if (const QScreen *display = screen())
            m_pacer->setRefreshRate(display->refreshRate());
        m_pacer->start();
    } else {
        m_pacer->stop();
    }
}

void CMPrompterView::syncViewSize()
{
    // The ratio changes without a resize when the window moves to another screen.
    if (m_renderer.geometry().viewSize != QSizeF(size())
        || m_renderer.devicePixelRatio() != devicePixelRatioF()) {
        m_renderer.setViewSize(size(), devicePixelRatioF());
    }
}

void CMPrompterView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_laidOut = true;
    syncViewSize();
    scheduleReport();
}

void CMPrompterView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updatePacing();
    scheduleReport();
}

void CMPrompterView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updatePacing();
}

std::optional<qint64> CMPrompterView::countdownSeconds(CMInstant t) const
{
    const auto ends = m_engine.countdownEnds();
    if (!ends || t >= *ends)
        return std::nullopt;
    return std::max<qint64>(1, qint64(std::ceil(secondsBetween(t, *ends))));
}

void CMPrompterView::paintEvent(QPaintEvent *)
{
    m_laidOut = true;
    syncViewSize();
    const CMInstant t = m_engine.now();
    CMPrompterRenderer::Frame frame;
    frame.offset = m_engine.offset(t);
    frame.countdown = countdownSeconds(t);
    if (m_engine.running() && !frame.countdown) {
        const double perFrame = m_engine.currentRate() / m_pacer->refreshRate();
        frame.motion = perFrame * m_renderer.geometry().scale;
    }
    {
        QPainter painter(this);
        m_renderer.paint(painter, frame);
    }
    noteShownOffset(frame.offset);
    // Drawing may have measured rows: the height can have changed.
    scheduleReport();
    if (m_renderer.hasAheadWork() && !m_between.isActive())
        m_between.start();
    m_model->measureLater();
}

void CMPrompterView::workBetweenFrames()
{
    if (m_renderer.renderAhead(renderSliceTime))
        m_between.start();
}

void CMPrompterView::noteShownOffset(double offset)
{
    const qint64 whole = qint64(std::trunc(offset));
    const bool moved = m_shownWhole && *m_shownWhole != whole;
    m_shownWhole = whole;
    if (!moved || m_rememberPending)
        return;
    m_rememberPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_rememberPending = false;
            m_engine.remember(m_engine.offset(m_engine.now()));
        },
        Qt::QueuedConnection);
}

void CMPrompterView::scheduleReport()
{
    // A view not laid out yet, or of no size, has no height to give: the engine keeps its own.
    const bool sized = m_laidOut && width() >= 1 && height() >= 1;
    const Report report{m_model->text().height(), m_renderer.geometry().height, m_engine.live(),
                        sized};
    if (m_reported == report)
        return;
    m_reported = report;
    QMetaObject::invokeMethod(
        &m_engine,
        [engine = &m_engine, preview = m_preview, report] {
            engine->setContentHeight(report.contentHeight);
            if (preview && engine->live())
                return;
            if (report.sized)
                engine->setViewportHeight(report.viewportHeight);
        },
        Qt::QueuedConnection);
}
