#pragma once

#include "cmremote.h"

#include <QWidget>
#include <optional>

class OVCaption;
class OVChromeButton;
class OVSwitch;
class QLabel;

// The Remote Control panel: turns the remote on and off, lets other devices in, shows the
// address with its QR code and makes a new token. Its choices are remembered and applied at
// the next start (a new token each time the application starts).
class CMRemotePanel : public QWidget
{
    Q_OBJECT

public:
    explicit CMRemotePanel(CMRemote &remote, QWidget *parent = nullptr);

    // Opens or raises the one panel of `remote`.
    static void show(CMRemote &remote);

    // The options saved by the panel; none when the remote is to stay off.
    static std::optional<CMRemote::Options> storedOptions();
    static void storeOptions(const std::optional<CMRemote::Options> &options);
    // The port the panel proposes the first time.
    static constexpr quint16 defaultPort = 8765;

    QString address() const;
    OVSwitch *enabledSwitch() const { return m_enabled; }
    OVSwitch *networkSwitch() const { return m_network; }

private:
    void apply(bool on, bool network);
    void refresh();

    CMRemote &m_remote;
    OVSwitch *m_enabled;
    OVSwitch *m_network;
    QWidget *m_details;
    QLabel *m_address;
    QLabel *m_code;
    QLabel *m_osc;
    QLabel *m_status;
    QLabel *m_off;
    OVCaption *m_caption;
    OVChromeButton *m_copy;
    OVChromeButton *m_renew;
};
