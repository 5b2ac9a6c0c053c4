#include "cmremotepanel.h"

#include "cmqrcode.h"

#include <store/cmsettingsfile.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <kit/ovbuttons.h>
#include <kit/ovfonts.h>
#include <kit/ovlettering.h>
#include <kit/ovroot.h>
#include <kit/ovswitch.h>
#include <kit/ovtheme.h>
#include <kit/ovui.h>

using namespace Qt::StringLiterals;

namespace {

constexpr char enabledKey[] = "cm.remote.enabled";
constexpr char networkKey[] = "cm.remote.network";
constexpr char portKey[] = "cm.remote.port";

OVUI *ui()
{
    return OVUI::shared();
}

QLabel *text(const QString &s, qreal size, bool dim, bool wrap = true)
{
    auto *l = new QLabel(s);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(wrap);
    ovBindFont(l, size, QFont::Normal);
    ui()->bind(l, [l, dim] {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, dim ? ui()->theme().dim : ui()->theme().text);
        l->setPalette(p);
    });
    return l;
}

} // namespace

std::optional<CMRemote::Options> CMRemotePanel::storedOptions()
{
    const CMSettingsFile &s = CMSettingsFile::shared();
    if (!s.value(QLatin1StringView(enabledKey), false).toBool())
        return std::nullopt;
    const uint port = s.value(QLatin1StringView(portKey), defaultPort).toUInt();
    return CMRemote::Options{quint16(port > 0 && port <= 65535 ? port : defaultPort),
                             s.value(QLatin1StringView(networkKey), false).toBool()};
}

void CMRemotePanel::storeOptions(const std::optional<CMRemote::Options> &options)
{
    CMSettingsFile &s = CMSettingsFile::shared();
    s.setValue(QLatin1StringView(enabledKey), options.has_value());
    if (options) {
        s.setValue(QLatin1StringView(networkKey), options->allowNetwork);
        s.setValue(QLatin1StringView(portKey), options->port);
    }
}

void CMRemotePanel::show(CMRemote &remote)
{
    static QPointer<CMRemotePanel> panel;
    if (!panel) {
        panel = new CMRemotePanel(remote);
        panel->setAttribute(Qt::WA_DeleteOnClose);
    }
    const bool fresh = !panel->isVisible();
    panel->QWidget::show();
    if (fresh && panel->screen()) {
        QRect frame = panel->frameGeometry();
        frame.moveCenter(panel->screen()->availableGeometry().center());
        panel->move(frame.topLeft());
    }
    panel->raise();
    panel->activateWindow();
}

CMRemotePanel::CMRemotePanel(CMRemote &remote, QWidget *parent)
    : QWidget(parent, Qt::Window), m_remote(remote), m_enabled(new OVSwitch(u"Remote control"_s)),
      m_network(new OVSwitch(u"Allow other devices on this network"_s)), m_details(new QWidget),
      m_address(text({}, 12, false, false)), m_code(new QLabel), m_osc(text({}, 11, true, false)),
      m_status(text({}, 11, true)),
      m_off(text(u"Turn on to run the prompter from a phone, a tablet or a show controller "
                 u"through the web remote, the JSON API or OSC."_s,
                 12, true)),
      m_caption(new OVCaption), m_copy(new OVChromeButton(u"Copy Address"_s)),
      m_renew(new OVChromeButton(u"New Address"_s))
{
    setWindowTitle(u"Remote Control"_s);
    ovsRoot(this);
    m_address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_address->setAccessibleName(u"Remote control address"_s);
    m_code->setAlignment(Qt::AlignCenter);
    m_code->setAccessibleName(u"QR code of the address"_s);
    m_copy->setCompact(true);
    m_renew->setCompact(true);

    auto *details = new QVBoxLayout(m_details);
    details->setContentsMargins(0, 0, 0, 0);
    details->addWidget(m_caption);
    details->addWidget(m_code, 0, Qt::AlignHCenter);
    details->addWidget(m_address);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_copy);
    buttons->addWidget(m_renew);
    buttons->addStretch();
    details->addLayout(buttons);
    details->addWidget(m_osc);
    details->addWidget(text(u"Anyone with this address can control the prompter. A new address "
                            u"locks out every device that has the old one."_s,
                            11, true));

    auto *column = new QVBoxLayout(this);
    column->addWidget(m_enabled);
    column->addWidget(m_network);
    column->addWidget(m_off);
    column->addWidget(m_details);
    column->addWidget(m_status);
    column->addStretch();
    ui()->bind(this, [column, details] {
        const int inset = qRound(ui()->z(20));
        column->setContentsMargins(inset, inset, inset, inset);
        column->setSpacing(qRound(ui()->z(12)));
        details->setSpacing(qRound(ui()->z(8)));
    });

    connect(m_enabled, &OVSwitch::toggled, this, [this](bool on) { apply(on, m_network->isOn()); });
    connect(m_network, &OVSwitch::toggled, this,
            [this](bool network) { apply(m_enabled->isOn(), network); });
    connect(m_copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(address()); });
    connect(m_renew, &QPushButton::clicked, &m_remote, &CMRemote::renewToken);
    connect(&m_remote, &CMRemote::changed, this, &CMRemotePanel::refresh);
    for (const QKeySequence &key :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &QWidget::close);
    refresh();
    resize(qRound(ui()->z(440)), sizeHint().height());
}

