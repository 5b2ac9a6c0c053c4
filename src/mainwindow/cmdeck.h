#pragma once

#include "cmdecklayout.h"

#include <kit/ovsurfaces.h>

#include <QList>

class CMEngine;
class CMPrompterWindow;
class OVChromeButton;
class OVKnob;
class OVOrbButton;
class OVSegment;
class OVSwitch;
class QComboBox;

// The strip of controls the operator runs the prompter from: the transport orbs and the
// countdown, five knobs, the look switches, the font, colour and display pickers and Go Live.
// Every control reads and writes the engine's settings; the deck keeps one value of its own,
// the display Go Live uses (the second display when there is more than one at construction).
class CMDeck : public OVPanel
{
    Q_OBJECT

public:
    CMDeck(CMEngine &engine, CMPrompterWindow &live, QWidget *parent = nullptr);

    CMDeckArrangement arrangement() const { return m_layout->arrangement(); }
    int screen() const { return m_screen; }

    OVOrbButton *backToTopOrb() const { return m_orbs[0]; }
    OVOrbButton *jumpBackOrb() const { return m_orbs[1]; }
    OVOrbButton *startStopOrb() const { return m_orbs[2]; }
    OVOrbButton *jumpAheadOrb() const { return m_orbs[3]; }
    OVSegment *countdown() const { return m_countdown; }
    OVKnob *knob(const QString &label) const;
    OVSwitch *toggle(const QString &title) const;
    QComboBox *fontPicker() const { return m_font; }
    QComboBox *colorsPicker() const { return m_colors; }
    QComboBox *displayPicker() const { return m_display; }
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
    void listDisplays();
    void goLive();

    CMEngine &m_engine;
    CMPrompterWindow &m_live;
    int m_screen;
    CMDeckLayout *m_layout;
    QList<OVOrbButton *> m_orbs;
    OVSegment *m_countdown = nullptr;
    QList<OVKnob *> m_knobs;
    QList<OVSwitch *> m_switches;
    QComboBox *m_font = nullptr;
    QComboBox *m_colors = nullptr;
    QComboBox *m_display = nullptr;
    OVChromeButton *m_goLive = nullptr;
};
