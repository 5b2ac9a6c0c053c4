#include "cmvoicestrip.h"

#include "cmlayout.h"

#include <kit/ovfonts.h>
#include <kit/ovswitch.h>
#include <kit/ovui.h>
#include <prompter/cmtextmodel.h>
#include <voice/cmvoicefollower.h>

#include <QAudioDevice>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaDevices>
#include <QPainter>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// How loud the microphone is: a slim bar, green while speech is heard.
class LevelMeter : public QWidget
{
public:
    explicit LevelMeter(CMVoiceFollower *follower)
        : m_follower(follower)
    {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        OVUI::shared()->bind(this, [this] {
            const OVUI *ui = OVUI::shared();
            setFixedSize(qRound(ui->z(60)), qRound(ui->z(8)));
            update();
        });
        connect(follower, &CMVoiceFollower::levelChanged, this, [this] { update(); });
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const OVTheme &theme = OVUI::shared()->theme();
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        const qreal radius = r.height() / 2;
        p.setPen(theme.metalLo);
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r, radius, radius);
        const double level = m_follower->level();
        if (level <= 0)
            return;
        QRectF bar = r.adjusted(1, 1, -1, -1);
        bar.setWidth(bar.width() * level);
        p.setPen(Qt::NoPen);
        p.setBrush(level > 0.75 ? CMColors::orange() : CMColors::green());
        p.drawRoundedRect(bar, radius - 1, radius - 1);
    }

private:
    CMVoiceFollower *m_follower;
};

} // namespace

CMVoiceStrip::CMVoiceStrip(CMEngine &engine, QWidget *parent)
    : QWidget(parent)
    , m_follower(new CMVoiceFollower(engine, this))
    , m_switch(new OVSwitch(u"Voice"_s))
    , m_microphone(new QComboBox)
    , m_meter(new LevelMeter(m_follower))
    , m_state(CMLayout::label({}, 11, QFont::Normal, OVDesign::Rounded, true))
{
    std::shared_ptr<CMTextModel> model = CMTextModel::forEngine(engine);
    m_follower->setLayout([model](qsizetype p) { return model->text().lineTop(p); },
                          [model](double y) { return model->text().positionAt(y); });

    auto *row = CMLayout::row(this, 8);
    setLayout(row);
    m_switch->setToolTip(u"Follow the reader's voice: the prompter keeps pace while running"_s);
    row->addWidget(m_switch, 0, Qt::AlignVCenter);
    ovBindFont(m_microphone, 11, QFont::Normal, OVDesign::Rounded);
    m_microphone->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_microphone->setMinimumContentsLength(12);
    m_microphone->setToolTip(u"Microphone"_s);
    row->addWidget(m_microphone, 0, Qt::AlignVCenter);
    row->addWidget(m_meter, 0, Qt::AlignVCenter);
    row->addWidget(m_state, 0, Qt::AlignVCenter);

    connect(m_switch, &OVSwitch::toggled, this, [this](bool on) {
        m_follower->setEnabled(on);
        showState();
    });
    connect(m_microphone, &QComboBox::activated, this, [this](int index) {
        m_follower->setDevice(m_microphone->itemData(index).toByteArray());
    });
    connect(m_follower, &CMVoiceFollower::stateChanged, this, &CMVoiceStrip::showState);
    auto *devices = new QMediaDevices(this);
    connect(devices, &QMediaDevices::audioInputsChanged, this, &CMVoiceStrip::listMicrophones);
    // Qt 6.4 keeps the list of devices current but does not say when it changed: look again
    // every second.
    m_devicePoll.setInterval(1000);
    connect(&m_devicePoll, &QTimer::timeout, this, &CMVoiceStrip::listMicrophones);
    m_devicePoll.start();
    listMicrophones();
    showState();
}

void CMVoiceStrip::listMicrophones()
{
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    const QByteArray systemDefault = QMediaDevices::defaultAudioInput().id();
    QList<std::pair<QByteArray, QString>> listed;
    for (const QAudioDevice &device : inputs)
        listed.append({device.id(), device.description()});
    if (listed == m_listed && systemDefault == m_systemDefault && m_microphone->count() > 0)
        return;
    m_listed = listed;
    // The microphone in use went away: listen to the system's own from now on (and to its new
    // one when that changes).
    const QByteArray chosen = m_follower->device();
    const auto isChosen = [&chosen](const auto &device) { return device.first == chosen; };
    if (chosen.isEmpty() ? systemDefault != m_systemDefault
                         : std::none_of(listed.begin(), listed.end(), isChosen))
        m_follower->setDevice({});
    m_systemDefault = systemDefault;

    m_microphone->clear();
    for (const auto &[id, name] : listed)
        m_microphone->addItem(name, id);
    if (listed.isEmpty())
        m_microphone->addItem(u"No microphone"_s, QByteArray());
    const QByteArray current =
        m_follower->device().isEmpty() ? systemDefault : m_follower->device();
    m_microphone->setCurrentIndex(std::max(m_microphone->findData(current), 0));
    m_microphone->setEnabled(!listed.isEmpty());
}

void CMVoiceStrip::showState()
{
    m_switch->setOn(m_follower->enabled());
    const QString text = m_follower->stateText();
    m_state->setText(text);
    m_state->setVisible(!text.isEmpty());
    m_meter->setVisible(m_follower->enabled());
    m_switch->setToolTip(m_follower->state() == CMVoiceFollower::State::Unavailable
                             ? text
                             : u"Follow the reader's voice: the prompter keeps pace while "
                               u"running"_s);
}
