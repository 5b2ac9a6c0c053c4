#include "cmdeck.h"

#include "cmlayout.h"
#include "cmoutputpicker.h"
#include "cmtargetfield.h"

#include <engine/cmengine.h>
#include <engine/cmfocus.h>
#include <engine/cmmath.h>
#include <kit/ovbuttons.h>
#include <kit/ovfonts.h>
#include <kit/ovknob.h>
#include <kit/ovlettering.h>
#include <kit/ovsegment.h>
#include <kit/ovswitch.h>
#include <kit/ovui.h>
#include <prompter/cmprompterwindow.h>

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Knob values are continuous: 0.29 × 100 is 28.999…, which must still read 29, while 99.9
// reads 99. Truncate, forgiving only the error of the arithmetic.
int truncated(double value)
{
    if (!std::isfinite(value))
        return 0;
    return int(std::trunc(std::clamp(value + (value >= 0 ? 1e-9 : -1e-9), -1e9, 1e9)));
}

QString oneDecimal(double v)
{
    return QString::asprintf("%.1f", v);
}

QString twoDecimals(double v)
{
    return QString::asprintf("%.2f", v);
}

QString points(double v)
{
    return u"%1 pt"_s.arg(truncated(v));
}

QString percent(double v)
{
    return u"%1%"_s.arg(truncated(v));
}

QString fractionPercent(double v)
{
    return percent(v * 100);
}

struct KnobSpec
{
    const char16_t *label;
    double CMSettings::*field;
    double lower;
    double upper;
    QString (*format)(double);
};

const KnobSpec knobSpecs[] = {
    {u"Speed", &CMSettings::speed, 0.0, 10.0, oneDecimal},
    {u"Size", &CMSettings::fontSize, 24.0, 200.0, points},
    {u"Margins", &CMSettings::margin, 0.0, 35.0, percent},
    {u"Spacing", &CMSettings::lineSpacing, 1.0, 2.2, twoDecimals},
    {u"Cue line", &CMSettings::cuePosition, 0.1, 0.7, fractionPercent},
};

struct SwitchSpec
{
    const char16_t *title;
    bool CMSettings::*field;
};

const SwitchSpec switchSpecs[] = {
    {u"Mirror", &CMSettings::mirror},
    {u"Flip", &CMSettings::flip},
    {u"Cue marker", &CMSettings::cueLine},
    {u"CAPS", &CMSettings::uppercase},
};

// A thin line between the deck's groups.
class Divider : public QWidget
{
public:
    Divider()
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        OVUI::shared()->bind(this, [this] { update(); });
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).fillRect(rect(), OVUI::shared()->theme().metalLo);
    }
};

// A titled pop-up picker in kit lettering, `widthPt`·z wide, title included.
QWidget *titled(const QString &title, QComboBox *picker, qreal widthPt)
{
    auto *box = new QWidget;
    auto *row = CMLayout::row(box, 6);
    box->setLayout(row);
    auto *label = CMLayout::label(title, 11.5, QFont::Normal, OVDesign::Rounded, false);
    label->setBuddy(picker);
    row->addWidget(label);
    row->addWidget(picker, 1);
    ovBindFont(picker, 11.5, QFont::Normal, OVDesign::Rounded);
    picker->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    picker->setMinimumContentsLength(4);
    CMLayout::bindWidth(box, widthPt);
    return box;
}

} // namespace

CMDeck::CMDeck(CMEngine &engine, CMPrompterWindow &live, QWidget *parent)
    : OVPanel(24, 12, parent)
    , m_engine(engine)
    , m_live(live)
    , m_layout(new CMDeckLayout)
{
    m_layout->addWidget(transport());
    m_layout->addWidget(knobs());
    m_layout->addWidget(look());
    m_layout->addWidget(new Divider);
    m_layout->addWidget(new Divider);
    setLayout(m_layout);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(m_layout, &CMDeckLayout::arrangementChanged, this, &CMDeck::arrangementChanged);

    connect(&engine, &CMEngine::settingsChanged, this, &CMDeck::showSettings);
    connect(&engine, &CMEngine::runningChanged, this, &CMDeck::showRunState);
    connect(&engine, &CMEngine::liveChanged, this, &CMDeck::showLive);

    auto *goLiveKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    goLiveKey->setContext(Qt::WindowShortcut);
    connect(goLiveKey, &QShortcut::activated, this, &CMDeck::goLive);

    showSettings();
    showRunState();
    showLive();
}

