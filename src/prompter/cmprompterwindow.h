#pragma once

#include "cmoutputs.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class CMEngine;
class CMLiveWindow;
class QScreen;
class QSizeF;
class QWidget;

// Goes live: lists the displays, opens a live window full screen on each chosen display (an
// output, with its own options) and closes them again. The engine's live flag is true
// exactly while live windows are shown. Every output draws the same frame time.
//
// If a live display is unplugged, its output closes and opens again when the display
// returns; when the last one goes, the picture moves to the first remaining display and goes
// back to its own display when that returns (a flickering cable costs the presenter a blink,
// not the script). With no display left, live mode ends.
class CMPrompterWindow : public QObject
{
    Q_OBJECT

public:
    struct Display
    {
        int index;
        QString label; // "name (main) — 1920×1080"
        QString name;  // the platform's name of the display, which options are remembered by
    };

    // The controller of the shared engine, made on first use (needs the QApplication).
    static CMPrompterWindow &shared();

    explicit CMPrompterWindow(CMEngine &engine, QObject *parent = nullptr);
    ~CMPrompterWindow() override;

    // The displays, read anew on every call: the primary display first (index 0), then the
    // others in the platform's order.
    static QList<Display> screens();
    static QList<QScreen *> orderedScreens();
    static QStringList screenNames();
    static QString label(const QScreen &screen, bool primary);
    // Height in canvas points of a display frame: the canvas is 1920 points wide.
    static double canvasHeight(const QSizeF &frame);

    // The outputs' options and the displays checked for going live.
    CMOutputs &outputs() { return m_options; }

    // Goes live on display `index` alone, clamped to the list (5 of two picks the second, -1
    // the first), closing any live window first. Moves the keyboard focus to the prompter
    // even when no display exists.
    void show(int index);
    // Goes live on every connected display of these names, in display order.
    void show(const QStringList &displays);
    // Goes live on the displays checked in the outputs' options.
    void showChecked();
    // Ends live mode on every output; when not live it only clears the engine's live flag.
    void close();

    // The live windows in display order; the first defines the engine's viewport height.
    QList<CMLiveWindow *> windows() const;
    CMLiveWindow *window() const;
    QScreen *screen() const;
    // The live window showing the output of that display, if any.
    CMLiveWindow *windowFor(const QString &display) const;

private:
    struct Output
    {
        QString home; // the display this output was chosen for
        QPointer<QScreen> screen;
        QPointer<CMLiveWindow> window;
    };

    void reconcile(QScreen *gone = nullptr);
    void open(Output &output, bool activate);
    void dismiss(Output &output);
    void fitToScreen();
    void applyOptions(const QString &display);
    void screenRemoved(QScreen *screen);
    void screenAdded(QScreen *screen);

    CMEngine &m_engine;
    CMOutputs m_options;
    QList<Output> m_outputs;
    // The displays chosen by show(), by name, so that they are found again after unplugging.
    QStringList m_homes;
    // The window that had the keyboard before going live gets it back afterwards.
    QPointer<QWidget> m_returnTo;
};
