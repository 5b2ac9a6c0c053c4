#pragma once

#include <QTimer>
#include <QWidget>

class CMEngine;
class CMVoiceFollower;
class OVSwitch;
class QComboBox;
class QLabel;

// Voice following in the main window: the Voice switch, the microphone picker, a level meter
// and what the voice is doing ("listening", "lost — read on or press a key"). Where there is
// no speech model or no microphone, switching on only says why.
class CMVoiceStrip : public QWidget
{
    Q_OBJECT

public:
    explicit CMVoiceStrip(CMEngine &engine, QWidget *parent = nullptr);

    CMVoiceFollower *follower() const { return m_follower; }
    OVSwitch *voiceSwitch() const { return m_switch; }
    QComboBox *microphonePicker() const { return m_microphone; }
    QLabel *stateLabel() const { return m_state; }

private:
    void listMicrophones();
    void showState();

    CMVoiceFollower *m_follower;
    OVSwitch *m_switch;
    QComboBox *m_microphone;
    QWidget *m_meter;
    QLabel *m_state;
    QTimer m_devicePoll;
    QList<std::pair<QByteArray, QString>> m_listed; // microphones in the picker: id, name
    QByteArray m_systemDefault;
};
