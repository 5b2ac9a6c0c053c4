#pragma once

#include <QObject>

class CMEngine;
class CMPrompterWindow;
class QWidget;

// The one way out of the application. File > Quit, closing the main window and the end of the
// desktop session all ask mayQuit() first, so the script and settings waiting to be written
// reach the disk before anything closes.
class CMQuit : public QObject
{
    Q_OBJECT

public:
    CMQuit(CMEngine &engine, CMPrompterWindow &live, QObject *parent = nullptr);

    // The window the question at quit belongs to.
    void setWindow(QWidget *window) { m_window = window; }
    // Writes what is pending and, if the script still can't be saved, asks whether to save it
    // elsewhere first; true when nothing stands in the way of ending now.
    bool mayQuit();
    // Ends the application when mayQuit() agrees: the live window closes and quitRequested()
    // follows. False when the application stays.
    bool request();
    bool quitting() const { return m_quitting; }

Q_SIGNALS:
    // Everything is written: the event loop may end (the application connects its quit()).
    void quitRequested();

private:
    CMEngine &m_engine;
    CMPrompterWindow &m_live;
    QWidget *m_window = nullptr;
    bool m_quitting = false;
};
