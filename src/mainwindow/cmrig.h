#pragma once

#include <kit/ovsurfaces.h>

class CMEngine;
class CMKeysBadge;
class CMRigStage;
class OVCaption;
class QLabel;
class QTimer;

// The rig preview: a title row saying whether the prompter is on air, the time of the take,
// where the keyboard goes and the run state, above a miniature rig showing the live prompter
// picture.
class CMRig : public OVPanel
{
    Q_OBJECT

public:
    explicit CMRig(CMEngine &engine, QWidget *parent = nullptr);

    OVCaption *caption() const { return m_caption; }
    QWidget *lamp() const { return m_lamp; }
    CMKeysBadge *keysBadge() const { return m_badge; }
    QLabel *stateWord() const { return m_state; }
    QLabel *times() const { return m_times; }
    CMRigStage *stage() const { return m_stage; }

    // How often the times are read while the prompter runs.
    static constexpr int timesMs = 250;

private:
    void follow();
    void showTimes();

    CMEngine &m_engine;
    OVCaption *m_caption;
    QWidget *m_lamp;
    CMKeysBadge *m_badge;
    QLabel *m_state;
    QLabel *m_times;
    QTimer *m_timesTick;
    CMRigStage *m_stage;
};