QString CMRemotePanel::address() const
{
    const QList<QUrl> network = m_remote.networkUrls();
    return (network.isEmpty() ? m_remote.localUrl() : network.first()).toString();
}

void CMRemotePanel::apply(bool on, bool network)
{
    if (!on) {
        m_remote.stop();
        storeOptions(std::nullopt);
        refresh();
        return;
    }
    CMRemote::Options options =
        m_remote.isRunning() ? m_remote.options() : storedOptions().value_or(CMRemote::Options{});
    if (options.port == 0)
        options.port = defaultPort;
    options.allowNetwork = network;
    // The usual port may be taken by another program: any free one will do.
    if (!m_remote.start(options) && !m_remote.start({0, network})) {
        refresh();
        return;
    }
    storeOptions(CMRemote::Options{m_remote.port(), network});
    refresh();
}

void CMRemotePanel::refresh()
{
    const bool running = m_remote.isRunning();
    m_enabled->setOn(running);
    m_network->setOn(running ? m_remote.options().allowNetwork : m_network->isOn());
    m_network->setEnabled(running);
    m_details->setVisible(running);
    m_off->setVisible(!running);
    if (!running) {
        m_status->setText(m_remote.errorString().isEmpty()
                              ? QString()
                              : u"Couldn't start: "_s + m_remote.errorString());
        return;
    }
    const QString url = address();
    m_address->setText(url);
    // A phone cannot open this computer's own loopback address: no code for it.
    const bool reachable = m_remote.options().allowNetwork && !m_remote.networkUrls().isEmpty();
    m_caption->setText(reachable ? u"Open on a phone or tablet"_s
                                 : u"Open in a browser on this computer"_s);
    m_code->setVisible(reachable);
    if (reachable) {
        const QImage code = CMQRCode::image(url.toUtf8());
        const int scale = std::max(1, qRound(ui()->z(220)) / std::max(1, code.width()));
        m_code->setPixmap(QPixmap::fromImage(code.scaled(code.size() * scale)));
    }
    const QString host = m_remote.options().allowNetwork && !m_remote.networkUrls().isEmpty()
                             ? m_remote.networkUrls().first().host()
                             : u"127.0.0.1"_s;
    m_osc->setText(u"OSC: udp://%1:%2"_s.arg(host).arg(m_remote.oscPort()));
    const int clients = m_remote.clientCount();
    QString status = clients == 0   ? u"No remote connected."_s
                     : clients == 1 ? u"1 remote connected."_s
                                    : u"%1 remotes connected."_s.arg(clients);
    if (m_remote.options().allowNetwork && m_remote.networkUrls().isEmpty())
        status += u" This computer has no network address other devices can reach."_s;
    else if (!m_remote.options().allowNetwork)
        status += u" Only this computer can connect."_s;
    m_status->setText(status);
}
