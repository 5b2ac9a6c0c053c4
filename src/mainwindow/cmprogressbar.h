#pragma once

#include <QTimer>
#include <QWidget>

class CMEngine;

// How far the script has scrolled, under the rig's screen; pressing or dragging on it moves the
// script to that point (running or not). Redrawn at most ten times a second while running and
// otherwise only when the engine changes.
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
    bool animating() const { return m_redraw.isActive(); }

protected:
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void paintEvent(QPaintEvent *) override;

private:
    void seek(double x);
    void runningChanged(bool running);

    CMEngine &m_engine;
    QTimer m_redraw;
};
