#pragma once

#include <QTimer>
#include <QWidget>

class CMEngine;
class QPainter;

// How far the script has scrolled, under the rig's screen; pressing or dragging on it moves the
// script to that point (running or not). A tick marks each cue line; clicking one puts that
// cue on the reading line. Redrawn at most ten times a second while running and otherwise
// only when the engine changes.
class CMProgressBar : public QWidget
{
    Q_OBJECT

public:
    explicit CMProgressBar(CMEngine &engine, QWidget *parent = nullptr);

    static constexpr int redrawMs = 100;

    // The fraction shown for an offset: 0 with no content, else offset ÷ content height.
    static double fraction(double offset, double contentHeight);
    // The offset a pointer at `x` on a bar `width` wide asks for: clamped to the bar's ends.
    static double target(double x, double width, double contentHeight);

    double shownFraction() const;
    // The x of each cue's tick on a bar `width` wide (script order).
    static QList<double> tickPositions(const QList<double> &cueOffsets, double contentHeight,
                                       double width);
    // The cue whose tick is nearest to x within `reach`, or -1.
    int tickAt(double x) const;
    bool animating() const { return m_redraw.isActive(); }

protected:
    bool event(QEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void paintEvent(QPaintEvent *) override;

private:
    void seek(double x);
    void runningChanged(bool running);
    QList<double> ticks() const;
    void paintTicks(QPainter &p) const;

    CMEngine &m_engine;
    QTimer m_redraw;
    int m_hoveredTick = -1;
    // A press on a tick stays on its cue until the pointer really moves away.
    int m_pressedTick = -1;
    double m_pressX = 0;
};
