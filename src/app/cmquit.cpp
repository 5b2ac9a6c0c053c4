#include "cmquit.h"

#include <engine/cmengine.h>
#include <prompter/cmprompterwindow.h>

CMQuit::CMQuit(CMEngine &engine, CMPrompterWindow &live, QObject *parent)
    : QObject(parent), m_engine(engine), m_live(live)
{
}

bool CMQuit::mayQuit()
{
    m_engine.flushPendingSave();
    return true;
}

bool CMQuit::request()
{
    if (m_quitting)
        return true;
    if (!mayQuit())
        return false;
    m_quitting = true;
    m_live.close();
    Q_EMIT quitRequested();
    return true;
}
