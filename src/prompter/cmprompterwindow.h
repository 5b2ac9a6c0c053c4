#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class CMEngine;
class CMLiveWindow;
class QScreen;
class QSizeF;
class QWidget;

// Goes live: lists the displays, opens the one live window full screen on a chosen display
// and closes it again. The engine's live flag is true exactly while a live window is shown.
//
// If the live display is unplugged, the picture moves to the first remaining display and
// goes back to its own display when that returns (a flickering cable costs the presenter a
// blink, not the script); with no display left, live mode ends.
class CMPrompterWindow : public QObject
{
    Q_OBJECT

public:
    struct Display
    {
        int index;
        QString label; // "name (main) — 1920×1080"
    };

    // The controller of the shared engine, made on first use (needs the QApplication).
    static CMPrompterWindow &shared();

    explicit CMPrompterWindow(CMEngine &engine, QObject *parent = nullptr);
    ~CMPrompterWindow() override;

    // The displays, read anew on every call: the primary display first (index 0), then the
    // others in the platform's order.
    static QList<Display> screens();
    static QList<QScreen *> orderedScreens();
    static QString label(const QScreen &screen, bool primary);
    // Height in canvas points of a display frame: the canvas is 1920 points wide.
    static double canvasHeight(const QSizeF &frame);

    // Goes live on display `index`, clamped to the list (5 of two picks the second, -1 the
    // first), closing any live window first. Moves the keyboard focus to the prompter even
    // when no display exists.
    void show(int index);
    // Ends live mode; when not live it only clears the engine's live flag.
    void close();

    CMLiveWindow *window() const;
    QScreen *screen() const;

private:
    void open(QScreen *screen, bool hidePointer);
    void dismiss();
    void fitToScreen();
    void screenRemoved(QScreen *screen);
    void screenAdded(QScreen *screen);

    CMEngine &m_engine;
    QPointer<CMLiveWindow> m_window;
    QPointer<QScreen> m_screen;
    // The display chosen by show(), by name, so that it is found again after it was unplugged.
    QString m_homeScreen;
    // The window that had the keyboard before going live gets it back afterwards.
    QPointer<QWidget> m_returnTo;
};