OVKnob *CMDeck::knob(const QString &label) const
{
    for (OVKnob *k : m_knobs) {
        if (k->label() == label)
            return k;
    }
    return nullptr;
}

OVSwitch *CMDeck::toggle(const QString &title) const
{
    for (OVSwitch *s : m_switches) {
        if (s->title() == title)
            return s;
    }
    return nullptr;
}

QWidget *CMDeck::transport()
{
    auto *group = new QWidget;
    auto *column = CMLayout::column(group, 10);
    group->setLayout(column);

    auto *orbs = CMLayout::row(group, 10);
    const struct
    {
        const char16_t *symbol;
        qreal size;
        const char16_t *help;
        std::function<void()> action;
    } specs[] = {
        {u"backward.end.fill", 34, u"Back to the top (R / Home)", [this] { m_engine.backToTop(); }},
        {u"chevron.up", 34, u"Jump back (← / Page Up)", [this] { m_engine.jumpBack(); }},
        {u"play.fill", 54, u"Start / stop (Space)", [this] { m_engine.toggle(); }},
        {u"chevron.down", 34, u"Jump ahead (→ / Page Down)", [this] { m_engine.jumpAhead(); }},
    };
    for (const auto &entry : specs) {
        auto *orb = new OVOrbButton(QString::fromUtf16(entry.symbol), entry.size);
        orb->setHelp(QString::fromUtf16(entry.help));
        connect(orb, &QAbstractButton::clicked, this, entry.action);
        orbs->addWidget(orb, 0, Qt::AlignVCenter);
        m_orbs.append(orb);
    }
    column->addLayout(orbs);
    column->setAlignment(orbs, Qt::AlignHCenter);
    // The countdown, and beside it the length the take should have.
    auto *timing = new QGridLayout;
    OVUI::shared()->bind(group, [timing] {
        timing->setHorizontalSpacing(qRound(OVUI::shared()->z(10)));
        timing->setVerticalSpacing(qRound(OVUI::shared()->z(10)));
    });
    timing->addWidget(new OVCaption(u"Countdown"_s), 0, 0, Qt::AlignHCenter);
    timing->addWidget(new OVCaption(u"Target"_s), 0, 1, Qt::AlignHCenter);

    m_countdown = new OVSegment;
    m_countdown->setItems({{qint64(0), u"Off"_s},
                           {qint64(3), u"3"_s},
                           {qint64(5), u"5"_s},
                           {qint64(10), u"10"_s}});
    CMLayout::bindWidth(m_countdown, 210);
    connect(m_countdown, &OVSegment::selectionChanged, this, [this](const QVariant &value) {
        CMSettings s = m_engine.settings();
        s.countdown = value.toLongLong();
        m_engine.setSettings(s);
    });
    timing->addWidget(m_countdown, 1, 0, Qt::AlignHCenter);
    m_target = new CMTargetField(m_engine);
    CMLayout::bindWidth(m_target, 64);
    OVUI::shared()->bind(m_target, [this] {
        m_target->setFixedHeight(m_countdown->sizeHint().height());
    });
    timing->addWidget(m_target, 1, 1, Qt::AlignVCenter);
    column->addLayout(timing);
    column->setAlignment(timing, Qt::AlignHCenter);
    return group;
}

QWidget *CMDeck::knobs()
{
    auto *group = new QWidget;
    auto *row = CMLayout::row(group, 14);
    group->setLayout(row);
    for (const KnobSpec &entry : knobSpecs) {
        const QString label = QString::fromUtf16(entry.label);
        auto *knob = new OVKnob;
        knob->setSize(58);
        knob->setLabel(label);
        knob->setRange(entry.lower, entry.upper);
        knob->setFormatter(entry.format);
        connect(knob, &OVKnob::valueChanged, this, [this, field = entry.field](double v) {
            CMSettings s = m_engine.settings();
            s.*field = v;
            m_engine.setSettings(s);
        });
        row->addWidget(knob, 0, Qt::AlignVCenter);
        m_knobs.append(knob);
    }
    return group;
}

