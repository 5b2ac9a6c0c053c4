#include "cmrig.h"

#include "cmkeysbadge.h"
#include "cmlayout.h"
#include "cmrigstage.h"

#include <engine/cmengine.h>
#include <kit/ovfonts.h>
#include <kit/ovhalo.h>
#include <kit/ovlettering.h>
#include <kit/ovpaint.h>
#include <kit/ovui.h>
#include <prompter/cmtaketime.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal paddingPt = 12;

// The red on-air light, glowing beyond its own square.
class Lamp : public OVHaloWidget<QWidget>
{
public:
    Lamp()
    {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        OVUI::shared()->bind(this, [this] {
            const int side = qRound(OVUI::shared()->z(9));
            setFixedSize(side, side);
            updateHalo();
        });
    }

    QMarginsF haloMargins() const override
    {
        const qreal e = OVPaint::blurExtent(glowBlur);
        return {e, e, e, e};
    }

    void paintHalo(QPainter &painter) const override
    {
        OVPaint::shadow(painter, rect(), width() / 2.0, CMColors::red(), glowBlur);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(CMColors::red());
        p.drawEllipse(QRectF(rect()));
    }

private:
    static constexpr qreal glowBlur = 5;
};

} // namespace

CMRig::CMRig(CMEngine &engine, QWidget *parent)
    : OVPanel(24, 0, parent)
    , m_engine(engine)
    , m_caption(new OVCaption)
    , m_lamp(new Lamp)
    , m_badge(new CMKeysBadge)
    , m_state(new QLabel)
    , m_times(new QLabel)
    , m_timesTick(new QTimer(this))
    , m_stage(new CMRigStage(engine, paddingPt))
{
    ovBindFont(m_state, 10, QFont::ExtraBold, OVDesign::Rounded);
    ovBindFont(m_times, 10, QFont::Bold, OVDesign::Monospaced);
    m_times->setToolTip(u"The take: running time since the start from the top, the time the "
                        u"rest needs at this speed, and against the deck's target"_s);

    // The panel's padding is laid out here rather than by the panel, so that the stage can
    // reach into it at the sides.
    auto *column = CMLayout::column(this, 8);
    CMLayout::bindMargins(this, column, 0, paddingPt, 0, paddingPt);
    setLayout(column);

    auto *title = CMLayout::row(this);
    CMLayout::bindMargins(this, title, paddingPt, 0, paddingPt, 0);
    title->addWidget(m_caption, 0, Qt::AlignVCenter);
    title->addWidget(m_lamp, 0, Qt::AlignVCenter);
    title->addStretch();
    title->addWidget(m_times, 0, Qt::AlignVCenter);
    title->addWidget(m_badge, 0, Qt::AlignVCenter);
    title->addWidget(m_state, 0, Qt::AlignVCenter);
    column->addLayout(title);
    column->addWidget(m_stage, 1);

    connect(&engine, &CMEngine::liveChanged, this, &CMRig::follow);
    connect(&engine, &CMEngine::runningChanged, this, &CMRig::follow);
    connect(&engine, &CMEngine::finishedChanged, this, &CMRig::follow);
    OVUI::shared()->bind(this, [this] { follow(); });

    m_timesTick->setInterval(timesMs);
    connect(m_timesTick, &QTimer::timeout, this, &CMRig::showTimes);
    for (const auto signal : {&CMEngine::positionChanged, &CMEngine::settingsChanged,
                              &CMEngine::countdownEndsChanged})
        connect(&engine, signal, this, &CMRig::showTimes);
    connect(&engine, &CMEngine::contentHeightChanged, this, &CMRig::showTimes);
    connect(&engine, &CMEngine::targetDurationChanged, this, &CMRig::showTimes);
    showTimes();
}

void CMRig::showTimes()
{
    const CMTakeTime time = CMTakeTime::at(m_engine, m_engine.now());
    m_times->setText(time.line());
    const bool over = time.overUnder && *time.overUnder > 0;
    QPalette p = m_times->palette();
    p.setColor(QPalette::WindowText, over ? CMColors::orange() : OVUI::shared()->theme().dim);
    m_times->setPalette(p);
}

void CMRig::follow()
{
    const bool live = m_engine.live();
    m_caption->setText(live ? u"On air — live on the prompter display"_s : u"Rig preview"_s);
    m_lamp->setVisible(live);

    const OVTheme &theme = OVUI::shared()->theme();
    QColor color = theme.dim;
    QString word = u"STOPPED"_s;
    if (m_engine.running()) {
        word = u"RUNNING"_s;
        color = CMColors::green();
    } else if (m_engine.finished()) {
        word = u"FINISHED"_s;
        color = theme.accent2;
    }
    m_state->setText(word);
    if (m_engine.running())
        m_timesTick->start();
    else
        m_timesTick->stop();
    showTimes();
    QPalette p = m_state->palette();
    p.setColor(QPalette::WindowText, color);
    m_state->setPalette(p);
}
