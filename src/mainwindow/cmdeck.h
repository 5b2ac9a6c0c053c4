#pragma once

#include "cmdecklayout.h"

#include <kit/ovsurfaces.h>

#include <QList>

class CMEngine;
class CMOutputPicker;
class CMPrompterWindow;
class CMTargetField;
class OVChromeButton;
class OVKnob;
class OVOrbButton;
class OVSegment;
class OVSwitch;
class QComboBox;

// The strip of controls the operator runs the prompter from: the transport orbs and the
// countdown and the take's target length, five knobs, the look switches, the font and colour
// pickers, the outputs and Go Live. Every control reads and writes the engine's settings; the
// outputs Go Live uses are the live controller's (the second display unless others are
// checked).
class CMDeck : public OVPanel
{
    Q_OBJECT

public:
    CMDeck(CMEngine &engine, CMPrompterWindow &live, QWidget *parent = nullptr);

    CMDeckArrangement arrangement() const { return m_layout->arrangement(); }

    OVOrbButton *backToTopOrb() const { return m_orbs[0]; }
    OVOrbButton *jumpBackOrb() const { return m_orbs[1]; }
    OVOrbButton *startStopOrb() const { return m_orbs[2]; }
    OVOrbButton *jumpAheadOrb() const { return m_orbs[3]; }
    OVSegment *countdown() const { return m_countdown; }
    OVKnob *knob(const QString &label) const;
    OVSwitch *toggle(const QString &title) const;
    QComboBox *fontPicker() const { return m_font; }
    QComboBox *colorsPicker() const { return m_colors; }
    CMOutputPicker *outputPicker() const { return m_outputs; }
    CMTargetField *targetField() const { return m_target; }
    OVChromeButton *goLiveButton() const { return m_goLive; }

Q_SIGNALS:
    void arrangementChanged(CMDeckArrangement arrangement);

private:
    QWidget *transport();
    QWidget *knobs();
    QWidget *look();
    QWidget *pickers();
    QWidget *goLiveRow();
    void showSettings();
    void showRunState();
    void showLive();
    void goLive();

    CMEngine &m_engine;
    CMPrompterWindow &m_live;
    CMDeckLayout *m_layout;
    QList<OVOrbButton *> m_orbs;
    OVSegment *m_countdown = nullptr;
    QList<OVKnob *> m_knobs;
    QList<OVSwitch *> m_switches;
    QComboBox *m_font = nullptr;
    QComboBox *m_colors = nullptr;
    CMOutputPicker *m_outputs = nullptr;
    CMTargetField *m_target = nullptr;
    OVChromeButton *m_goLive = nullptr;
};