QWidget *CMDeck::look()
{
    auto *group = new QWidget;
    auto *column = CMLayout::column(group, 8);
    group->setLayout(column);

    auto *switches = CMLayout::row(group, 14);
    for (const SwitchSpec &entry : switchSpecs) {
        auto *toggle = new OVSwitch(QString::fromUtf16(entry.title));
        connect(toggle, &OVSwitch::toggled, this, [this, field = entry.field](bool on) {
            CMSettings s = m_engine.settings();
            s.*field = on;
            m_engine.setSettings(s);
        });
        switches->addWidget(toggle, 0, Qt::AlignVCenter);
        m_switches.append(toggle);
    }
    switches->addStretch();
    column->addLayout(switches);
    column->addWidget(pickers(), 0, Qt::AlignLeft);
    column->addWidget(goLiveRow(), 0, Qt::AlignLeft);
    return group;
}

QWidget *CMDeck::pickers()
{
    auto *box = new QWidget;
    auto *row = CMLayout::row(box);
    box->setLayout(row);

    m_font = new QComboBox;
    for (const CMMath::FontChoice &choice : CMMath::fonts())
        m_font->addItem(choice.label, choice.name);
    connect(m_font, &QComboBox::activated, this, [this](int index) {
        CMSettings s = m_engine.settings();
        s.fontName = m_font->itemData(index).toString();
        m_engine.setSettings(s);
    });
    row->addWidget(titled(u"Font"_s, m_font, 200));

    m_colors = new QComboBox;
    const auto palettes = CMMath::palettes();
    for (qsizetype i = 0; i < qsizetype(palettes.size()); ++i)
        m_colors->addItem(palettes[size_t(i)].name, qint64(i));
    connect(m_colors, &QComboBox::activated, this, [this](int index) {
        CMSettings s = m_engine.settings();
        s.colors = m_colors->itemData(index).toLongLong();
        m_engine.setSettings(s);
    });
    row->addWidget(titled(u"Colors"_s, m_colors, 210));
    return box;
}

QWidget *CMDeck::goLiveRow()
{
    auto *box = new QWidget;
    auto *row = CMLayout::row(box, 10);
    box->setLayout(row);

    m_outputs = new CMOutputPicker(m_live.outputs());
    row->addWidget(titled(u"Display"_s, m_outputs, 300), 0, Qt::AlignVCenter);

    m_goLive = new OVChromeButton;
    m_goLive->setProminent(true);
    connect(m_goLive, &QAbstractButton::clicked, this, &CMDeck::goLive);
    row->addWidget(m_goLive, 0, Qt::AlignVCenter);
    return box;
}

void CMDeck::showSettings()
{
    // What the picture and the clock use, not what an edited or older record holds.
    const CMSettings s = m_engine.settings().clamped();
    for (int i = 0; i < m_knobs.size(); ++i)
        m_knobs[i]->setValue(s.*(knobSpecs[i].field));
    for (int i = 0; i < m_switches.size(); ++i)
        m_switches[i]->setOn(s.*(switchSpecs[i].field));
    m_countdown->setSelection(qint64(s.countdown));
    m_font->setCurrentIndex(m_font->findData(s.fontName));
    m_colors->setCurrentIndex(m_colors->findData(qint64(s.colors)));
}

void CMDeck::showRunState()
{
    const bool running = m_engine.running();
    OVOrbButton *orb = startStopOrb();
    orb->setSymbol(running ? u"pause.fill"_s : u"play.fill"_s);
    orb->setLit(running);
}

void CMDeck::showLive()
{
    const bool live = m_engine.live();
    m_goLive->setText(live ? u"End Live"_s : u"Go Live"_s);
    m_goLive->setSymbol(live ? u"stop.circle.fill"_s : u"dot.radiowaves.left.and.right"_s);
}

void CMDeck::goLive()
{
    if (m_engine.live())
        m_live.close();
    else
        m_live.showChecked();
}
