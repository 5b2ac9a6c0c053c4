#pragma once

#include <QScrollArea>

class CMDeck;
class CMEngine;
class CMHeader;
class CMPrompterWindow;
class CMRig;
class CMScriptDesk;
class CMVoiceStrip;

// The main window's layout: the header, the script desk beside the rig preview, the control
// deck and the footer. Below 900·z × 640·z the whole layout keeps that size and scrolls
// instead of being squeezed.
class CMMain : public QScrollArea
{
    Q_OBJECT

public:
    CMMain(CMEngine &engine, CMPrompterWindow &live, QWidget *parent = nullptr);

    static constexpr qreal minimumWidthPt = 900;
    static constexpr qreal minimumHeightPt = 640;
    static constexpr qreal deskWidthPt = 400;

    CMHeader *header() const { return m_header; }
    CMScriptDesk *desk() const { return m_desk; }
    CMRig *rig() const { return m_rig; }
    CMDeck *deck() const { return m_deck; }
    CMVoiceStrip *voice() const { return m_voice; }
    QWidget *footer() const { return m_footer; }

private:
    QWidget *makeFooter();

    CMHeader *m_header;
    CMScriptDesk *m_desk;
    CMRig *m_rig;
    CMDeck *m_deck;
    CMVoiceStrip *m_voice;
    QWidget *m_footer;
};
