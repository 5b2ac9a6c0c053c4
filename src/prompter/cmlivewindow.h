#pragma once

#include <QPoint>
#include <QWidget>

#include <optional>

class CMEngine;
class CMLiveRoot;
class QScreen;

// The borderless full-screen window that shows the prompter live on one display, above every
// other window. Keys it receives go to the engine's key map; the ones the map refuses go on
// to normal handling. Built anew for every going live and never reused.
class CMLiveWindow : public QWidget
{
    Q_OBJECT

public:
    // hidePointer: hide the mouse pointer until it moves (wanted on the operator's own display).
    CMLiveWindow(CMEngine &engine, QScreen *screen, bool hidePointer);

    // Shows the window full screen on its display, in front.
    void present();
    // Makes it the window that has the keyboard.
    void takeKeyboard();

    CMLiveRoot *root() const { return m_root; }
    bool pointerHidden() const { return m_pointerHidden; }

Q_SIGNALS:
    // The window was asked to close (by the hint bar or by the window system).
    void closeRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pointerAt(const QPoint &globalPos);

    CMEngine &m_engine;
    CMLiveRoot *m_root;
    // Where the pointer rested when the window appeared: a window mapped under a still
    // pointer is neither hovered nor a reason to show the pointer again.
    std::optional<QPoint> m_restPos;
    bool m_pointerHidden = false;
};
