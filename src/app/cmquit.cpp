#include "cmquit.h"

#include <engine/cmengine.h>
#include <mainwindow/cmsavenotice.h>
#include <prompter/cmprompterwindow.h>

CMQuit::CMQuit(CMEngine &engine, CMPrompterWindow &live, QObject *parent)
    : QObject(parent), m_engine(engine), m_live(live)
{
}

bool CMQuit::mayQuit()
{
    return CMSaveGuard::mayQuit(m_engine, m_window);
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
