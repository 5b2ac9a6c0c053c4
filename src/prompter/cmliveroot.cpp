#include "cmliveroot.h"

#include "cmhintbar.h"
#include "cmoutputs.h"
#include "cmprompterview.h"

#include <engine/cmengine.h>
#include <engine/cmsettings.h>

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QVariantAnimation>

namespace {

constexpr int barLiftPt = 16;

} // namespace

CMLiveRoot::CMLiveRoot(CMEngine &engine, QWidget *parent)
    : QWidget(parent), m_engine(engine), m_view(new CMPrompterView(engine, false, this)),
      m_bar(new CMHintBar(engine, this)), m_fade(new QGraphicsOpacityEffect(m_bar)),
      m_animation(new QVariantAnimation(this))
{
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);

    m_bar->setGraphicsEffect(m_fade);
    m_bar->raise();
    connect(m_bar, &CMHintBar::exitRequested, this, &CMLiveRoot::exitRequested);

    m_animation->setDuration(fadeMs);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { applyOpacity(value.toDouble()); });

    connect(&m_engine, &CMEngine::runningChanged, this, [this] {
        m_animation->stop();
        applyOpacity(targetOpacity());
    });
    applyOpacity(targetOpacity());
}

void CMLiveRoot::setHover(bool hover)
{
    if (m_hover == hover)
        return;
    m_hover = hover;
    const double target = targetOpacity();
    m_animation->stop();
    if (m_opacity == target)
        return;
    m_animation->setStartValue(m_opacity);
    m_animation->setEndValue(target);
    m_animation->start();
}

void CMLiveRoot::setOptions(const CMOutputOptions &options)
{
    const bool own = options.picture != CMPicture::AsDeck;
    const CMSettings upright{.mirror = false, .flip = false};
    m_view->setPicture(own ? std::optional(options.mirror(upright)) : std::nullopt,
                       own ? std::optional(options.flip(upright)) : std::nullopt);
    m_view->setTimeCorner(options.showTime ? std::optional(options.timeCorner) : std::nullopt);
    setHintBarEnabled(options.hintBar);
}

void CMLiveRoot::setHintBarEnabled(bool enabled)
{
    if (m_barEnabled == enabled)
        return;
    m_barEnabled = enabled;
    m_animation->stop();
    applyOpacity(targetOpacity());
}

double CMLiveRoot::targetOpacity() const
{
    if (!m_barEnabled)
        return 0.0;
    return m_hover || !m_engine.running() ? 1.0 : 0.0;
}

void CMLiveRoot::applyOpacity(double opacity)
{
    if (m_opacity == opacity)
        return;
    m_opacity = opacity;
    // A hidden bar costs the running picture nothing, and an opaque one is painted directly
    // rather than through the effect's offscreen copy; the effect works only mid-fade.
    m_bar->setVisible(opacity > 0);
    m_fade->setEnabled(opacity < 1);
    m_fade->setOpacity(opacity);
}

bool CMLiveRoot::event(QEvent *event)
{
    // The bar's width follows its texts (state and speed).
    if (event->type() == QEvent::LayoutRequest)
        placeBar();
    return QWidget::event(event);
}

void CMLiveRoot::resizeEvent(QResizeEvent *)
{
    m_view->setGeometry(rect());
    placeBar();
}

void CMLiveRoot::placeBar()
{
    const QSize hint = m_bar->sizeHint();
    const int w = std::min(hint.width(), width());
    m_bar->setGeometry((width() - w) / 2, height() - barLiftPt - hint.height(), w, hint.height());
}
